// The string table of tooltips (ids 101..152 in English, Japanese and Korean) and the two number
// readings that the localiser uses on ids.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace verrano {

namespace lang {
constexpr int English = 1033;
constexpr int Japanese = 1041;
constexpr int Korean = 1042;
} // namespace lang

// Rows of "id<TAB>language<TAB>text" in UTF-8; blank lines and lines starting with '#' are
// skipped. Text keeps its blanks; "\t" and "\n" escapes are not used.
class StringTable {
public:
    // False (with a reason) on a malformed row; rows before it stay loaded.
    bool Parse(std::string_view tsv, std::string* error = nullptr);
    std::optional<std::string> Lookup(int id, int language) const;
    std::size_t Size() const { return entries_.size(); }

private:
    std::map<std::pair<int, int>, std::string> entries_;
};

// The whole text as a number rounded half to even into 16 bits; empty, not a number or out of
// range gives nothing.
std::optional<int> StrictNumber(std::string_view text);

// The number the text begins with (blanks, tabs and line feeds skipped), rounded half to even;
// a text that does not begin with a number gives 0; out of 16-bit range gives nothing.
std::optional<int> LeadingNumber(std::string_view text);

} // namespace verrano
