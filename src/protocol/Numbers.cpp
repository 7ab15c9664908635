#include "protocol/Numbers.h"

#include <limits>

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips white space and a sign; returns whether the number is negative.
bool ReadSign(std::string_view text, size_t& i) {
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    return negative;
}

} // namespace

std::int32_t ReadInteger(std::string_view text) {
    size_t i = 0;
    const bool negative = ReadSign(text, i);
    std::int64_t value = 0;
    constexpr std::int64_t limit =
        static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > limit) {
            value = limit;
        }
    }
    if (negative) {
        value = -value;
    }
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

double ReadDecimal(std::string_view text) {
    size_t i = 0;
    const bool negative = ReadSign(text, i);
    double value = 0.0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10.0 + (text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            value += (text[i] - '0') * scale;
            scale /= 10.0;
        }
    }
    return negative ? -value : value;
}
