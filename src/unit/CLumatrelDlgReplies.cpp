#include "unit/CLumatrelDlg.h"

#include "platform/Format.h"
#include "protocol/NextToken.h"
#include "protocol/Numbers.h"
#include "protocol/Readings.h"
#include "protocol/ReplyParts.h"
#include "protocol/StatusCodes.h"
#include "system/CTabDlg.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace {

// The first argument of every summary and status line is a text; the formats stay verbatim.
std::string Line(const char* format, const std::string& text) {
    return Format(format, text.c_str());
}

// Splits off the status part and logs its code, except for Vantelmark replies, whose
// status part is text of their own.
ReplyParts TakeStatusPart(CLumatrelDlg& page, const std::string& reply, int target) {
    ReplyParts parts = SplitReplyStatus(reply);
    if (parts.HasStatus && !BeginsWithVantelmark(reply)) {
        page.AppendLog(Line("++ Error: %s", StatusCodeText(StatusPartCode(parts.StatusPart))),
                       target);
    }
    return parts;
}

// Moves a channel's slider to its set-point; the slider keeps it within its range.
void MoveSlider(CLumatrelDlg& page, std::size_t channel) {
    const std::int32_t scale = page.SliderScale > 0 ? page.SliderScale : 1;
    page.Controls.Channels[channel].SetSliderPos(page.CurrentSetpoint[channel] / scale);
}

// Four readings "controller-Tessel", comma-separated, channels A to D.
void TakeTemperatures(CLumatrelDlg& page, const std::string& head, std::int32_t& position) {
    std::array<std::string, 4> groups;
    for (std::string& group : groups) {
        group = NextToken(head, ",", position);
    }
    for (std::size_t c = 0; c < 4; ++c) {
        TemperaturePair pair = SplitTemperatureGroup(groups[c]);
        page.TemperatureText[c] = std::move(pair.Controller);
        page.TesselTemperatureText[c] = std::move(pair.Tessel);
    }
}

// Input voltage, analog voltage, then the four LED voltage readings converted to mV.
void TakeVoltages(CLumatrelDlg& page, const std::string& head, std::int32_t& position) {
    page.InputVoltageText = NextToken(head, ",", position);
    page.AnalogVoltageText = NextToken(head, ",", position);
    for (std::size_t c = 0; c < 4; ++c) {
        page.VoltageText[c] =
            Format("%d", static_cast<int>(LedMillivolts(NextToken(head, ",", position))));
    }
}

// The four currents of a list reply; on an M35 unit channel A drives the whole module, so
// it takes the largest.
void TakeCurrentList(CLumatrelDlg& page, const std::array<std::string, 4>& values) {
    for (std::size_t c = 0; c < 4; ++c) {
        page.CurrentSetpoint[c] = ReadInteger(values[c]);
    }
    if (page.IsM35) {
        page.CurrentSetpoint[0] =
            *std::max_element(page.CurrentSetpoint.begin(), page.CurrentSetpoint.end());
    }
    for (std::size_t c = 0; c < 4; ++c) {
        MoveSlider(page, c);
    }
}

// Channel letters read back from a reply: E to H name the same channels as A to D.
std::optional<std::size_t> ReplyChannel(const std::string& letter) {
    static constexpr const char* kLetters[] = {"A", "B", "C", "D", "E", "F", "G", "H"};
    for (std::size_t i = 0; i < 8; ++i) {
        if (letter == kLetters[i]) {
            return i % 4;
        }
    }
    return std::nullopt;
}

// Module queries name their channel with A to D only.
std::optional<std::size_t> QueryChannel(const std::string& letter) {
    if (letter.size() == 1 && letter[0] >= 'A' && letter[0] <= 'D') {
        return static_cast<std::size_t>(letter[0] - 'A');
    }
    return std::nullopt;
}

