#include "unit/CLumatrelDlg.h"

#include "platform/Format.h"
#include "platform/TimerHost.h"
#include "protocol/NextToken.h"
#include "protocol/Numbers.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>

namespace {

constexpr int kMonitorPeriodMs = 3000;
constexpr int kTemperatureTimer = 1;
constexpr int kVoltageTimer = 2;
constexpr int kErrorTimer = 3;

constexpr const char* kChannelLetters[] = {"A", "B", "C", "D"};

// Module information part C is only known to firmware above release 4.23.
bool KnowsModuleInfoC(std::int32_t major, std::int32_t minor) {
    return major > 4 || minor > 23;
}

// A real number brought into the 32-bit range before it becomes an integer.
std::int32_t ClampToInt32(double value) {
    constexpr double low = std::numeric_limits<std::int32_t>::min();
    constexpr double high = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(value)) {
        return 0;
    }
    return static_cast<std::int32_t>(std::clamp(value, low, high));
}

// The set currents of an "IY" read-out: the reply token, then up to four values.
std::array<std::int32_t, 4> CurrentList(const std::string& reply, int valuesAlways) {
    std::array<std::int32_t, 4> values = {};
    std::int32_t position = 0;
    NextToken(reply, " ", position);
    for (int k = 0; k < 4; ++k) {
        if (k >= valuesAlways && position == -1) {
            break;
        }
        values[static_cast<std::size_t>(k)] = ReadInteger(NextToken(reply, ",", position));
    }
    return values;
}

std::int64_t Total(const std::array<std::int32_t, 4>& counts) {
    std::int64_t sum = 0;
    for (std::int32_t count : counts) {
        sum += count;
    }
    return sum;
}

// The panel controls a channel covered by a preceding channel's module keeps: its readings.
bool IsReadingControl(PanelControl control) {
    switch (control) {
    case PanelControl::ControllerLabel:
    case PanelControl::TemperatureLabel:
    case PanelControl::Temperature:
    case PanelControl::VoltageLabel:
    case PanelControl::Voltage:
        return true;
    default:
        return false;
    }
}

} // namespace

void CLumatrelDlg::IdentifyUnit() {
    // A lost link ends the sequence: what the unit told so far stays, and no command is
    // logged as sent that never was.
    auto send = [this](const std::string& command) {
        std::string reply;
        if (Link != nullptr) {
            AppendLog(Format("Send: %s", command.c_str()), 0);
            ExchangeCommand(command, reply, 0);
        }
        return reply;
    };

    // Some units answer the first "IF" with the maker's text instead of their hardware info.
    if (send("IF").find("Vantelmark") != std::string::npos) {
        send("IF");
    }
    for (const char* command : {"VR", "ID", "ILA A", "ILA B", "ILA C", "ILA D", "MO", "ILB A",
                                "ILB B", "ILB C", "ILB D"}) {
        if (Link == nullptr) {
            return;
        }
        send(command);
    }
    if (Link == nullptr) {
        return;
    }
    const std::string currents = send("IY");
    if (Link == nullptr) {
        return;
    }
    // The set currents as the unit has them, channel by channel: channel A's M35 maximum
    // comes later, from ReadUnitCurrents.
    CurrentSetpoint = CurrentList(currents, 2);

    const std::int32_t scale = SliderScale > 0 ? SliderScale : 1;
    std::array<std::int32_t, 4> upper = {};
    for (std::size_t c = 0; c < 4; ++c) {
        upper[c] = ReadInteger(CurrentMaxText[c]);
        Controls.Channels[c].SetSliderRange(ReadInteger(CurrentMinText[c]), upper[c]);
    }
    for (std::size_t c = 0; c < 4; ++c) {
        Controls.Channels[c].SetSliderPos(CurrentSetpoint[c] / scale);
    }
    ShowEntries();

    // A current above what the module allows is brought back to the lowest safe one.
    for (std::size_t c = 0; c < 4; ++c) {
        if (Link == nullptr) {
            return;
        }
        if (CurrentSetpoint[c] > upper[c]) {
            send(Format("IY %s 200", kChannelLetters[c]));
        }
    }
    ReadUnitCurrents();
}

