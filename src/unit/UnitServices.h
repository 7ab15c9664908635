#pragma once

class Prompter;
class Pause;
class TimerFactory;

// What a unit page is given for everything that waits on the person or the clock.
struct UnitServices {
    Prompter& prompter;
    Pause& pause;
    TimerFactory& timers;
};
