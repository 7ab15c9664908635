#pragma once

#include <array>
#include <cstdint>

// The four operating modes of an RKM5 unit as the "Operating Mode" menu offers them, in the
// menu's order. The questions keep their differing blanks before the question mark.
struct OperatingModeItem {
    const char* MenuText;
    const char* Question;
    const char* ModeText;
    std::int32_t Mode;
};

inline constexpr std::array<OperatingModeItem, 4> kOperatingModeItems = {{
    {"&Command-Mode", "Do you really want to change RKM5 operating mode to Command Mode ?",
     "command mode", 1},
    {"Bulb-Mode", "Do you really want to change RKM5 operating mode to Bulb Mode ?", "bulb mode",
     0},
    {"PWM Controlled", "Do you really want to change RKM5 operating mode to Mode PWM Controlled ?",
     "PWM controlled", 2},
    {"Analog Controlled",
     "Do you really want to change RKM5 operating mode to Mode Analog Controlled?",
     "analog controlled", 3},
}};

// The menu item of a mode number; any number but 0, 2 and 3 stands for command mode.
inline const OperatingModeItem& OperatingModeItemFor(std::int32_t mode) {
    for (const OperatingModeItem& item : kOperatingModeItems) {
        if (item.Mode == mode) {
            return item;
        }
    }
    return kOperatingModeItems[0];
}
