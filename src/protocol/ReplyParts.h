#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A reply taken apart at its first ";": the head carries the token and values, the status
// part a word, a blank and a status code.
struct ReplyParts {
    std::string Head;
    std::string StatusPart;
    bool HasStatus = false;
};

ReplyParts SplitReplyStatus(std::string_view reply);

// The code of a status part: its first blank-separated word skipped, the rest read as an
// integer (nothing gives 0).
std::int32_t StatusPartCode(std::string_view statusPart);

// Replies of the Vantelmark firmware carry their own texts; their status part is no code.
bool BeginsWithVantelmark(std::string_view reply);
bool MentionsVantelmark(std::string_view text);
