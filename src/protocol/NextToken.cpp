#include "protocol/NextToken.h"

#include <limits>

namespace {

// Positions are 32-bit: a text longer than that is read only as far as they reach.
constexpr std::size_t kMaxPosition = std::numeric_limits<std::int32_t>::max();

} // namespace

std::string NextToken(std::string_view text, std::string_view delimiters, std::int32_t& position) {
    if (position < 0) {
        position = -1;
        return {};
    }
    const std::size_t start = static_cast<std::size_t>(position);
    if (delimiters.empty()) {
        if (start < text.size()) {
            return std::string(text.substr(start));
        }
        position = -1;
        return {};
    }
    const std::size_t first =
        start < text.size() ? text.find_first_not_of(delimiters, start) : std::string_view::npos;
    if (first == std::string_view::npos) {
        position = -1;
        return {};
    }
    std::size_t end = text.find_first_of(delimiters, first);
    if (end == std::string_view::npos) {
        end = text.size();
    }
    position = end + 1 > kMaxPosition ? -1 : static_cast<std::int32_t>(end + 1);
    return std::string(text.substr(first, end - first));
}
