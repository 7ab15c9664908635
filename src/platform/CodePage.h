#pragma once

#include <string>
#include <string_view>

// Conversion between the program's UTF-8 text and the 8-bit Windows-1252 text that devices,
// datagrams and files use. A character with no Windows-1252 byte becomes '?', and so does a
// malformed UTF-8 sequence.
std::string ToCp1252(std::string_view utf8);
std::string FromCp1252(std::string_view bytes);
