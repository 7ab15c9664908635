#include "link/CIntervalTimer.h"

#include <chrono>
#include <ratio>

std::int64_t CIntervalTimer::Now() {
    return std::chrono::steady_clock::now().time_since_epoch().count();
}

int CIntervalTimer::Init(double& resolutionUs) {
    using Period = std::chrono::steady_clock::period;
    m_frequency = Period::den / Period::num;
    resolutionUs = 1000000.0 / static_cast<double>(m_frequency);
    m_reading1 = Now();
    m_reading2 = Now();
    m_overhead = static_cast<double>(m_reading2 - m_reading1) / static_cast<double>(m_frequency);
    m_startMark = Now();
    return 0;
}

void CIntervalTimer::Start() {
    if (m_frequency == 0) {
        double ignored = 0.0;
        Init(ignored);
    }
    m_startMark = Now();
}

std::int64_t CIntervalTimer::ElapsedMs() {
    if (m_frequency == 0) {
        return 0;
    }
    m_lastReading = Now();
    const double seconds =
        static_cast<double>(m_lastReading - m_startMark) / static_cast<double>(m_frequency);
    const double ms = ((seconds - m_overhead) * 1000000.0 + 500.0) / 1000.0;
    return ms < 0.0 ? 0 : static_cast<std::int64_t>(ms);
}
