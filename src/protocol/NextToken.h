#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The tokenizer every protocol reader uses. From position on, skips the characters of
// delimiters, then takes the token up to the next one of them; position moves one past that
// delimiter (one past the end when the token ends the text). When nothing but delimiters is
// left, or position is below 0, the token is empty and position becomes -1. With no
// delimiters the token is the rest of the text, and position stays where it was.
std::string NextToken(std::string_view text, std::string_view delimiters, std::int32_t& position);
