#include "SimResponder.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

namespace {

constexpr int kUnknownCommand = 100;
constexpr int kUnknownParameter = 101;
constexpr int kOutOfRange = 102;
constexpr int kAmbientTemp = 25;

std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

std::string ToUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::string ToLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

// A whole word of decimal digits; anything else is no number.
std::optional<int> ParseNumber(std::string_view text) {
    if (text.empty() || text.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

// "A" to "D" name channels 0 to 3; with aliases, "E" to "H" name them too.
std::optional<int> ChannelOf(const std::string& word, bool aliases) {
    if (word.size() != 1) {
        return std::nullopt;
    }
    char c = word[0];
    if (c >= 'A' && c <= 'D') {
        return c - 'A';
    }
    if (aliases && c >= 'E' && c <= 'H') {
        return c - 'E';
    }
    return std::nullopt;
}

std::string WithStatus(const std::string& head, int code) {
    return head + ";er " + std::to_string(code);
}

// Clients read the release with fixed two-digit fields ("vr 04,24").
std::string TwoDigits(const std::string& number) {
    return number.size() < 2 ? std::string(2 - number.size(), '0') + number : number;
}

std::string PaddedSerial(std::int32_t serial) {
    std::string text = std::to_string(serial);
    return text.size() < 5 ? std::string(5 - text.size(), '0') + text : text;
}

std::string JoinCurrents(const SimUnitState& state) {
    std::string text;
    for (std::size_t i = 0; i < state.Channels.size(); ++i) {
        if (i != 0) {
            text += ',';
        }
        text += std::to_string(state.Channels[i].Current);
    }
    return text;
}

bool InRange(const SimChannel& channel, int value) {
    return value >= channel.CurrentMin && value <= channel.CurrentMax;
}

bool HasModule(const SimChannel& channel) {
    return channel.TesselSerNr != 0;
}

// One step of the temperatures towards where the current and switch state drive them, so that
// successive readings of a lit channel climb and those of a dark one settle back.
void StepTemperatures(SimChannel& channel) {
    const int load = channel.On ? channel.Current : 0;
    const int controllerTarget = kAmbientTemp + load / 60;
    const int tesselTarget = HasModule(channel) ? kAmbientTemp - 1 + load / 40 : 0;
    auto step = [](std::int32_t& value, int target) {
        const int diff = target - value;
        if (diff != 0) {
            const int move = std::max(1, std::abs(diff) / 3);
            value += diff > 0 ? move : -move;
        }
    };
    step(channel.ControllerTemp, controllerTarget);
    step(channel.TesselTemp, tesselTarget);
}

// The LED voltage reading in the unit's raw steps of 18.4 mV.
std::int32_t LedVoltageReading(const SimChannel& channel) {
    if (!channel.On || !HasModule(channel)) {
        return 0;
    }
    const std::int32_t millivolts = 30000 + channel.Current * 4;
    return millivolts * 10 / 184;
}

class Responder {
public:
    Responder(SimUnitState& state, const std::string& command)
        : m_state(state), m_words(SplitWords(command)) {}

    std::string Run() {
        if (m_words.empty()) {
            return "er " + std::to_string(kUnknownCommand);
        }
        m_token = ToUpper(m_words[0]);
        m_reply = ToLower(m_words[0]);
        if (m_token == "IF") {
            return InfoCommand();
        }
        if (m_token == "VR" && m_words.size() == 1) {
            const SimIdentity& id = m_state.Identity;
            return "vr " +
                   (id.FirmwareTwoDigitMajor ? TwoDigits(id.FirmwareMajor) : id.FirmwareMajor) +
                   "," + TwoDigits(m_state.Identity.FirmwareMinor);
        }
        if (m_token == "ID") {
            return IdCommand();
        }
        if (m_token == "ILA" || m_token == "ILB" || m_token == "ILC") {
            return ModuleCommand();
        }
        if (m_token == "MO") {
            return ModeCommand();
        }
        if (m_token == "IY") {
            return CurrentCommand();
        }
        if (m_token == "LC") {
            return SwitchCommand();
        }
        if (m_token == "TE" && m_words.size() == 1) {
            return Monitoring(Temperatures());
        }
        if (m_token == "VT" && m_words.size() == 1) {
            return Monitoring(Voltages());
        }
        if (m_token == "ER" && m_words.size() == 1) {
            return m_state.ErrorReplyToken + " " + std::to_string(m_state.ErrorCode);
        }
        if ((m_token == "FA" || m_token == "FB" || m_token == "FC") && m_words.size() == 1) {
            return m_reply + (m_token == "FA" ? " 1" : " 0");
        }
        if (m_token == "IP" && m_words.size() == 1) {
            return "ip " + m_state.Identity.AddressKind + " " + m_state.Identity.IpAddress;
        }
        if (m_token == "ST") {
            return LimitCommand();
        }
        if (m_token == "SD" && m_words.size() == 1) {
            return "sd 0";
        }
        if (m_token == "SV" && m_words.size() == 1) {
            return "sv 18000,30000";
        }
        if (m_token == "VR" || m_token == "TE" || m_token == "VT" || m_token == "ER" ||
            m_token == "FA" || m_token == "FB" || m_token == "FC" || m_token == "IP" ||
            m_token == "SD" || m_token == "SV") {
            return WithStatus(m_reply, kUnknownParameter);
        }
        return WithStatus(m_reply, kUnknownCommand);
    }

private:
    std::string InfoCommand() {
        if (m_words.size() == 1) {
            if (m_state.MakerTextPending) {
                m_state.MakerTextPending = false;
                return SimResponder::MakerText();
            }
            const SimIdentity& id = m_state.Identity;
            return "if RKM5," + id.HardwareRev + "," + id.SerialNumber + "," + id.DeviceId;
        }
        auto channel = m_words.size() == 2 ? ChannelOf(m_words[1], false) : std::nullopt;
        if (!channel) {
            return WithStatus("if", kUnknownParameter);
        }
        static const char* const kConnectors[] = {"X8", "X9", "X10", "X11"};
        return "if " + m_words[1] + "," + kConnectors[*channel] + ",DRV " +
               m_state.Identity.HardwareRev;
    }

    std::string IdCommand() {
        if (m_words.size() == 2 && ParseNumber(m_words[1])) {
            m_state.Identity.DeviceId = m_words[1];
        } else if (m_words.size() != 1) {
            return WithStatus("id", kUnknownParameter);
        }
        return "id " + m_state.Identity.DeviceId;
    }

    std::string ModuleCommand() {
        auto channel = m_words.size() == 2 ? ChannelOf(m_words[1], false) : std::nullopt;
        if (!channel) {
            return WithStatus("il", kUnknownParameter);
        }
        const SimChannel& ch = m_state.Channels[*channel];
        if (m_token == "ILA") {
            return "il " + PaddedSerial(ch.TesselSerNr) + "," + std::to_string(ch.ModuleCount);
        }
        if (m_token == "ILB") {
            return "il " + std::to_string(ch.CurrentMax) + "," + std::to_string(ch.CurrentMin);
        }
        std::string text = "il ";
        for (std::size_t i = 0; i < ch.InfoC.size(); ++i) {
            if (i != 0) {
                text += ',';
            }
            text += std::to_string(ch.InfoC[i]);
        }
        return text;
    }

    std::string ModeCommand() {
        if (m_words.size() == 2) {
            auto mode = ParseNumber(m_words[1]);
            if (!mode) {
                return WithStatus("mo " + std::to_string(m_state.OperatingMode), kUnknownParameter);
            }
            if (*mode > 3) {
                return WithStatus("mo " + std::to_string(m_state.OperatingMode), kOutOfRange);
            }
            m_state.OperatingMode = *mode;
        } else if (m_words.size() != 1) {
            return WithStatus("mo", kUnknownParameter);
        }
        return "mo " + std::to_string(m_state.OperatingMode);
    }

    // "IY", "IY S": read-out; "IY <ch> <mA>": one channel (A-D or E-H); "IY <mA>": every
    // channel at once, the form an M35 module takes. A trailing "W" (a word of its own or
    // glued to the value) stores the value as default as well; the reply is the same.
    std::string CurrentCommand() {
        std::vector<std::string> args(m_words.begin() + 1, m_words.end());
        if (!args.empty() && args.back() == "W") {
            args.pop_back();
        } else if (!args.empty() && args.back().size() > 1 && args.back().back() == 'W') {
            args.back().pop_back();
        }
        if (args.empty() || (args.size() == 1 && args[0] == "S")) {
            return "iy " + JoinCurrents(m_state);
        }
        if (args.size() == 2) {
            auto channel = ChannelOf(args[0], true);
            auto value = ParseNumber(args[1]);
            if (!channel || !value) {
                return WithStatus("iy", kUnknownParameter);
            }
            SimChannel& ch = m_state.Channels[*channel];
            if (!InRange(ch, *value)) {
                return WithStatus("iy " + args[0] + " " + std::to_string(ch.Current), kOutOfRange);
            }
            ch.Current = *value;
            return "iy " + args[0] + " " + std::to_string(ch.Current);
        }
        auto value = args.size() == 1 ? ParseNumber(args[0]) : std::nullopt;
        if (!value) {
            return WithStatus("iy", kUnknownParameter);
        }
        if (!InRange(m_state.Channels[0], *value)) {
            return WithStatus("iy " + JoinCurrents(m_state), kOutOfRange);
        }
        for (SimChannel& ch : m_state.Channels) {
            ch.Current = *value;
        }
        return "iy " + JoinCurrents(m_state);
    }

    // "LC <0|1>": every channel; "LC <ch> <0|1>": one channel (A-D or E-H).
    std::string SwitchCommand() {
        if (m_words.size() == 2) {
            auto on = ParseNumber(m_words[1]);
            if (!on || *on > 1) {
                return WithStatus("lc", kUnknownParameter);
            }
            for (SimChannel& ch : m_state.Channels) {
                ch.On = *on == 1;
            }
            return "lc " + m_words[1];
        }
        auto channel = m_words.size() == 3 ? ChannelOf(m_words[1], true) : std::nullopt;
        auto on = m_words.size() == 3 ? ParseNumber(m_words[2]) : std::nullopt;
        if (!channel || !on || *on > 1) {
            return WithStatus("lc", kUnknownParameter);
        }
        m_state.Channels[*channel].On = *on == 1;
        return "lc " + m_words[1] + " " + m_words[2];
    }

    // "ST <ch>": read the warning and maximum temperature; "ST <ch> <warn>,<max>": set them.
    std::string LimitCommand() {
        auto channel = m_words.size() >= 2 ? ChannelOf(m_words[1], false) : std::nullopt;
        if (!channel || m_words.size() > 3) {
            return WithStatus("st", kUnknownParameter);
        }
        SimChannel& ch = m_state.Channels[*channel];
        if (m_words.size() == 3) {
            const std::string& limits = m_words[2];
            const auto comma = limits.find(',');
            auto warn =
                comma == std::string::npos ? std::nullopt : ParseNumber(limits.substr(0, comma));
            auto max =
                comma == std::string::npos ? std::nullopt : ParseNumber(limits.substr(comma + 1));
            if (!warn || !max) {
                return WithStatus("st", kUnknownParameter);
            }
            if (*warn > *max || *max > 150) {
                return WithStatus("st", kOutOfRange);
            }
            ch.WarnTemp = *warn;
            ch.MaxTemp = *max;
        }
        return "st " + m_words[1] + " " + std::to_string(ch.WarnTemp) + "," +
               std::to_string(ch.MaxTemp);
    }

    std::string Temperatures() {
        std::string text = "te ";
        for (std::size_t i = 0; i < m_state.Channels.size(); ++i) {
            SimChannel& ch = m_state.Channels[i];
            StepTemperatures(ch);
            if (i != 0) {
                text += ',';
            }
            text += std::to_string(ch.ControllerTemp);
            text += '-';
            text += std::to_string(ch.TesselTemp);
        }
        return text;
    }

    std::string Voltages() {
        std::string text = "vt " + std::to_string(m_state.InputVoltageMv) + "," +
                           std::to_string(m_state.AnalogVoltageMv);
        for (const SimChannel& ch : m_state.Channels) {
            text += ',';
            text += std::to_string(LedVoltageReading(ch));
        }
        return text;
    }

    std::string Monitoring(const std::string& head) {
        return m_state.ErrorCode != 0 ? WithStatus(head, m_state.ErrorCode) : head;
    }

    SimUnitState& m_state;
    std::vector<std::string> m_words;
    std::string m_token; // upper case, for matching
    std::string m_reply; // the reply token: the command token in lower case
};

} // namespace

std::string SimResponder::Respond(SimUnitState& state, const std::string& command) {
    return Responder(state, command).Run();
}

const char* SimResponder::MakerText() {
    return "Vantelmark RKM5 LED controller";
}
