// Arbitrary bytes as a command sequence file: every line end, nested and unterminated
// comments. What the rules leave is checked against a plain character-by-character reading
// of the same rules.
#include "unit/CommandFileRules.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool Holds(std::string_view line, char a, char b) {
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i] == a && line[i + 1] == b) {
            return true;
        }
    }
    return false;
}

// The same rules, written the other way round: scan to the first comment opener.
std::vector<std::string> Model(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            lines.push_back(line);
            line.clear();
        } else {
            line += bytes[i];
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    std::vector<std::string> sent;
    bool inBlock = false;
    for (const std::string& text : lines) {
        if (inBlock) {
            inBlock = !Holds(text, '*', '/');
            continue;
        }
        std::string kept;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                break;
            }
            if (text[i] == '/' && i + 1 < text.size() && text[i + 1] == '*') {
                inBlock = !Holds(text, '*', '/');
                break;
            }
            kept += text[i];
        }
        if (!kept.empty()) {
            sent.push_back(kept);
        }
    }
    return sent;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CommandFileFilter filter;
    std::vector<std::string> sent;
    std::size_t lines = 0;
    ForEachCommandFileLine(bytes, [&](std::string_view line) {
        ++lines;
        if (line.find('\n') != std::string_view::npos || line.size() > bytes.size()) {
            std::abort();
        }
        if (std::optional<std::string> command = filter.TakeLine(line)) {
            // A command is a non-empty start of its line, free of comment openers.
            if (command->empty() || line.substr(0, command->size()) != *command ||
                Holds(*command, '/', '/') || Holds(*command, '/', '*')) {
                std::abort();
            }
            sent.push_back(*command);
        }
    });
    if (sent.size() > lines || sent != Model(bytes)) {
        std::abort();
    }
    return 0;
}
