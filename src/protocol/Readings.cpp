#include "protocol/Readings.h"

#include "protocol/Numbers.h"

#include <cmath>
#include <limits>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A "-" at index i separates the two readings unless it is a sign: following no digit and
// followed by one.
bool IsSeparator(std::string_view group, size_t i) {
    if (group[i] != '-') {
        return false;
    }
    const bool afterDigit = i > 0 && IsDigit(group[i - 1]);
    const bool beforeDigit = i + 1 < group.size() && IsDigit(group[i + 1]);
    return afterDigit || !beforeDigit;
}

// NextToken over the group with "-" as the only delimiter, signs excepted.
std::string NextField(std::string_view group, size_t& position, bool& done) {
    if (done) {
        return {};
    }
    size_t first = position;
    while (first < group.size() && IsSeparator(group, first)) {
        ++first;
    }
    if (first >= group.size()) {
        done = true;
        return {};
    }
    size_t end = first + 1;
    while (end < group.size() && !IsSeparator(group, end)) {
        ++end;
    }
    position = end + 1;
    return std::string(group.substr(first, end - first));
}

} // namespace

TemperaturePair SplitTemperatureGroup(std::string_view group) {
    size_t position = 0;
    bool done = false;
    TemperaturePair pair;
    pair.Controller = NextField(group, position, done);
    pair.Tessel = NextField(group, position, done);
    return pair;
}

std::int32_t LedMillivolts(std::string_view reading) {
    const double millivolts = std::trunc(ReadDecimal(reading) * 18.4);
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    if (millivolts <= low) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (millivolts >= high) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(millivolts);
}
