#pragma once

#include <cstdint>
#include <string_view>

// Reads numbers the way the units and the operators' files write them, independently of the
// process locale: leading white space, an optional sign, then decimal digits up to the first
// other character; no digits give 0. Values beyond the 32-bit range are clamped to it.
std::int32_t ReadInteger(std::string_view text);

// The same with an optional fraction part after a '.', as in "950.5".
double ReadDecimal(std::string_view text);
