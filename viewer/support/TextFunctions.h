// Text tests the viewer's modules share.
#pragma once

#include <string_view>

// True for a decimal number with blanks around it allowed: an optional sign,
// digits with an optional decimal part (at least one digit in all: "1.", ".5"),
// and an optional exponent ("e" or "E", optional sign, digits). Hexadecimal
// forms and thousands separators ("1,000") are not numeric.
bool IsNumeric(std::string_view text);
