#pragma once

#include <functional>
#include <memory>

// The repeating timers of one owner, by id. Ticks arrive on the user-interface thread
// through the callback given to the factory.
class TimerHost {
public:
    virtual ~TimerHost() = default;
    virtual void StartTimer(int id, int intervalMs) = 0;
    virtual void StopTimer(int id) = 0;
    virtual bool IsTimerRunning(int id) const = 0;
};

class TimerFactory {
public:
    virtual ~TimerFactory() = default;
    virtual std::unique_ptr<TimerHost> CreateTimers(std::function<void(int id)> onTick) = 0;
};
