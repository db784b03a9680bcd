// Loads the tooltip string table and reads ids from texts the way the localiser needs.
#include "window/pure/string_table.h"

#include <charconv>
#include <cmath>
#include <string>

#include "window/pure/rounding.h"
#include "window/pure/test_moves.h"

namespace verrano {

namespace {

bool ReadWhole(std::string_view s, int& out) {
    if (s.empty()) return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc{} && ptr == s.data() + s.size();
}

void SetError(std::string* error, std::size_t lineNo, const std::string& what) {
    if (error != nullptr) *error = "line " + std::to_string(lineNo) + ": " + what;
}

std::optional<int> RoundInto16Bits(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = RoundHalfEven(value);
    if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
    return static_cast<int>(rounded);
}

} // namespace

bool StringTable::Parse(std::string_view tsv, std::string* error) {
    // An editor may have saved the table with a byte-order mark.
    if (tsv.substr(0, 3) == "\xEF\xBB\xBF") tsv.remove_prefix(3);
    std::size_t lineNo = 0;
    while (!tsv.empty()) {
        ++lineNo;
        const std::size_t nl = tsv.find('\n');
        std::string_view line = tsv.substr(0, nl);
        tsv.remove_prefix(nl == std::string_view::npos ? tsv.size() : nl + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        if (line.front() == '#') continue;

        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        if (tab2 == std::string_view::npos) {
            SetError(error, lineNo, "expected id<TAB>language<TAB>text");
            return false;
        }
        int id = 0;
        int language = 0;
        if (!ReadWhole(line.substr(0, tab1), id) ||
            !ReadWhole(line.substr(tab1 + 1, tab2 - tab1 - 1), language)) {
            SetError(error, lineNo, "id and language must be whole numbers");
            return false;
        }
        // The text runs to the line end untouched: some texts end in blanks on purpose.
        const auto [it, inserted] =
            entries_.emplace(std::make_pair(id, language), std::string(line.substr(tab2 + 1)));
        if (!inserted) {
            SetError(error, lineNo,
                     "duplicate id " + std::to_string(id) + " for language " +
                         std::to_string(language));
            return false;
        }
    }
    return true;
}

std::optional<std::string> StringTable::Lookup(int id, int language) const {
    const auto it = entries_.find({id, language});
    if (it == entries_.end()) return std::nullopt;
    return it->second;
}

std::optional<int> StrictNumber(std::string_view text) {
    const auto value = ParseNumeric(text);
    if (!value) return std::nullopt;
    return RoundInto16Bits(*value);
}

std::optional<int> LeadingNumber(std::string_view text) {
    // Blanks, tabs and line feeds are skipped wherever they stand, so "1 34x" reads as 134;
    // the number ends at the first other character that cannot continue it.
    std::string number;
    bool sawDigit = false;
    bool sawDot = false;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\n') continue;
        if ((c == '+' || c == '-') && number.empty()) {
            number += c;
        } else if (c >= '0' && c <= '9') {
            number += c;
            sawDigit = true;
        } else if (c == '.' && !sawDot) {
            number += c;
            sawDot = true;
        } else {
            break;
        }
    }
    if (!sawDigit) return 0;
    const auto value = ParseNumeric(number);
    if (!value) return std::nullopt; // too many digits to hold
    return RoundInto16Bits(*value);
}

} // namespace verrano
