#pragma once

#include "unit/PageMenu.h"

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// The controls of one channel column, in the order the column lists them. The group box is
// not among them: it stays shown when the column's controls are hidden.
enum class PanelControl : std::size_t {
    OnOff,
    CurrentLabel,
    CurrentEdit,
    Apply,
    Slider,
    MinLabel,
    MaxLabel,
    ControllerLabel,
    TesselLabel,
    TemperatureLabel,
    Temperature,
    TesselTemperature,
    VoltageLabel,
    Voltage,
};
inline constexpr std::size_t kPanelControlCount = 14;

// The numbers of a channel column's controls, for a front end that addresses them by number.
struct ChannelControlIds {
    int GroupBox;
    std::array<int, kPanelControlCount> Controls; // indexed by PanelControl
};
inline constexpr std::array<ChannelControlIds, 4> kChannelControlIds = {{
    {1082, {1009, 1052, 1005, 1040, 1002, 1080, 1081, 1099, 1100, 1027, 1025, 1057, 1026, 1023}},
    {1083, {1017, 1053, 1006, 1049, 1001, 1084, 1085, 1101, 1104, 1031, 1030, 1067, 1029, 1028}},
    {1086, {1011, 1054, 1008, 1050, 1003, 1087, 1088, 1102, 1105, 1035, 1034, 1068, 1033, 1032}},
    {1089, {1012, 1055, 1007, 1051, 1004, 1090, 1091, 1103, 1106, 1039, 1038, 1069, 1037, 1036}},
}};

// The numbers of the unit-wide controls.
namespace PageControlId {
inline constexpr int LogList = 1000;
inline constexpr int ClearLog = 1107;
inline constexpr int SaveLog = 1010;
inline constexpr int CommandBox = 1013;
inline constexpr int Send = 1014;
inline constexpr int LogFileText = 1015;
inline constexpr int LastLog = 1019;
inline constexpr int OperatingMode = 1022;
inline constexpr int InputVoltage = 1041;
inline constexpr int LastError = 1042;
inline constexpr int Status = 1056;
inline constexpr int Interface = 1060;
inline constexpr int DeviceId = 1062;
inline constexpr int SerNr = 1066;
inline constexpr int AnalogVoltage = 1070;
inline constexpr int Firmware = 1073;
} // namespace PageControlId

// The fixed texts of the page's labels, the same on every page.
namespace PageLabels {
inline constexpr const char* OnOff = "on/off";
inline constexpr const char* Current = "Current/mA";
inline constexpr const char* Apply = "apply";
inline constexpr const char* Controller = "Controller";
inline constexpr const char* Tessel = "Tessel";
inline constexpr const char* Temperature = "Temperature/°C";
inline constexpr const char* LedVoltage = "LED voltage/mV";
inline constexpr const char* InputVoltage = "Input voltage / mV";
inline constexpr const char* AnalogVoltage = "External analog voltage/ mV";
inline constexpr const char* LastError = "Last error code";
inline constexpr const char* EnterCommand = "Enter RKM5-Command";
inline constexpr const char* Send = "Send";
inline constexpr const char* LogWindow = "Log window ";
inline constexpr const char* ClearLog = "clear";
inline constexpr const char* SaveLog = "save";
inline constexpr const char* DeviceIdGroup = "Device-ID";
inline constexpr const char* DeviceInfoGroup = "Device Info";
inline constexpr const char* SerNr = "S/N";
inline constexpr const char* Firmware = "FW-Rel.";
inline constexpr const char* ConnectionGroup = "Connection status";
inline constexpr const char* Interface = "Interf";
inline constexpr const char* Status = "Status";
inline constexpr const char* OperatingModeGroup = "Operating Mode";
inline constexpr std::array<const char*, 4> ChannelCaptions = {
    "Channel A (X8)", "Channel B (X9)", "Channel C (X10)", "Channel D (X11)"};
} // namespace PageLabels

// What one channel column of a unit page shows.
struct ChannelControls {
    std::string Caption; // the group box
    bool GroupVisible = true;
    std::array<bool, kPanelControlCount> Visible = {true, true, true, true, true, true, true,
                                                    true, true, true, true, true, true, true};
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

    // Enable states, indexed by PanelControl; monitoring enables and disables the reading
    // boxes it fills.
    std::array<bool, kPanelControlCount> Enabled = {true, true, true, true, true, true, true,
                                                    true, true, true, true, true, true, true};
    bool IsEnabled(PanelControl control) const {
        return Enabled[static_cast<std::size_t>(control)];
    }
    void SetEnabled(PanelControl control, bool enabled) {
        Enabled[static_cast<std::size_t>(control)] = enabled;
    }

