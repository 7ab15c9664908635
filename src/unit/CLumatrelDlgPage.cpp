#include "unit/CLumatrelDlg.h"

#include "platform/Format.h"
#include "platform/Prompter.h"
#include "protocol/Numbers.h"

#include <cstddef>

namespace {

// The range message names its bounds by number, as the framework's message did.
std::string RangeMessage(std::int32_t low, std::int32_t high) {
    std::string text = "Enter an integer between %1 and %2.";
    const std::size_t one = text.find("%1");
    text.replace(one, 2, std::to_string(low));
    const std::size_t two = text.find("%2");
    text.replace(two, 2, std::to_string(high));
    return text;
}

} // namespace

void CLumatrelDlg::ReadProgramVersion() {
    // The build stamps the project's version into the core; without it the start line shows
    // zeros and the missing-version marker.
#if defined(LUMATREL_VERSION_MAJOR) && defined(LUMATREL_VERSION_MINOR) &&                          \
    defined(LUMATREL_VERSION_PATCH)
    VersionMajor = LUMATREL_VERSION_MAJOR;
    VersionMinor = LUMATREL_VERSION_MINOR;
    VersionBuild = LUMATREL_VERSION_PATCH;
    VersionMissing = 0;
#else
    VersionMajor = 0;
    VersionMinor = 0;
    VersionBuild = 0;
    VersionMissing = 1;
#endif
}

std::string CLumatrelDlg::AboutVersionLine() {
#if defined(LUMATREL_VERSION_MAJOR) && defined(LUMATREL_VERSION_MINOR) &&                          \
    defined(LUMATREL_VERSION_PATCH)
    return Format("Lumatrel Version (64bit) = %d.%d.%d", LUMATREL_VERSION_MAJOR,
                  LUMATREL_VERSION_MINOR, LUMATREL_VERSION_PATCH);
#else
    return Format("Lumatrel Version (64bit) = %d.%d.%d", 0, 0, 0);
#endif
}

int CLumatrelDlg::OnInitDialog() {
    // The members' defaults replace the window's resource texts at once.
    ShowEntries();
    IsM35 = false;
    // The monitoring buttons and items, the interface and the assignment mode as the members
    // stand.
    Controls.MonitorChecked = {MonitorTemperature != 0, MonitorVoltage != 0, MonitorError != 0};
    Controls.Toolbar = UnitPageToolbar();
    ShowMonitorImages(Controls.Toolbar, MonitorTemperature != 0, MonitorVoltage != 0,
                      MonitorError != 0);
    Controls.TcpChecked = SelectedIf == "TCP";
    Controls.Rs232Checked = !Controls.TcpChecked;
    Controls.ManualAssignmentChecked = ChannelAssignment == 1;
    Controls.AutomaticAssignmentChecked = !Controls.ManualAssignmentChecked;
    ReadProgramVersion();

    if (PortRs232.empty()) {
        PortRs232 = "COM1";
    }
    Baudrate = 115200;
    if (IpAdr.empty()) {
        IpAdr = DefaultDeviceAddress;
    }
    HostName = "";
    IpPort = 23;

    // A box already filled from the configuration keeps its history.
    CommandBoxControl& box = Controls.CommandBox;
    if (box.Entries.empty()) {
        for (const char* entry : {"VR", "IF", "ILA A", "ILB A", "LC 1", "LC 0"}) {
            box.AddSorted(entry);
        }
    }

    ModulesPerChannel = {};
    ModulesInUse = {};
    for (ChannelControls& channel : Controls.Channels) {
        channel.OnOff = false;
        channel.SetSliderRange(200, 1800);
        channel.SetSliderPos(200);
        channel.SliderTickStep = 5;
    }
    SliderScale = 1;
    CurrentSetpoint = {200, 200, 200, 200};
    OperatingMode = 1;

    RefreshModuleDisplay();
    AppendLog(Format("*** Start Lumatrel  *  Version %d.%d.%d.%d ***\n>> From menu chose an "
                     "interface and \"connect\" to begin.",
                     static_cast<int>(VersionMajor), static_cast<int>(VersionMinor),
                     static_cast<int>(VersionBuild), static_cast<int>(VersionMissing)),
              0);
    return 1;
}

bool CLumatrelDlg::ReadEntries() {
    Controls.FailedControl = 0;
    // The current boxes come first, A to D, so that a refused box leaves every later member
    // as it was.
    for (std::size_t c = 0; c < 4; ++c) {
        const int box =
            kChannelControlIds[c].Controls[static_cast<std::size_t>(PanelControl::CurrentEdit)];
        // The box is refused with its message and then gets the focus, whichever operation
        // read the entries.
        auto refuse = [&](const std::string& message) {
            Controls.FailedControl = box;
            m_services.prompter.ShowMessage(message, MessageIcon::Warning);
            if (m_view != nullptr) {
                m_view->FocusControl(box);
            }
            return false;
        };
        std::int32_t value = 0;
        if (!ParseWholeInteger(Controls.Channels[c].CurrentEdit, value)) {
            return refuse("Enter an integer.");
        }
        const std::int32_t low = ReadInteger(CurrentMinText[c]);
        const std::int32_t high = ReadInteger(CurrentMaxText[c]);
        if (value < low || value > high) {
            return refuse(RangeMessage(low, high));
        }
        CurrentSetpoint[c] = value;
    }
    for (std::size_t c = 0; c < 4; ++c) {
        const ChannelControls& channel = Controls.Channels[c];
        CurrentMinText[c] = channel.MinLabel;
        CurrentMaxText[c] = channel.MaxLabel;
        TemperatureText[c] = channel.Temperature;
        TesselTemperatureText[c] = channel.TesselTemperature;
        VoltageText[c] = channel.Voltage;
    }
    InputVoltageText = Controls.InputVoltage;
    AnalogVoltageText = Controls.AnalogVoltage;
    LastErrorText = Controls.LastError;
    LogFileText = Controls.LogFileText;
    LastLogText = Controls.LastLog;
    DeviceIdText = Controls.DeviceId;
    SerNrText = Controls.SerNr;
    FirmwareText = Controls.Firmware;
    InterfaceText = Controls.Interface;
    StatusText = Controls.Status;
    OperatingModeText = Controls.OperatingMode;
    return true;
}
