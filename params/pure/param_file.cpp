// Reads and writes parameter files and the quoted-line text form shared with the settings file.
#include "params/pure/param_file.h"

#include <string>

namespace verrano {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Steps over one line end at pos: CR LF, LF or a lone CR.
std::size_t SkipLineEnd(std::string_view text, std::size_t pos) {
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') return pos + 2;
    return pos + 1;
}

// One past the last character that is neither a blank nor a line end.
std::size_t ContentEnd(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && (IsBlank(text[end - 1]) || IsLineEnd(text[end - 1])))
        --end;
    return end;
}

} // namespace

std::string QuotedLine(std::string_view value) {
    std::string line = "\"";
    line += TrimBlanks(value);
    line += "\"\r\n";
    return line;
}

std::vector<std::string> ReadFields(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    const std::size_t contentEnd = ContentEnd(text);
    // Trailing line ends and blanks end the text rather than start an empty field, so a file
    // that ends with CR LF (as every file we write does) has no phantom last field. A blank line
    // in the middle still counts as an (empty) field, which keeps line numbers aligned.
    while (pos < contentEnd) {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
        std::string field;
        if (pos < text.size() && text[pos] == '"') {
            const std::size_t close = text.find('"', pos + 1);
            const std::size_t end = close == std::string_view::npos ? text.size() : close;
            field.assign(text.substr(pos + 1, end - pos - 1));
            pos = close == std::string_view::npos ? text.size() : close + 1;
            // Anything between the closing quote and the delimiter is not part of the field.
            while (pos < text.size() && text[pos] != ',' && !IsLineEnd(text[pos]))
                ++pos;
        } else {
            const std::size_t start = pos;
            while (pos < text.size() && text[pos] != ',' && !IsLineEnd(text[pos]))
                ++pos;
            field.assign(TrimBlanks(text.substr(start, pos - start)));
        }
        fields.push_back(std::move(field));
        if (pos < text.size() && text[pos] == ',') {
            ++pos;
            // A comma with nothing after it still opens one last, empty field.
            if (pos >= contentEnd) {
                fields.emplace_back();
                break;
            }
        } else if (pos < text.size()) {
            pos = SkipLineEnd(text, pos);
        }
    }
    return fields;
}

std::string FormatParamFile(const ParamBytes& block) {
    std::string text;
    text.reserve(kBlockSize * 7);
    for (uint8_t value : block)
        text += QuotedLine(std::to_string(value));
    return text;
}

namespace {

// A whole decimal number 0..255; blanks around it are allowed, anything else is refused.
bool TakeByte(std::string_view field, uint8_t& out) {
    field = TrimBlanks(field);
    if (field.empty()) return false;
    unsigned value = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > 255) return false;
    }
    out = static_cast<uint8_t>(value);
    return true;
}

} // namespace

ParamFileParse ParseParamFile(std::string_view text) {
    ParamFileParse result;
    const std::vector<std::string> fields = ReadFields(text);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i >= static_cast<std::size_t>(kBlockSize)) {
            result.error = ParamFileParse::Error::TooManyFields;
            result.badField = static_cast<int>(i);
            return result;
        }
        uint8_t value = 0;
        if (!TakeByte(fields[i], value)) {
            result.error = ParamFileParse::Error::BadField;
            result.badField = static_cast<int>(i);
            return result;
        }
        result.values.push_back(value);
    }
    return result;
}

} // namespace verrano