    bool IsVisible(PanelControl control) const {
        return Visible[static_cast<std::size_t>(control)];
    }
    void SetVisible(PanelControl control, bool visible) {
        Visible[static_cast<std::size_t>(control)] = visible;
    }
    void SetAllVisible(bool visible) { Visible.fill(visible); }

    // Like a slider control, the position always stays within the range.
    void SetSliderPos(int position) {
        SliderPos = position < SliderMin ? SliderMin : position > SliderMax ? SliderMax : position;
    }
    void SetSliderRange(int low, int high) {
        SliderMin = low;
        SliderMax = high < low ? low : high;
        SetSliderPos(SliderPos);
    }
};

// An editable drop-down box: the text in its edit field and its list.
struct CommandBoxControl {
    std::string Text;
    std::vector<std::string> Entries;
    int Selection = -1;

    // Adds an entry at its alphabetical place (letter case ignored), after equal ones, as a
    // sorted box does; returns its index.
    int AddSorted(const std::string& entry) {
        auto lessNoCase = [](const std::string& a, const std::string& b) {
            const std::size_t n = a.size() < b.size() ? a.size() : b.size();
            for (std::size_t i = 0; i < n; ++i) {
                const char x = Lower(a[i]);
                const char y = Lower(b[i]);
                if (x != y) {
                    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
                }
            }
            return a.size() < b.size();
        };
        std::size_t at = 0;
        while (at < Entries.size() && !lessNoCase(entry, Entries[at])) {
            ++at;
        }
        Entries.insert(Entries.begin() + static_cast<std::ptrdiff_t>(at), entry);
        return static_cast<int>(at);
    }

private:
    static char Lower(char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
};

// The state of a unit page's controls: a window draws it and writes what the person typed or
// clicked back into it.
struct PageControls {
    PageControls() {
        for (std::size_t c = 0; c < Channels.size(); ++c) {
            Channels[c].Caption = PageLabels::ChannelCaptions[c];
        }
    }

    std::array<ChannelControls, 4> Channels;
    std::string InputVoltage;
    std::string AnalogVoltage;
    std::string LastError;
    // Enable states of the unit-wide reading boxes, switched with their monitoring.
    bool InputVoltageEnabled = true;
    bool AnalogVoltageEnabled = true;
    bool LastErrorEnabled = true;
    std::string LogFileText;
    std::string DeviceId = "1";
    std::string SerNr;
    std::string Firmware;
    std::string Interface = "--";
    std::string Status;
    // The window's resource text, until the members are first shown.
    std::string OperatingMode = "Statisch";
    std::string LastLog;
    std::vector<std::string> LogEntries;
    int LogSelection = -1;

    // The log list and its one-line stand-in: one of the two is shown.
    bool LogListVisible = true;
    bool LastLogVisible = false;
    bool ClearLogVisible = false;
    bool SaveLogVisible = false;
    // The command line: label, box and "Send".
    bool CommandLineVisible = true;
    CommandBoxControl CommandBox;

    // The box that failed the last read-back of the entries, for the window to focus; 0 when
    // the read-back succeeded.
    int FailedControl = 0;

    // --- Channel control, operating modes, log window (unit page operations)
    // Check marks of the "Operating Mode" menu's items, indexed by the mode's number:
    // 0 "Bulb-Mode", 1 "&Command-Mode", 2 "PWM Controlled", 3 "Analog Controlled".
    std::array<bool, 4> OperatingModeChecked = {false, false, false, false};
    // The check mark of the menu item "Hide log window".
    bool HideLogWindowChecked = false;
    // --- end channel control, operating modes, log window

    // --- Menus, toolbar and keys (unit page)
    // Check marks of the Interface, Channels and Monitor menus; the toggles read them as the
    // present state. MonitorChecked: "Temperature", "Voltage", "Error".
    bool TcpChecked = false;
    bool Rs232Checked = true;
    bool AutomaticAssignmentChecked = true;
    bool ManualAssignmentChecked = false;
    std::array<bool, 3> MonitorChecked = {true, true, true};
    // The module view greys "Connect\tCtrl+C" and "Disconnect\tCtrl+D", and on its own
    // "Use manual channel assignment"; the page itself never greys an item.
    bool ConnectItemsEnabled = true;
    bool ManualAssignmentEnabled = true;
    // The buttons with their present images (UnitToolbarImage) and tooltips.
    UnitToolbar Toolbar = UnitPageToolbar();
    // --- end menus, toolbar and keys
};
