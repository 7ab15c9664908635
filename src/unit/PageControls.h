#pragma once

#include <array>
#include <string>
#include <vector>

// What one channel column of a unit page shows.
struct ChannelControls {
    bool OnOff = false;
    std::string CurrentEdit = "200";
    int SliderMin = 200;
    int SliderMax = 1800;
    int SliderPos = 200;
    int SliderTickStep = 5;
    std::string MinLabel = "200";
    std::string MaxLabel = "1800mA";
    std::string Temperature;
    std::string TesselTemperature;
    std::string Voltage;
};

// The state of a unit page's controls: a window draws it and writes what the person typed or
// clicked back into it.
struct PageControls {
    std::array<ChannelControls, 4> Channels;
    std::string InputVoltage;
    std::string AnalogVoltage;
    std::string LastError;
    std::string LogFileText;
    std::string DeviceId = "1";
    std::string SerNr;
    std::string Firmware;
    std::string Interface = "--";
    std::string Status;
    std::string OperatingMode;
    std::string LastLog;
    std::vector<std::string> LogEntries;
    int LogSelection = -1;
};
