#pragma once

#include <cstdint>
#include <string>

// Milliseconds since a start mark, on the monotonic clock; bounds the transports' polling loops.
class CIntervalTimer {
public:
    // Sets the resolution in microseconds per tick and measures the cost of one reading.
    int Init(double& resolutionUs);
    void Start();
    // Whole milliseconds since Start, rounded to the nearest millisecond.
    std::int64_t ElapsedMs();

    std::string m_strMessage;

private:
    static std::int64_t Now();

    std::int64_t m_frequency = 0;
    double m_overhead = 0.0;
    std::int64_t m_reading1 = 0;
    std::int64_t m_reading2 = 0;
    std::int64_t m_startMark = 0;
    std::int64_t m_lastReading = 0;
};
