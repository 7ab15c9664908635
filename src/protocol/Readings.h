#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The two temperatures of one channel in a "te" reply, controller and Tessel, in °C as the
// unit wrote them.
struct TemperaturePair {
    std::string Controller;
    std::string Tessel;
};

// Splits a group such as "31-28" at its "-". A "-" that begins a reading (the first character
// of the group, or the one right after the separating "-") and is followed by a digit is a
// sign, so "-5--20" gives -5 and -20; every other "-" separates as NextToken would, so "NA-20"
// gives "NA" and "20", and "31 -5" gives "31 " and "5".
TemperaturePair SplitTemperatureGroup(std::string_view group);

// An LED voltage reading of a "vt" reply in mV: the decimal value times 18.4, truncated toward
// zero and clamped to the 32-bit range.
std::int32_t LedMillivolts(std::string_view reading);