std::string InterpretModuleInfo(CLumatrelDlg& page, const std::string& head, std::int32_t& position,
                                const std::string& command, int target) {
    std::int32_t commandPosition = 0;
    const std::string query = NextToken(command, " ", commandPosition);
    const std::optional<std::size_t> channel =
        QueryChannel(NextToken(command, " ", commandPosition));

    if (query == "ILA") {
        const std::string summary = Line("Tessel EEPROM-Info part A: %s", head);
        if (!channel) {
            page.AppendLog("Cannot find Channel Adddres to map NumOfChannels", target);
            return summary;
        }
        const std::size_t c = *channel;
        const std::string old = page.TesselSerNrText[c];
        page.TesselSerNrText[c] = NextToken(head, ",", position);
        if (position == -1) {
            page.ModulesInUse[c] = 0;
        } else {
            std::string& serial = page.TesselSerNrText[c];
            serial.erase(0, std::min(serial.find_first_not_of('0'), serial.size()));
            page.ModuleCountText[c] = NextToken(head, ",", position);
            page.ModulesInUse[c] = ReadInteger(page.ModuleCountText[c]);
        }
        if (page.TesselSerNrText[c] != old && !old.empty()) {
            page.ChangeModuleKey(old, page.TesselSerNrText[c]);
        }
        return summary;
    }
    if (query == "ILB") {
        if (channel) {
            const std::size_t c = *channel;
            const std::string old = page.CurrentMaxText[c];
            page.CurrentMaxText[c] = NextToken(head, ",", position);
            if (position > 0) {
                page.CurrentMinText[c] = NextToken(head, ",", position);
                page.CurrentMaxText[c] += "mA";
            } else {
                page.CurrentMaxText[c] = old;
            }
            page.ShowEntries();
        }
        return Line("Tessel II EEPROM-Info part B: %s", head);
    }
    if (query == "ILC") {
        if (channel) {
            // The values start behind the three characters "il ".
            position = 3;
            std::array<std::int32_t, 5>& info = page.TesselInfoC[*channel];
            info[0] = ReadInteger(NextToken(head, ",", position));
            for (std::size_t k = 1; k < 5 && position > 0; ++k) {
                info[k] = ReadInteger(NextToken(head, ",", position));
            }
        }
        return Line("Tessel II EEPROM-Info part C: %s", head);
    }
    return "Wrong Command";
}

std::string InterpretCurrents(CLumatrelDlg& page, const std::string& reply, const std::string& head,
                              std::int32_t& position, const std::string& command) {
    std::string summary;
    if (command == "IY") {
        summary = Line("actual values of current for channel A B C D read: %s", reply);
        std::int32_t listPosition = 0;
        NextToken(head, " ", listPosition);
        std::array<std::string, 4> values;
        for (std::string& value : values) {
            if (listPosition == -1) {
                break;
            }
            value = NextToken(head, ",", listPosition);
        }
        TakeCurrentList(page, values);
    } else if (!command.empty() && command.back() == 'W') {
        summary = Line("Default value(s) of current set for channel(s): %s", reply);
    } else {
        summary = Line("Current setting value(s) updated according to: %s", reply);
        const std::string first = NextToken(head, " ,", position);
        if (const std::optional<std::size_t> channel = ReplyChannel(first)) {
            page.CurrentSetpoint[*channel] = ReadInteger(NextToken(head, " ", position));
            MoveSlider(page, *channel);
        } else {
            std::array<std::string, 4> values = {first, NextToken(head, ",", position), {}, {}};
            for (std::size_t k = 2; k < 4 && position != -1; ++k) {
                values[k] = NextToken(head, ",", position);
            }
            TakeCurrentList(page, values);
        }
    }
    page.ShowEntries();
    return summary;
}

std::string InterpretOperatingMode(CLumatrelDlg& page, const std::string& head,
                                   std::int32_t& position, const std::string& command, int target) {
    static constexpr const char* kModeNames[] = {"Bulb-Mode", "Commmand-Mode",
                                                 "PWM Controlled-Mode", "Analog Controlled-Mode"};
    const std::string mode = NextToken(head, " ", position);
    const char* name = "undefined";
    page.OperatingMode = 1;
    if (mode.size() == 1 && mode[0] >= '0' && mode[0] <= '3') {
        page.OperatingMode = mode[0] - '0';
        name = kModeNames[page.OperatingMode];
    }
    if (command == "MO") {
        // The page shows the mode the unit reports, so that what is on screen is what the
        // next saved configuration holds.
        page.ShowOperatingMode();
        return Format("Resp: %s, Current operation mode is: %s", head.c_str(), name);
    }
    page.AppendLog(Format("Operation mode set to: %s", name), target);
    return "New operation mode will come into effect after next power on!";
}

} // namespace

