#pragma once

#include "platform/LocalTime.h"

#include <cstdint>
#include <string>

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
    // The per-user profile that remembers the last log file name; empty means the user's own
    // (UserProfilePath), tests point it into a folder of their own.
    std::string profilePath = {};
    // The local time that stamps log file headers and command file runs.
    LocalClock clock = SystemLocalTime;
    // The folder of the configuration files and LastConfig.ini, with a trailing '/'; empty
    // means the one the environment names (ConfigurationFolder), tests point it into a folder
    // of their own.
    std::string configurationFolder = {};
};
