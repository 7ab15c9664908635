#include "platform/LocalTime.h"

#include "platform/Format.h"

#include <chrono>
#include <ctime>

LocalTimeStamp SystemLocalTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    LocalTimeStamp stamp;
    if (::localtime_r(&seconds, &local) == nullptr) {
        return stamp;
    }
    stamp.Day = local.tm_mday;
    stamp.Month = local.tm_mon + 1;
    stamp.Year = local.tm_year + 1900;
    stamp.Hour = local.tm_hour;
    stamp.Minute = local.tm_min;
    stamp.Second = local.tm_sec;
    stamp.Millisecond = static_cast<int>(millis < 0 ? millis + 1000 : millis);
    return stamp;
}

std::string FormatTimeStamp(const LocalTimeStamp& time) {
    return Format("%02d.%02d.%02d - %02d:%02d:%02d:%03d", time.Day, time.Month, time.Year,
                  time.Hour, time.Minute, time.Second, time.Millisecond);
}
