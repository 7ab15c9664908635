#include "protocol/Readings.h"

#include "protocol/Numbers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The next reading of a group, as NextToken with the delimiter "-" takes it, except that a
// "-" standing where the reading begins and followed by a digit is its sign. A reading begins
// at the start of the group or right after the "-" that ended the one before.
std::string NextReading(std::string_view group, size_t& position, bool& done) {
    if (done) {
        return {};
    }
    size_t first = position;
    const bool sign = first + 1 < group.size() && group[first] == '-' && IsDigit(group[first + 1]);
    if (!sign) {
        while (first < group.size() && group[first] == '-') {
            ++first;
        }
    }
    if (first >= group.size()) {
        done = true;
        return {};
    }
    const size_t end = std::min(group.find('-', first + 1), group.size());
    position = end + 1;
    return std::string(group.substr(first, end - first));
}

} // namespace

TemperaturePair SplitTemperatureGroup(std::string_view group) {
    size_t position = 0;
    bool done = false;
    TemperaturePair pair;
    pair.Controller = NextReading(group, position, done);
    pair.Tessel = NextReading(group, position, done);
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