void CLumatrelDlg::ReadUnitCurrents() {
    if (Link == nullptr) {
        return;
    }
    auto send = [this](const std::string& command) {
        std::string reply;
        AppendLog(Format("Send: %s", command.c_str()), 0);
        ExchangeCommand(command, reply, 0);
        return reply;
    };

    const std::string release = send("VR");
    if (Link == nullptr) {
        return;
    }
    std::int32_t major = 0;
    std::int32_t minor = 0;
    if (release.find("vr") != std::string::npos) {
        // "vr 04,24": the major number before the comma, the minor number after it. Read
        // from the comma on, a one-digit major ("vr 4,24") or a status part behind the
        // release still gives the right minor number.
        const std::string text = release.size() > 3 ? release.substr(3) : std::string();
        const std::size_t comma = text.find(',');
        if (comma != std::string::npos) {
            major = ReadInteger(std::string_view(text).substr(0, comma));
            minor = ReadInteger(std::string_view(text).substr(comma + 1));
        }
    }

    if (KnowsModuleInfoC(major, minor)) {
        std::string lastInfo;
        for (const char* letter : kChannelLetters) {
            lastInfo = send(Format("ILC %s", letter));
            if (Link == nullptr) {
                return;
            }
            AppendLog(Format("Receive < %s", lastInfo.c_str()), 0);
        }
        IsM35 = ModuleLooksM35(lastInfo, 3);
        // An M35 module states its limits against a reference of 1000.
        if (IsM35 && std::none_of(TesselInfoC.begin(), TesselInfoC.end(),
                                  [](const auto& info) { return info[4] == 1000; })) {
            IsM35 = false;
        }
        if (IsM35) {
            // Channel A drives the whole module: its range is what every part allows.
            bool any = false;
            double lowestHigh = 0.0;
            double highestLow = 0.0;
            for (const auto& info : TesselInfoC) {
                if (info[4] == 0) {
                    continue;
                }
                const double high = static_cast<double>(info[0]) / info[4] * 1000.0;
                const double low = static_cast<double>(info[1]) / info[4] * 1000.0;
                lowestHigh = any ? std::min(lowestHigh, high) : high;
                highestLow = any ? std::max(highestLow, low) : low;
                any = true;
            }
            if (any) {
                const std::int32_t max = ClampToInt32(std::floor(lowestHigh));
                const std::int32_t min = ClampToInt32(std::ceil(highestLow));
                CurrentMaxText[0] = Format("%dmA", static_cast<int>(max));
                CurrentMinText[0] = Format("%d", static_cast<int>(min));
                Controls.Channels[0].SetSliderRange(min, max);
            }
        }
    }

    const std::string currents = send("IY");
    if (Link == nullptr || currents == "iy") {
        return;
    }
    CurrentSetpoint = CurrentList(currents, 0);
    if (IsM35) {
        CurrentSetpoint[0] = *std::max_element(CurrentSetpoint.begin(), CurrentSetpoint.end());
    }
    const std::int32_t scale = SliderScale > 0 ? SliderScale : 1;
    for (std::size_t c = 0; c < 4; ++c) {
        Controls.Channels[c].SetSliderPos(CurrentSetpoint[c] / scale);
    }
    ShowEntries();
}

bool CLumatrelDlg::ModuleLooksM35(const std::string& reply, int channel) const {
    if (channel < 0 || channel > 3 || reply == "il 0,0,0,0,0") {
        return false;
    }
    const std::array<std::int32_t, 5>& info = TesselInfoC[static_cast<std::size_t>(channel)];
    return info[4] >= 100 && info[0] >= 200 && info[2] >= info[3] && info[0] >= info[1];
}