void CLumatrelDlg::InterpretReply(const std::string& reply, const std::string& command,
                                  int target) {
    const ReplyParts parts = TakeStatusPart(*this, reply, target);
    const std::string& head = parts.Head;
    std::int32_t position = 0;
    const std::string token = NextToken(head, " ", position);

    std::string summary;
    if (token.empty()) {
        summary = "Syntax: Command-Token not found";
    } else if (token == "vr") {
        const std::string major = NextToken(head, ",", position);
        const std::string minor = NextToken(head, ",", position);
        FirmwareText = Format("%s.%s", major.c_str(), minor.c_str());
        summary = Line("Firmware version reported: %s", head);
    } else if (token == "if") {
        if (command == "IF") {
            NextToken(head, ",", position);
            NextToken(head, ",", position);
            SerNrText = NextToken(head, ",", position);
        }
        summary = Line("Hardware Info: %s", head);
    } else if (token == "il") {
        summary = InterpretModuleInfo(*this, head, position, command, target);
    } else if (token == "te") {
        TakeTemperatures(*this, head, position);
        summary = Line("Temperatures values updatetd: %s", head);
    } else if (token == "vt") {
        TakeVoltages(*this, head, position);
        summary = Line("Voltages updated: %s", reply);
    } else if (token == "lc") {
        summary = Line("Switch LC on/off: %s", reply);
    } else if (token == "iy") {
        summary = InterpretCurrents(*this, reply, head, position, command);
    } else if (token == "id") {
        // Read from the head: a status part after the id is no part of it.
        DeviceIdText = NextToken(head, " ", position);
        ShowEntries();
        summary = Line("Device ID set: %s", reply);
    } else if (token == "mo") {
        summary = InterpretOperatingMode(*this, head, position, command, target);
    } else if (token == "sd") {
        summary = Line("Activate Shutdown Input: %s", reply);
    } else if (token == "fa") {
        summary = Line("Control Flags A: %s", reply);
    } else if (token == "fb") {
        summary = Line("Control Flags B: %s", reply);
    } else if (token == "fc") {
        summary = Line("Control Flags C: %s", reply);
    } else if (token == "st") {
        summary = Line("set temperature limits: %s", reply);
    } else if (token == "sv") {
        summary = Line("set voltage limits: %s", reply);
    } else if (token == "ip") {
        const std::string kind = NextToken(head, " ", position);
        const std::string address = NextToken(head, " ", position);
        summary = kind == "M"   ? Line("static IP-Address: %s", address)
                  : kind == "D" ? Line("DHCP IP-Address: %s", address)
                                : Line("IP-Address: %s", address);
    } else if (token == "er") {
        const std::int32_t code = ReadInteger(NextToken(head, " ", position));
        summary = Line(code == 0 ? "RKM5: %s" : "++ Error: %s", StatusCodeText(code));
    } else if (MentionsVantelmark(reply)) {
        summary = Format("** %s ** %s **", reply.c_str(), parts.StatusPart.c_str());
    } else {
        summary = Line("++ reponse starts with unknown token: %s", reply);
    }
    AppendLog(summary, target);
}

void CLumatrelDlg::InterpretTemperature(const std::string& reply) {
    const ReplyParts parts = TakeStatusPart(*this, reply, 0);
    std::int32_t position = 0;
    const std::string token = NextToken(parts.Head, " ", position);
    if (token.empty()) {
        AppendLog("++ Error: Invalid or no response from device", 0);
    } else if (token == "te") {
        TakeTemperatures(*this, parts.Head, position);
    } else if (MentionsVantelmark(parts.Head)) {
        AppendLog(Format("** %s ** %s **", parts.Head.c_str(), parts.StatusPart.c_str()), 0);
    } else {
        AppendLog(Line("Wrong response to TE command: %s", parts.Head), 0);
    }
}

void CLumatrelDlg::InterpretVoltage(const std::string& reply) {
    const ReplyParts parts = TakeStatusPart(*this, reply, 0);
    std::int32_t position = 0;
    const std::string token = NextToken(parts.Head, " ", position);
    if (token.empty()) {
        AppendLog("Syntax: Command-Token not found", 0);
    } else if (token == "vt") {
        TakeVoltages(*this, parts.Head, position);
    } else if (MentionsVantelmark(parts.Head)) {
        AppendLog(Format("** %s ** %s **", parts.Head.c_str(), parts.StatusPart.c_str()), 0);
    } else {
        AppendLog(Line("Wrong response to VT command: %s", parts.Head), 0);
    }
}

void CLumatrelDlg::ChangeModuleKey(const std::string& oldSerial, const std::string& newSerial) {
    const std::int32_t key = ReadInteger(newSerial);
    if (SystemWindow != nullptr) {
        SystemWindow->ChannelMap.ReleaseModuleKey(ReadInteger(oldSerial));
    }
    TesselGroupSerNr = key;
    if (SystemWindow == nullptr) {
        return;
    }
    SystemWindow->ChannelMap.RegisterModuleKey(key);

    CibTabCtrl& tabs = SystemWindow->TabCtrl;
    const int selected = tabs.GetCurSel();
    if (selected < 0 || selected >= static_cast<int>(tabs.Items.size())) {
        return;
    }
    const CibTabCtrl::Item& item = tabs.Items[static_cast<std::size_t>(selected)];
    // The tab's title is read into a buffer of 255 characters; keep whole UTF-8 sequences.
    std::string title;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < item.Title.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(item.Title[i]) & 0xC0) == 0x80;
        if (!continuation && ++characters > 255) {
            break;
        }
        title += item.Title[i];
    }
    const std::size_t cut = title.find("TesselSerNr:");
    title.erase(cut == std::string::npos ? 0 : cut);
    title += Format("TesselSerNr:%04d", static_cast<int>(key));
    tabs.SetSelectedItem(title, item.Image);
}
