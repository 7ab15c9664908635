#pragma once

#include <cstdint>

class NetworkAdapterSource;
class Pause;
class Prompter;
class SetupDialogRunner;
class TimerFactory;

// What a unit page is given for everything that waits on the person, the clock or the
// network around it.
struct UnitServices {
    Prompter& prompter;
    Pause& pause;
    TimerFactory& timers;
    SetupDialogRunner& dialogs;
    NetworkAdapterSource& adapters;
    // The port the units' discovery answers on; tests give each run its own.
    std::uint16_t discoveryPort = 30303;
};
