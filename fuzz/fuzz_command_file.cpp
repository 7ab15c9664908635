// Arbitrary bytes as a command sequence file: every line end, nested and unterminated
// comments. What the rules leave is checked against a plain character-by-character reading
// of the same rules. The same bytes also choose what stands at the file's path: the file
// itself (whole, or beyond a size limit), a FIFO, a folder, a device or nothing at all, and
// the reader must take the first and refuse every other with a reason, without blocking.
#include "platform/FileBytes.h"
#include "unit/CommandFileRules.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
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

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// One scratch folder per process; every input leaves it empty again.
const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/fuzz-command-file-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return pattern;
    }();
    static const bool removedAtExit = std::atexit([] { ::rmdir(ScratchFolder().c_str()); }) == 0;
    (void)removedAtExit;
    return folder;
}

bool WriteFile(const std::string& path, std::string_view bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// Puts at path what the first byte chooses and reads it as a command file.
void CheckReader(std::string_view bytes) {
    const std::string path = ScratchFolder() + "/commands.txt";
    const unsigned kind = bytes.empty() ? 0u : static_cast<unsigned char>(bytes[0]) % 7u;
    std::size_t limit = kMaxReadFileBytes;
    std::string read;
    std::string reason;
    FileReadResult result = FileReadResult::Read;
    switch (kind) {
    case 0:
    case 1: // the file itself, within or beyond a limit the second byte sets
        if (!WriteFile(path, bytes)) {
            return;
        }
        if (kind == 1 && bytes.size() > 1) {
            limit = static_cast<unsigned char>(bytes[1]);
        }
        result = ReadRegularFile(path, read, reason, limit);
        Check(bytes.size() <= limit ? result == FileReadResult::Read && read == bytes
                                    : result == FileReadResult::Refused && read.empty());
        break;
    case 2: // a FIFO no one writes into
        if (::mkfifo(path.c_str(), 0600) != 0) {
            return;
        }
        result = ReadRegularFile(path, read, reason);
        Check(result == FileReadResult::Refused && reason == "it is a pipe (FIFO), not a file");
        break;
    case 3:
        if (::mkdir(path.c_str(), 0700) != 0) {
            return;
        }
        result = ReadRegularFile(path, read, reason);
        Check(result == FileReadResult::Refused && reason == "it is a folder, not a file");
        break;
    case 4: // a device that never ends, and one that is always empty
    case 5:
        result = ReadRegularFile(kind == 4 ? "/dev/zero" : "/dev/null", read, reason);
        Check(result == FileReadResult::Refused && reason == "it is a device, not a file");
        break;
    default:
        result = ReadRegularFile(path, read, reason);
        Check(result == FileReadResult::Missing);
        break;
    }
    Check(result == FileReadResult::Read ? reason.empty() : !reason.empty() && read.empty());
    ::unlink(path.c_str());
    ::rmdir(path.c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckReader(bytes);
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
