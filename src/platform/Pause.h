#pragma once

// The fixed waits of the operations (around connections, when a session closes), so that
// tests can run them in no time.
class Pause {
public:
    virtual ~Pause() = default;
    virtual void Wait(int milliseconds) = 0;
};

// Sleeps for real.
class SleepPause : public Pause {
public:
    void Wait(int milliseconds) override;
};

// The process's own sleeping pause, for callers that are given none.
Pause& DefaultPause();
