#include "protocol/ReplyParts.h"

#include "protocol/NextToken.h"
#include "protocol/Numbers.h"

namespace {
constexpr std::string_view kVantelmark = "Vantelmark";
}

ReplyParts SplitReplyStatus(std::string_view reply) {
    ReplyParts parts;
    if (reply.find(';') == std::string_view::npos) {
        parts.Head = std::string(reply);
        return parts;
    }
    parts.HasStatus = true;
    std::int32_t position = 0;
    parts.Head = NextToken(reply, ";", position);
    parts.StatusPart = NextToken(reply, "", position);
    return parts;
}

std::int32_t StatusPartCode(std::string_view statusPart) {
    std::int32_t position = 0;
    NextToken(statusPart, " ", position);
    return ReadInteger(NextToken(statusPart, "", position));
}

bool BeginsWithVantelmark(std::string_view reply) {
    return reply.substr(0, kVantelmark.size()) == kVantelmark;
}

bool MentionsVantelmark(std::string_view text) {
    return text.find(kVantelmark) != std::string_view::npos;
}
