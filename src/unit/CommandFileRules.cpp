#include "unit/CommandFileRules.h"

std::optional<std::string> CommandFileFilter::TakeLine(std::string_view line) {
    if (m_inBlock) {
        // The closing line is dropped whole, whatever follows the "*/".
        if (line.find("*/") != std::string_view::npos) {
            m_inBlock = false;
        }
        return std::nullopt;
    }
    const std::size_t lineComment = line.find("//");
    const std::size_t blockComment = line.find("/*");
    std::string_view kept = line;
    if (blockComment != std::string_view::npos &&
        (lineComment == std::string_view::npos || blockComment < lineComment)) {
        kept = line.substr(0, blockComment);
        if (line.find("*/") == std::string_view::npos) {
            m_inBlock = true;
        }
    } else if (lineComment != std::string_view::npos) {
        kept = line.substr(0, lineComment);
    }
    if (kept.empty()) {
        return std::nullopt;
    }
    return std::string(kept);
}
