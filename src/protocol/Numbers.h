#pragma once

#include <cstdint>
#include <string_view>

// Numbers are read the way the units and the operators' files write them, and never through
// the process locale: a German desktop must still read "950.5" as 950.5.

// Leading white space, an optional sign, then decimal digits up to the first other
// character; no digits give 0, so "1800mA" reads as 1800. Values beyond the 32-bit range are
// clamped to it.
std::int32_t ReadInteger(std::string_view text);

// The same with an optional fraction part after a '.' (".5" and "12." included); no exponent.
// The value is the digits correctly rounded; too many digits for a double give infinity.
double ReadDecimal(std::string_view text);

// A decimal integer that fills the whole text apart from blanks and tabs around it, as an
// edit box of integers accepts it; out-of-range values are clamped. False when the text holds
// no digits or anything else.
bool ParseWholeInteger(std::string_view text, std::int32_t& value);
