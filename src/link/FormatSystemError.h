#pragma once

#include <string>

// The system's message text for an errno value, cut at its first line end.
std::string FormatSystemError(int code);
