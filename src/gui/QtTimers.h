#pragma once

#include "platform/TimerHost.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <memory>

// A page's timers on QTimer; ticks arrive through the Qt event loop.
class QtTimers : public TimerHost {
public:
    explicit QtTimers(std::function<void(int)> onTick) : m_onTick(std::move(onTick)) {}
    void StartTimer(int id, int intervalMs) override;
    void StopTimer(int id) override;
    bool IsTimerRunning(int id) const override;

private:
    std::function<void(int)> m_onTick;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
};

class QtTimerFactory : public TimerFactory {
public:
    std::unique_ptr<TimerHost> CreateTimers(std::function<void(int id)> onTick) override {
        return std::make_unique<QtTimers>(std::move(onTick));
    }
};
