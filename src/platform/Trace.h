#pragma once

#include <string_view>

// Diagnostic trace lines: silent unless LUMATREL_TRACE=1, then written to stderr.
void Trace(std::string_view text);
