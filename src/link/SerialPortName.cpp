#include "link/SerialPortName.h"

#include <cctype>

namespace {

// The n of "COMn" (any letter case, n from 1 to 256), or 0 for any other name.
unsigned ComNumber(const std::string& name) {
    if (name.size() < 4 || name.size() > 6) {
        return 0;
    }
    for (size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) {
            return 0;
        }
    }
    unsigned n = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return 0;
        }
        n = n * 10 + static_cast<unsigned>(name[i] - '0');
    }
    return n <= 256 ? n : 0;
}

} // namespace

std::string SerialDevicePath(const std::string& name) {
    if (const unsigned n = ComNumber(name); n != 0) {
        return "/dev/ttyS" + std::to_string(n - 1);
    }
    if (!name.empty() && name.front() == '/') {
        return name;
    }
    return "/dev/" + name;
}
