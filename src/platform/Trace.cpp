#include "platform/Trace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void Trace(std::string_view text) {
    static const bool enabled = [] {
        const char* v = std::getenv("LUMATREL_TRACE");
        return v != nullptr && std::strcmp(v, "1") == 0;
    }();
    if (enabled) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        if (text.empty() || text.back() != '\n') {
            std::fputc('\n', stderr);
        }
    }
}
