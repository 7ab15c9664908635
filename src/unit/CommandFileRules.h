#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The comment rules of command sequence files, line by line: "//" drops the rest of a line;
// "/*" keeps what stands before it and, unless the line also holds "*/", skips every
// following line up to and including the first one that holds "*/". What is left of a line,
// blanks included, is one command; an empty rest sends nothing.
class CommandFileFilter {
public:
    // The command a line leaves, or nothing.
    std::optional<std::string> TakeLine(std::string_view line);
    bool InBlockComment() const { return m_inBlock; }

private:
    bool m_inBlock = false;
};

// Calls take(line) for each line of the bytes: lines end at a line feed, a carriage return
// just before it belongs to the line end, and a last line without a line feed still counts.
template <typename Take> void ForEachCommandFileLine(std::string_view bytes, Take&& take) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool ended = end != std::string_view::npos;
        if (!ended) {
            end = bytes.size();
        }
        std::size_t stop = end;
        if (ended && stop > start && bytes[stop - 1] == '\r') {
            --stop;
        }
        take(bytes.substr(start, stop - start));
        start = end + 1;
    }
}
