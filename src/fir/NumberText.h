// Decimal numbers as the coefficient and measurement files write them: an optional sign, digits
// with one decimal separator, an optional exponent. The separator is "." and, when the
// application's number setting uses a decimal comma, "," as well. Blanks around the number are
// allowed; anything else (words, "inf", "nan", hexadecimal) is not a number.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace plenum::fir {

std::optional<double> ParseDecimal(std::string_view text, bool decimalComma);

// The lines of a text file split at CR and LF; empty lines (and blank-only ones) left out.
std::vector<std::string_view> TextLines(std::string_view text);

std::string_view TrimBlanks(std::string_view text);

}  // namespace plenum::fir
