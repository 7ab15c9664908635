#pragma once

#include <string>

// printf-style formatting into a std::string; the formats are the program's own texts, and
// the compiler checks every call's arguments against them.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
