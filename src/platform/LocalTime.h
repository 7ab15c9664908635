#pragma once

#include <functional>
#include <string>

// One reading of the local wall clock, to the millisecond.
struct LocalTimeStamp {
    int Day = 1;
    int Month = 1;
    int Year = 1970;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;
};

// Where the operations read the local time, so that tests can give a fixed one.
using LocalClock = std::function<LocalTimeStamp()>;

// The computer's local time now.
LocalTimeStamp SystemLocalTime();

// "%02d.%02d.%02d - %02d:%02d:%02d:%03d": day, month, four-digit year, hour, minute, second,
// millisecond, as every log and file of the program stamps its time.
std::string FormatTimeStamp(const LocalTimeStamp& time);
