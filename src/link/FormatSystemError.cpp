#include "link/FormatSystemError.h"

#include "platform/Format.h"

#include <cerrno>
#include <cstring>

namespace {

// strerror_r comes in a GNU form returning the text and an XSI form returning a code.
[[maybe_unused]] const char* Pick(const char* result, const char*) {
    return result;
}
[[maybe_unused]] const char* Pick(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}

} // namespace

std::string FormatSystemError(int code) {
    char buffer[256] = {};
    const char* text = Pick(strerror_r(code, buffer, sizeof buffer), buffer);
    std::string out = text != nullptr ? text : "";
    if (out.empty() || out.rfind("Unknown error", 0) == 0) {
        return Format("No translation found for error code %d, Formatmessage: %d", code & 0xFFFF,
                      EINVAL);
    }
    const auto end = out.find_first_of("\r\n");
    if (end != std::string::npos) {
        out.resize(end);
    }
    return out;
}
