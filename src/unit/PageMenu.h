#pragma once

#include "platform/Menus.h"

#include <array>
#include <cstddef>

// The commands of a unit page's menu bar and toolbar.
enum class UnitCommand {
    None, // the tenth toolbar button, which does nothing
    Connect,
    Disconnect,
    SelectTcp,
    SelectRs232,
    Configure,
    SaveLog,
    ClearLog,
    RunCommandFile,
    HideLog,
    AutomaticAssignment,
    ManualAssignment,
    ChannelMapConfiguration,
    AllChannelsOn,
    AllChannelsOff,
    CommandMode,
    BulbMode,
    PwmMode,
    AnalogMode,
    MonitorTemperature,
    MonitorVoltage,
    MonitorError,
};

// The images of a unit page's toolbar buttons; the front end maps each to its picture.
// Connect, Disconnect and the grey image keep the bitmap numbers the module view names.
namespace UnitToolbarImage {
inline constexpr int Connect = 212;
inline constexpr int Disconnect = 214;
inline constexpr int Grey = 240;
inline constexpr int AllChannelsOn = 1001;
inline constexpr int AllChannelsOff = 1002;
inline constexpr int ClearLog = 1003;
inline constexpr int SaveLog = 1004;
inline constexpr int TemperatureOn = 1005;
inline constexpr int TemperatureOff = 1006;
inline constexpr int VoltageOn = 1007;
inline constexpr int VoltageOff = 1008;
inline constexpr int ErrorOn = 1009;
inline constexpr int ErrorOff = 1010;
inline constexpr int Blank = 1011;
} // namespace UnitToolbarImage

inline constexpr std::size_t kUnitToolbarButtons = 10;
using UnitMenuBar = MenuBar<UnitCommand>;
using UnitToolbar = std::array<ToolbarButton<UnitCommand>, kUnitToolbarButtons>;

// The unit page's menu bar without its check marks and enable states, which live in the
// page's control state (CLumatrelDlg::MenuBarState gives the bar with them).
inline UnitMenuBar UnitPageMenu() {
    using C = UnitCommand;
    auto item = [](C id, const char* text) { return MenuItem<C>{id, text, false, false, true}; };
    const MenuItem<C> separator{C::None, "", true, false, true};
    UnitMenuBar bar;
    bar.Menus = {
        {"Interface",
         {item(C::Connect, "Connect\tCtrl+C"), item(C::Disconnect, "Disconnect\tCtrl+D"), separator,
          item(C::SelectTcp, "TCP/IP"), item(C::SelectRs232, "RS232/USB/RS485"), separator,
          item(C::Configure, "Configure")}},
        {"Log",
         {item(C::SaveLog, "Save log window to file"), item(C::ClearLog, "Clear log window"),
          separator, item(C::RunCommandFile, "Run command sequence from file"), separator,
          item(C::HideLog, "Hide log window")}},
        {"Channels",
         {item(C::AutomaticAssignment, "Use automatic channel assignment"),
          item(C::ManualAssignment, "Use manual channel assignment"),
          item(C::ChannelMapConfiguration, "Manual channel assignment configuration"), separator,
          item(C::AllChannelsOn, "All channels On\tF5"),
          item(C::AllChannelsOff, "All channels Off\tF6")}},
        {"Operating Mode",
         {item(C::CommandMode, "&Command-Mode"), item(C::BulbMode, "Bulb-Mode"),
          item(C::PwmMode, "PWM Controlled"), item(C::AnalogMode, "Analog Controlled")}},
        {"Monitor",
         {item(C::MonitorTemperature, "Temperature"), item(C::MonitorVoltage, "Voltage"),
          item(C::MonitorError, "Error")}},
    };
    return bar;
}

// The toolbar of a new page, with every button's normal image.
inline UnitToolbar UnitPageToolbar() {
    using C = UnitCommand;
    namespace I = UnitToolbarImage;
    return {{
        {C::Connect, I::Connect, "Connect"},
        {C::Disconnect, I::Disconnect, "Disconnect"},
        {C::AllChannelsOn, I::AllChannelsOn, "All channels On"},
        {C::AllChannelsOff, I::AllChannelsOff, "All channels Off"},
        {C::ClearLog, I::ClearLog, "Clear Log Window"},
        {C::SaveLog, I::SaveLog, "Save log window to file"},
        {C::MonitorTemperature, I::TemperatureOn, "Temperature monitoring on/off"},
        {C::MonitorVoltage, I::VoltageOn, "Voltage monitoring on/off"},
        {C::MonitorError, I::ErrorOn, "Error monitoring on/off"},
        {C::None, I::Blank, ""},
    }};
}

// Buttons 6 to 8 show the on or the off image of their monitoring switch.
inline void ShowMonitorImages(UnitToolbar& toolbar, bool temperature, bool voltage, bool error) {
    namespace I = UnitToolbarImage;
    toolbar[6].Image = temperature ? I::TemperatureOn : I::TemperatureOff;
    toolbar[7].Image = voltage ? I::VoltageOn : I::VoltageOff;
    toolbar[8].Image = error ? I::ErrorOn : I::ErrorOff;
}
