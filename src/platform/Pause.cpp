#include "platform/Pause.h"

#include <chrono>
#include <thread>

void SleepPause::Wait(int milliseconds) {
    if (milliseconds > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

Pause& DefaultPause() {
    static SleepPause pause;
    return pause;
}
