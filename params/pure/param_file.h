// Parameter files (*.qel) and the quoted-line text form that they share with the settings file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "params/pure/param_block.h"

namespace verrano {

// One line of the shared form: "value" followed by CR LF; blanks at either end of the value go.
std::string QuotedLine(std::string_view value);

// Fields of a text read by sequential-input rules: a field ends at a comma or a line end, blanks
// around it go, and a field in double quotes runs to its closing quote and loses the quotes.
// An empty text gives no field; a trailing line end does not start a field.
std::vector<std::string> ReadFields(std::string_view text);

// The 19 lines of a parameter file for a block.
std::string FormatParamFile(const ParamBytes& block);

struct ParamFileParse {
    enum class Error { None, BadField, TooManyFields };
    Error error = Error::None;
    int badField = -1;           // index of the first field that could not be taken
    std::vector<uint8_t> values; // the fields taken, at most 19
};

// A field must be a whole decimal number 0..255 (no fraction, no sign other than none).
ParamFileParse ParseParamFile(std::string_view text);

} // namespace verrano
