#pragma once

#include "platform/TimerHost.h"

#include <memory>
#include <set>

// Timers for runs without an event loop: they remember what was started and never tick.
class IdleTimers : public TimerHost {
public:
    void StartTimer(int id, int) override { m_running.insert(id); }
    void StopTimer(int id) override { m_running.erase(id); }
    bool IsTimerRunning(int id) const override { return m_running.count(id) != 0; }

private:
    std::set<int> m_running;
};

class IdleTimerFactory : public TimerFactory {
public:
    std::unique_ptr<TimerHost> CreateTimers(std::function<void(int)>) override {
        return std::make_unique<IdleTimers>();
    }
};
