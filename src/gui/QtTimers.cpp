#include "gui/QtTimers.h"

void QtTimers::StartTimer(int id, int intervalMs) {
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        QObject::connect(timer.get(), &QTimer::timeout, [this, id] { m_onTick(id); });
    }
    // Starting a running timer restarts its period.
    timer->start(intervalMs);
}

void QtTimers::StopTimer(int id) {
    const auto it = m_timers.find(id);
    if (it != m_timers.end()) {
        it->second->stop();
    }
}

bool QtTimers::IsTimerRunning(int id) const {
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}