void CLumatrelDlg::RefreshModuleDisplay() {
    std::array<int, 4> moduleNumber = {};
    int next = 1;
    for (std::size_t c = 0; c < 4; ++c) {
        ChannelControls& panel = Controls.Channels[c];
        const std::int32_t count = ModulesInUse[c];
        panel.GroupVisible = true;
        if (count == 0) {
            panel.Caption.clear();
            panel.SetAllVisible(false);
            continue;
        }
        panel.Caption = c == 0 ? Format("Tessel 1  S/N: %s,  Length %d", TesselSerNrText[c].c_str(),
                                        static_cast<int>(count))
                               : Format("Tessel %d  S/N: %s,  Length %d", next,
                                        TesselSerNrText[c].c_str(), static_cast<int>(count));
        panel.SetAllVisible(true);
        moduleNumber[c] = next++;
    }

    // Channels a preceding channel's module spans show that module's readings only. Where
    // reported counts overlap, the nearest covering channel names the module.
    for (std::size_t covering = 0; covering < 3; ++covering) {
        const std::int32_t count = ModulesInUse[covering];
        for (std::size_t c = covering + 1; c < 4; ++c) {
            const std::size_t offset = c - covering; // 1, 2 or 3 channels on
            const bool covered = offset == 3 ? count == 4 : count > static_cast<int>(offset);
            if (!covered) {
                continue;
            }
            ChannelControls& panel = Controls.Channels[c];
            if (ModulesInUse[c] == 0) {
                panel.Caption = Format("Tessel%d", moduleNumber[covering]);
            }
            panel.GroupVisible = true;
            for (std::size_t k = 0; k < kPanelControlCount; ++k) {
                panel.Visible[k] = IsReadingControl(static_cast<PanelControl>(k));
            }
        }
    }

    if (std::all_of(ModulesInUse.begin(), ModulesInUse.end(),
                    [](std::int32_t count) { return count == 0; })) {
        InputVoltageText.clear();
    }
    // A module page without the master Tessel keeps its channel controls hidden, whatever
    // its modules now show.
    if (IsModulePage && !HoldsMasterTessel) {
        HideChannelControls();
    }
    ShowEntries();
}

