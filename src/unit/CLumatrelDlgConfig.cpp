#include "unit/CLumatrelDlg.h"

#include "platform/Format.h"
#include "platform/IniFile.h"
#include "platform/ProfilePaths.h"
#include "platform/Prompter.h"
#include "platform/Trace.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>

// A unit's part of a configuration file: its interface settings, its command lines and the
// modules on each channel.

namespace {

constexpr const char* kNoSerialNumber = CLumatrelDlg::NoSerialNumberText;
// The longest module a channel can drive spans all four channels.
constexpr std::int32_t kMaxModulesPerChannel = 4;
constexpr const char* kNoInterface = "no connection selected";
constexpr std::array<const char*, 4> kChannelKeys = {"channel_A", "channel_B", "channel_C",
                                                     "channel_D"};

bool IsBlankOrQuote(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '"' || c == '\'';
}

// A text value as the file can hold it: only its first line (a line end would start a key
// of its own), and in quotes when blanks or quotes at its ends would be lost on reading.
std::string FileText(std::string_view value) {
    value = value.substr(0, value.find_first_of("\r\n"));
    if (!value.empty() && (IsBlankOrQuote(value.front()) || IsBlankOrQuote(value.back()))) {
        std::string quoted;
        quoted.reserve(value.size() + 2);
        quoted.append(1, '"').append(value).append(1, '"');
        return quoted;
    }
    return std::string(value);
}

// "On" sets a monitoring switch, "Off" clears it, anything else leaves it alone.
void ReadSwitch(const IniFile& file, const std::string& section, const char* key,
                std::int32_t& flag) {
    const std::string value = file.ReadString(section, key, "On");
    if (value == "On") {
        flag = 1;
    } else if (value == "Off") {
        flag = 0;
    }
}

const char* SwitchText(std::int32_t flag) {
    return flag != 0 ? "On" : "Off";
}

// A key that opens a section leaves an empty line after it.
std::string Last(std::string value, bool isNew) {
    if (isNew) {
        value += '\n';
    }
    return value;
}

} // namespace

std::string CLumatrelDlg::InterfaceSection(int n) {
    return Format("interface_Rkm5_%d", n);
}

std::string CLumatrelDlg::CommandListSection(int n) {
    return Format("CommandList_Rkm5_%d", n);
}

std::string CLumatrelDlg::ChannelMapSection(int n) {
    return Format("channelMap_Rkm5_%d", n);
}

std::string CLumatrelDlg::ConfigurationFolderPath() const {
    return m_services.configurationFolder.empty() ? ConfigurationFolder()
                                                  : m_services.configurationFolder;
}

std::int32_t CLumatrelDlg::ReadIntInRange(const IniFile& file, const std::string& section,
                                          const char* key, std::int32_t defaultValue,
                                          std::int32_t low, std::int32_t high) {
    std::string refusal;
    const std::int32_t value = file.ReadInt(section, key, defaultValue, low, high, refusal);
    if (!refusal.empty()) {
        m_services.prompter.ShowMessage(refusal);
    }
    return value;
}

void CLumatrelDlg::ReadInterfaceSettings(int n, const IniFile& file) {
    const std::string section = InterfaceSection(n);
    ReadSwitch(file, section, "MonitorTemperature", MonitorTemperature);
    ReadSwitch(file, section, "MonitorVoltage", MonitorVoltage);
    ReadSwitch(file, section, "MonitorError", MonitorError);
    OperatingMode = ReadIntInRange(file, section, "OperatingMode", 1, 0, 3);
    ShowEntries();

    SelectedIf = file.ReadString(section, "UsedIf", "");
    if (SelectedIf == kNoInterface) {
        SelectedIf = "RS232";
    }
    UsedIf = SelectedIf;
    PortRs232 = file.ReadString(section, "portRS232", "");
    // A rate the serial line does not offer is its open's to report; one below 1 is none.
    Baudrate = ReadIntInRange(file, section, "baudrate", 115200, 1,
                              std::numeric_limits<std::int32_t>::max());
    IpAdr = file.ReadString(section, "IpAdr", "");
    ManualIp = file.ReadInt(section, "manualIp", 0) != 0;
    Trace(Format("ip aus inifile:%s,%x", IpAdr.c_str(), static_cast<unsigned>(ManualIp)));
    IpPort = ReadIntInRange(file, section, "IpPort", 23, 1, 65535);
    SerNr = file.ReadString(section, "SerNr", "");
    if (SerNr == kNoSerialNumber) {
        SerNr.clear();
    }
    ChannelAssignment = ReadIntInRange(file, section, "ChannelAssignment", 0, 0, 1);
}

