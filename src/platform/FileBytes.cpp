#include "platform/FileBytes.h"

#include "link/FormatSystemError.h"
#include "platform/Format.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

// What a file that is no regular file is, for the operator.
std::string NotAFile(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "it is a folder, not a file";
    }
    if (S_ISFIFO(mode)) {
        return "it is a pipe (FIFO), not a file";
    }
    if (S_ISCHR(mode) || S_ISBLK(mode)) {
        return "it is a device, not a file";
    }
    if (S_ISSOCK(mode)) {
        return "it is a socket, not a file";
    }
    return "it is no regular file";
}

std::string TooLarge(std::size_t maxBytes) {
    if (maxBytes % (1024 * 1024) == 0) {
        return Format("it holds more than %zu MB", maxBytes / (1024 * 1024));
    }
    return Format("it holds more than %zu bytes", maxBytes);
}

} // namespace

FileReadResult ReadRegularFile(const std::string& path, std::string& bytes, std::string& reason,
                               std::size_t maxBytes) {
    bytes.clear();
    reason.clear();
    auto refuse = [&](std::string why) {
        bytes.clear();
        reason = std::move(why);
        return FileReadResult::Refused;
    };
    // Looked at before it is opened: opening a terminal or a FIFO has effects of its own.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int code = errno;
        reason = FormatSystemError(code);
        return code == ENOENT || code == ENOTDIR ? FileReadResult::Missing
                                                 : FileReadResult::Refused;
    }
    if (!S_ISREG(st.st_mode)) {
        return refuse(NotAFile(st.st_mode));
    }
    // Non-blocking, so that a file swapped for a FIFO in between cannot hang the open.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.Valid()) {
        return refuse(FormatSystemError(errno));
    }
    if (::fstat(fd.Get(), &st) != 0) {
        return refuse(FormatSystemError(errno));
    }
    if (!S_ISREG(st.st_mode)) {
        return refuse(NotAFile(st.st_mode));
    }
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes) {
        return refuse(TooLarge(maxBytes));
    }
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return refuse(FormatSystemError(errno));
        }
        if (n == 0) {
            return FileReadResult::Read;
        }
        // A file that grows while it is read is bounded all the same.
        if (static_cast<std::size_t>(n) > maxBytes - bytes.size()) {
            return refuse(TooLarge(maxBytes));
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(n));
    }
}