void CLumatrelDlg::RecomputeChannelAssignment() {
    if (ChannelAssignment == 1 && !IsM35) {
        ModulesInUse = ModulesPerChannel;
    } else if (ChannelAssignment == 1) {
        AppendLog(">> manualMode M35 not allowed-> use automatic: Manual data ignored!", 0);
    }
    const std::array<std::int32_t, 4> saved = ModulesInUse;
    const std::int32_t la = saved[0];
    const std::int32_t lb = saved[1];
    const std::int32_t lc = saved[2];
    const std::int32_t ld = saved[3];

    std::array<bool, 4> inUse = {};
    bool notPlausible = false;
    bool noChannel = false;
    auto dIfAny = [&] { inUse[3] = ld > 0; };
    // What channels C and D carry once A and B are settled.
    auto ruleC = [&] {
        switch (lc) {
        case 0:
            dIfAny();
            break;
        case 1:
            inUse[2] = true;
            dIfAny();
            break;
        case 2:
            inUse[2] = inUse[3] = true;
            break;
        default:
            notPlausible = true;
            break;
        }
    };
    // The same when A and B carry nothing, so that a unit without any module is named.
    auto ruleZ = [&] {
        if (lc == 0 && ld <= 0) {
            noChannel = true;
        } else if (lc < 0 || lc > 2) {
            notPlausible = true;
            noChannel = true;
        } else {
            ruleC();
        }
    };

    switch (la) {
    case 0:
        switch (lb) {
        case 0:
            ruleZ();
            break;
        case 1:
            inUse[1] = true;
            ruleC();
            break;
        case 2:
            inUse[1] = inUse[2] = true;
            dIfAny();
            break;
        case 3:
            inUse[1] = inUse[2] = inUse[3] = true;
            break;
        default:
            notPlausible = true;
            noChannel = true;
            break;
        }
        break;
    case 1:
        inUse[0] = true;
        switch (lb) {
        case 0:
            ruleC();
            break;
        case 1:
            inUse[1] = true;
            ruleC();
            break;
        case 2:
            inUse[1] = inUse[2] = true;
            dIfAny();
            break;
        case 3:
            inUse[1] = inUse[2] = inUse[3] = true;
            break;
        default:
            break;
        }
        break;
    case 2:
        inUse[0] = inUse[1] = true;
        ruleC();
        break;
    case 3:
        inUse[0] = inUse[1] = inUse[2] = true;
        dIfAny();
        break;
    case 4:
        inUse = {true, true, true, true};
        break;
    default:
        notPlausible = true;
        noChannel = true;
        break;
    }

    if (noChannel) {
        AppendLog(">> No Channel connected", 0);
    } else {
        AppendLog(Format(">> Channels used: %s %s %s %s ", inUse[0] ? "E" : "", inUse[1] ? "F" : "",
                         inUse[2] ? "G" : "", inUse[3] ? "H" : ""),
                  0);
    }

    bool conflict = false;
    std::array<std::int32_t, 4> result = {};
    for (std::size_t c = 0; c < 4; ++c) {
        conflict = conflict || (inUse[c] && ModulesPerChannel[c] != 0);
        result[c] = inUse[c] ? saved[c] : ModulesPerChannel[c];
    }
    if (conflict) {
        AppendLog(">> Maually coded config data conflicting with automatically found config. "
                  "Manual data ignored!",
                  0);
    }

    // A negative count would slip past the total and then count against it.
    const bool anyNegative =
        std::any_of(result.begin(), result.end(), [](std::int32_t count) { return count < 0; });
    if (Total(result) <= 4 && !notPlausible && !anyNegative) {
        ModulesInUse = result;
    } else {
        AppendLog(Format("Number of Channel controled E=%d,F=%d,G=%d,H=%d not plausible",
                         static_cast<int>(result[0]), static_cast<int>(result[1]),
                         static_cast<int>(result[2]), static_cast<int>(result[3])),
                  0);
        AppendLog("Maually coded config data not used.", 0);
    }
}

void CLumatrelDlg::UpdateMonitoring() {
    if (Link == nullptr) {
        AppendLog("++ Error: No host connection to RKM5 device active.", 0);
        return;
    }
    const bool modulesInUse = Total(ModulesInUse) >= 1;

    // One kind of monitoring: its timer, its log lines and the enable state of its boxes.
    auto apply = [&](std::int32_t wanted, int timer, const char* kind, auto enableBoxes) {
        if (wanted == 0) {
            m_timers->StopTimer(timer);
            AppendLog(Format(">> Monitoring %s conditions is stopped", kind), 0);
            enableBoxes(false);
        } else {
            if (!modulesInUse) {
                AppendLog("++ Error: No Tessel II module connected to be monitored", 0);
            } else {
                m_timers->StartTimer(timer, kMonitorPeriodMs);
                AppendLog(Format(">> Monitoring %s conditions is started", kind), 0);
            }
            enableBoxes(true);
        }
        ShowEntries();
    };

    apply(MonitorTemperature, kTemperatureTimer, "temperature", [this](bool enabled) {
        for (ChannelControls& panel : Controls.Channels) {
            panel.SetEnabled(PanelControl::Temperature, enabled);
            panel.SetEnabled(PanelControl::TesselTemperature, enabled);
        }
    });
    apply(MonitorVoltage, kVoltageTimer, "voltage", [this](bool enabled) {
        for (ChannelControls& panel : Controls.Channels) {
            panel.SetEnabled(PanelControl::Voltage, enabled);
        }
        Controls.InputVoltageEnabled = enabled;
        Controls.AnalogVoltageEnabled = enabled;
    });
    apply(MonitorError, kErrorTimer, "error",
          [this](bool enabled) { Controls.LastErrorEnabled = enabled; });

    // An M35 unit's channels are always assigned by the unit itself.
    if (IsM35) {
        ChannelAssignment = 0;
        RefreshMenuAndToolbar();
    }
}