void CLumatrelDlg::ReadCommandList(int n, const IniFile& file) {
    const std::string section = CommandListSection(n);
    CommandBoxControl& box = Controls.CommandBox;
    box.Entries.clear();
    box.Selection = -1;
    // No file of ours holds more lines; a larger count in a damaged file would only add
    // empty entries.
    const int count = std::min(file.ReadInt(section, "count", 0), kMaxSavedCommandLines);
    for (int i = 0; i < count; ++i) {
        box.AddSorted(file.ReadString(section, Format("Line_%d", i), ""));
    }
}

void CLumatrelDlg::ReadChannelMap(int n, const IniFile& file) {
    const std::string section = ChannelMapSection(n);
    for (std::size_t c = 0; c < kChannelKeys.size(); ++c) {
        ModulesPerChannel[c] =
            ReadIntInRange(file, section, kChannelKeys[c], 0, 0, kMaxModulesPerChannel);
    }
}

void CLumatrelDlg::WriteInterfaceSettings(int n, IniFile& file, bool isNew) {
    // A current box that does not read back has told the operator so; the settings written
    // here are not among the boxes and are saved all the same.
    (void)ReadEntries();
    if (SerNr.empty()) {
        SerNr = kNoSerialNumber;
    }
    if (UsedIf.empty()) {
        UsedIf = kNoInterface;
    }
    const std::string section = InterfaceSection(n);
    file.WriteString(section, "MonitorTemperature", SwitchText(MonitorTemperature));
    file.WriteString(section, "MonitorVoltage", SwitchText(MonitorVoltage));
    file.WriteString(section, "MonitorError", SwitchText(MonitorError));
    file.WriteString(section, "SerNr", FileText(SerNr));
    file.WriteString(section, "UsedIf", FileText(UsedIf));
    file.WriteInt(section, "ChannelAssignment", ChannelAssignment);
    file.WriteInt(section, "OperatingMode", OperatingMode);
    file.WriteString(section, "portRS232", FileText(PortRs232));
    file.WriteInt(section, "baudrate", Baudrate);
    file.WriteString(section, "IpAdr", FileText(IpAdr));
    file.WriteInt(section, "IpPort", IpPort);
    file.WriteString(section, "manualIp", Last(ManualIp ? "1" : "0", isNew));
}

void CLumatrelDlg::WriteCommandList(int n, IniFile& file, bool isNew) {
    const std::string section = CommandListSection(n);
    const std::vector<std::string>& entries = Controls.CommandBox.Entries;
    const int count =
        static_cast<int>(std::min(entries.size(), static_cast<std::size_t>(kMaxSavedCommandLines)));
    file.WriteInt(section, "count", count);
    for (int i = 0; i < count; ++i) {
        file.WriteString(
            section, Format("Line_%d", i),
            Last(FileText(entries[static_cast<std::size_t>(i)]), isNew && i == count - 1));
    }
}

void CLumatrelDlg::WriteChannelMap(int n, IniFile& file, bool isNew) {
    const std::string section = ChannelMapSection(n);
    for (std::size_t c = 0; c < kChannelKeys.size(); ++c) {
        file.WriteString(
            section, kChannelKeys[c],
            Last(std::to_string(ModulesPerChannel[c]), isNew && c + 1 == kChannelKeys.size()));
    }
}
