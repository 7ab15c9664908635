#include "protocol/Numbers.h"

#include <charconv>
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

// Reads the digits from i on; the magnitude saturates just past the 32-bit range.
std::int32_t ReadDigits(std::string_view text, size_t& i, bool negative) {
    constexpr std::int64_t limit =
        static_cast<std::int64_t>(std::numeric_limits<std::int32_t>::max()) + 1;
    std::int64_t value = 0;
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

} // namespace

std::int32_t ReadInteger(std::string_view text) {
    size_t i = 0;
    const bool negative = ReadSign(text, i);
    return ReadDigits(text, i, negative);
}

double ReadDecimal(std::string_view text) {
    size_t i = 0;
    const bool negative = ReadSign(text, i);
    const size_t begin = i;
    size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return 0.0;
    }
    // from_chars is locale-independent and rounds correctly; the span holds only digits and
    // at most one '.', which its fixed format accepts.
    double value = 0.0;
    const auto result =
        std::from_chars(text.data() + begin, text.data() + i, value, std::chars_format::fixed);
    const std::errc error = result.ec;
    if (error == std::errc::result_out_of_range) {
        // Too large when the integral part holds a non-zero digit, otherwise too small.
        const std::string_view integral = text.substr(begin, i - begin);
        const bool large =
            integral.substr(0, integral.find('.')).find_first_not_of('0') != std::string_view::npos;
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (error != std::errc{}) {
        value = 0.0;
    }
    return negative ? -value : value;
}

bool ParseWholeInteger(std::string_view text, std::int32_t& value) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const size_t digitsBegin = i;
    const std::int32_t read = ReadDigits(text, i, negative);
    if (i == digitsBegin) {
        return false;
    }
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    if (i != text.size()) {
        return false;
    }
    value = read;
    return true;
}
