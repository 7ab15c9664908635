// rkm5-sim: simulated RKM5 units on 127.0.0.1 for tests, benchmarks and the demo.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "SimDiscovery.h"
#include "SimSerialPort.h"
#include "SimTcpServer.h"
#include "SimUnit.h"

namespace {

constexpr int kMaxUnits = 20;

const char* const kUsage =
    R"(Usage: rkm5-sim [OPTION...]
Runs simulated RKM5 units until SIGINT or SIGTERM. Every listener binds 127.0.0.1 only.
For each unit one line goes to stdout:
  unit <i> serial <serial number> tcp <address>:<port>
  unit <i> serial <serial number> pty <slave path> [link <link name>]   (with --pty)

Options:
  --help                 show this text and exit
  --units N              number of units, 1 to 20 (default 1)
  --tcp-port P           TCP port of the first unit, the others on the following ports;
                         0 takes free ports (default 0)
  --serial-base S        serial number of the first unit, the others count up (default 10001)
  --tessel-base T        Tessel serial number of unit 1's first module; each further unit
                         starts 10 higher (default 201)
  --layout a,b,c,d       channels spanned by the module starting on channel A..D, 0 to 4
                         each; 0 leaves a channel free or covered (default 1,1,1,1)
  --channel-serials a,b,c,d
                         Tessel serial numbers that channels A..D of every unit report in
                         place of the layout's, 0 keeping the layout's; a free channel given
                         a number carries a module of its own. With --units 2 and
                         501,0,0,0 one module (501) is driven by channel A of both units
  --firmware M.m         firmware release major.minor (default 5.1)
  --device-id ID         device id (default 1)
  --user NAME            telnet user name (default rkm5)
  --password PW          telnet password (default light)
  --m35                  the M35 variant (non-zero module information part C)
  --maker-text           answer the first "IF" with the maker's text
  --error CODE           start with this error state (default 0)
  --prompt KIND          login prompt: user-and-password (default), single-name,
                         empty, no-quotes
  --address A            loopback address of the first unit's listener, the others on the
                         following addresses, as the units' discovery answers name them;
                         all units then listen on --tcp-port (give 23, the port a unit
                         found by discovery is reached on). Default: all on 127.0.0.1
  --discovery [PORT]     answer the discovery enquiry sent to the loopback net's broadcast
                         address on PORT (default 30303)
  --pty [LINKNAME]       also serve each unit as a serial unit on a pseudo-terminal; the
                         slave's path is printed, and LINKNAME (unit 1; unit i gets
                         LINKNAME-i) becomes a symbolic link to it
  --fault NAME           switch a fault on, for every unit; may be repeated. NAME is one of
                         RefuseConnections, CloseDuringLogin, CloseMidReply,
                         ReplyWithoutStx, ReplyWithoutEtx, SplitReply, OversizedReply,
                         Silent, RefuseLogin, QuitWithoutLine, StaleBytesAfterReply,
                         PromptInSeparateSegment, or ReplyDelayMs=MS, SplitDelayMs=MS,
                         PromptDelayMs=MS
)";

struct Options {
    int Units = 1;
    int TcpPort = 0;
    long SerialBase = 10001;
    int TesselBase = 201;
    std::array<int, 4> Layout = {1, 1, 1, 1};
    std::array<long, 4> ChannelSerials = {0, 0, 0, 0}; // 0: the layout's number
    std::string FirmwareMajor = "5";
    std::string FirmwareMinor = "1";
    std::string DeviceId = "1";
    std::string User = "rkm5";
    std::string Password = "light";
    bool M35 = false;
    bool MakerText = false;
    bool Pty = false;
    std::string PtyLink;
    std::uint32_t Address = 0x7F000001;
    bool AddressGiven = false;
    int DiscoveryPort = 0;
    int ErrorCode = 0;
    SimFaults Faults;
};

// One running unit and the links it answers on.
struct RunningUnit {
    std::unique_ptr<SimUnit> Unit;
    std::unique_ptr<SimTcpServer> Tcp;
    std::unique_ptr<SimSerialPort> Serial;
    std::unique_ptr<SimDiscovery> Discovery;
};

struct UsageError {
    std::string Text;
};

long ParseNumber(std::string_view text, long min, long max, const char* option) {
    long value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        throw UsageError{std::string(option) + ": not a number from " + std::to_string(min) +
                         " to " + std::to_string(max) + ": " + std::string(text)};
    }
    return value;
}

std::array<long, 4> ParseChannelSerials(std::string_view text) {
    std::array<long, 4> serials{};
    for (std::size_t i = 0; i < serials.size(); ++i) {
        const auto comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == serials.size() - 1)) {
            throw UsageError{"--channel-serials: four serial numbers separated by commas expected"};
        }
        serials[i] = ParseNumber(text.substr(0, comma), 0, 99999, "--channel-serials");
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return serials;
}

std::array<int, 4> ParseLayout(std::string_view text) {
    std::array<int, 4> layout{};
    for (std::size_t i = 0; i < layout.size(); ++i) {
        const auto comma = text.find(',');
        if ((comma == std::string_view::npos) != (i == layout.size() - 1)) {
            throw UsageError{"--layout: four counts separated by commas expected"};
        }
        layout[i] = static_cast<int>(ParseNumber(text.substr(0, comma), 0, 4, "--layout"));
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return layout;
}

void ParseFault(std::string_view name, SimFaults& faults) {
    struct Switch {
        const char* Name;
        bool SimFaults::*Field;
    };
    static const Switch kSwitches[] = {
        {"RefuseConnections", &SimFaults::RefuseConnections},
        {"CloseDuringLogin", &SimFaults::CloseDuringLogin},
        {"CloseMidReply", &SimFaults::CloseMidReply},
        {"ReplyWithoutStx", &SimFaults::ReplyWithoutStx},
        {"ReplyWithoutEtx", &SimFaults::ReplyWithoutEtx},
        {"SplitReply", &SimFaults::SplitReply},
        {"OversizedReply", &SimFaults::OversizedReply},
        {"Silent", &SimFaults::Silent},
        {"RefuseLogin", &SimFaults::RefuseLogin},
        {"QuitWithoutLine", &SimFaults::QuitWithoutLine},
        {"StaleBytesAfterReply", &SimFaults::StaleBytesAfterReply},
        {"PromptInSeparateSegment", &SimFaults::PromptInSeparateSegment},
    };
    for (const Switch& s : kSwitches) {
        if (name == s.Name) {
            faults.*s.Field = true;
            return;
        }
    }
    const auto equals = name.find('=');
    const std::string_view key = name.substr(0, equals);
    if (equals != std::string_view::npos &&
        (key == "ReplyDelayMs" || key == "SplitDelayMs" || key == "PromptDelayMs")) {
        const int ms =
            static_cast<int>(ParseNumber(name.substr(equals + 1), 0, 3600000, "--fault"));
        if (key == "ReplyDelayMs") {
            faults.ReplyDelayMs = ms;
        } else if (key == "SplitDelayMs") {
            faults.SplitDelayMs = ms;
            faults.SplitReply = true;
        } else {
            faults.PromptDelayMs = ms;
            faults.PromptInSeparateSegment = true;
        }
        return;
    }
    throw UsageError{"--fault: unknown fault " + std::string(name)};
}

SimPrompt ParsePrompt(std::string_view kind) {
    if (kind == "user-and-password") {
        return SimPrompt::UserAndPassword;
    }
    if (kind == "single-name") {
        return SimPrompt::SingleName;
    }
    if (kind == "empty") {
        return SimPrompt::Empty;
    }
    if (kind == "no-quotes") {
        return SimPrompt::NoQuotes;
    }
    throw UsageError{"--prompt: unknown kind " + std::string(kind)};
}

// Returns nothing when --help was asked for.
std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help") {
            return std::nullopt;
        }
        if (option == "--m35") {
            options.M35 = true;
            continue;
        }
        if (option == "--pty") {
            options.Pty = true;
            // The link name is optional: the next argument is it unless it is an option.
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                options.PtyLink = argv[++i];
            }
            continue;
        }
        if (option == "--discovery") {
            options.DiscoveryPort = 30303;
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                options.DiscoveryPort =
                    static_cast<int>(ParseNumber(argv[++i], 1, 65535, "--discovery"));
            }
            continue;
        }
        if (option == "--maker-text") {
            options.MakerText = true;
            continue;
        }
        if (i + 1 >= argc) {
            throw UsageError{"unknown option or missing value: " + std::string(option)};
        }
        const std::string_view value = argv[++i];
        if (option == "--units") {
            options.Units = static_cast<int>(ParseNumber(value, 1, kMaxUnits, "--units"));
        } else if (option == "--tcp-port") {
            options.TcpPort = static_cast<int>(ParseNumber(value, 0, 65535, "--tcp-port"));
        } else if (option == "--serial-base") {
            options.SerialBase = ParseNumber(value, 1, 999999999, "--serial-base");
        } else if (option == "--tessel-base") {
            options.TesselBase = static_cast<int>(ParseNumber(value, 1, 99999, "--tessel-base"));
        } else if (option == "--layout") {
            options.Layout = ParseLayout(value);
        } else if (option == "--channel-serials") {
            options.ChannelSerials = ParseChannelSerials(value);
        } else if (option == "--firmware") {
            const auto dot = value.find('.');
            if (dot == std::string_view::npos) {
                throw UsageError{"--firmware: major.minor expected"};
            }
            ParseNumber(value.substr(0, dot), 0, 999, "--firmware");
            ParseNumber(value.substr(dot + 1), 0, 999, "--firmware");
            options.FirmwareMajor = std::string(value.substr(0, dot));
            options.FirmwareMinor = std::string(value.substr(dot + 1));
        } else if (option == "--address") {
            in_addr parsed{};
            const std::string text(value);
            if (::inet_pton(AF_INET, text.c_str(), &parsed) != 1 ||
                (ntohl(parsed.s_addr) >> 24) != 127) {
                throw UsageError{"--address: a loopback address 127.x.y.z expected"};
            }
            options.Address = ntohl(parsed.s_addr);
            options.AddressGiven = true;
        } else if (option == "--device-id") {
            options.DeviceId = std::string(value);
        } else if (option == "--user") {
            options.User = std::string(value);
        } else if (option == "--password") {
            options.Password = std::string(value);
        } else if (option == "--error") {
            options.ErrorCode = static_cast<int>(ParseNumber(value, 0, 999, "--error"));
        } else if (option == "--prompt") {
            options.Faults.Prompt = ParsePrompt(value);
        } else if (option == "--fault") {
            ParseFault(value, options.Faults);
        } else {
            throw UsageError{"unknown option: " + std::string(option)};
        }
    }
    if (options.TcpPort != 0 && options.TcpPort + options.Units - 1 > 65535) {
        throw UsageError{"--tcp-port: the units' ports run past 65535"};
    }
    return options;
}

RunningUnit StartUnit(const Options& options, int index) {
    SimIdentity identity;
    identity.SerialNumber = std::to_string(options.SerialBase + index);
    identity.FirmwareMajor = options.FirmwareMajor;
    identity.FirmwareMinor = options.FirmwareMinor;
    identity.DeviceId = options.DeviceId;
    identity.User = options.User;
    identity.Password = options.Password;
    const std::uint32_t address = options.Address + static_cast<std::uint32_t>(index);
    identity.IpAddress = std::to_string(address >> 24) + "." +
                         std::to_string((address >> 16) & 255) + "." +
                         std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);

    RunningUnit running;
    running.Unit = std::make_unique<SimUnit>(identity);
    running.Unit->SetLayout(options.Layout, options.TesselBase + 10 * index);
    for (int c = 0; c < 4; ++c) {
        const long serial = options.ChannelSerials[static_cast<std::size_t>(c)];
        if (serial == 0) {
            continue;
        }
        SimChannel channel = running.Unit->Channel(c);
        if (channel.TesselSerNr == 0) {
            channel = SimChannel{};
            channel.ModuleCount = 1;
        }
        channel.TesselSerNr = static_cast<std::int32_t>(serial);
        running.Unit->SetChannel(c, channel);
    }
    running.Unit->SetM35(options.M35);
    if (options.MakerText) {
        running.Unit->ArmMakerText();
    }
    running.Unit->SetErrorCode(options.ErrorCode);
    running.Unit->SetFaults(options.Faults);
    // Units on addresses of their own share the port; on one address they count up.
    const int port =
        options.TcpPort == 0 || options.AddressGiven ? options.TcpPort : options.TcpPort + index;
    running.Tcp =
        std::make_unique<SimTcpServer>(*running.Unit, static_cast<std::uint16_t>(port), address);
    if (options.DiscoveryPort != 0) {
        running.Discovery = std::make_unique<SimDiscovery>(
            *running.Unit, static_cast<std::uint16_t>(options.DiscoveryPort));
    }
    if (options.Pty) {
        std::string link = options.PtyLink;
        if (!link.empty() && index > 0) {
            link += "-" + std::to_string(index + 1);
        }
        running.Serial = std::make_unique<SimSerialPort>(*running.Unit, link);
    }
    return running;
}

} // namespace

int main(int argc, char** argv) {
    std::optional<Options> options;
    try {
        options = ParseOptions(argc, argv);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "rkm5-sim: %s\nTry 'rkm5-sim --help'.\n", error.Text.c_str());
        return 2;
    }
    if (!options) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    // Block the stop signals before any thread starts, so that all threads inherit the mask
    // and only sigwait below sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::vector<RunningUnit> units;
    try {
        for (int i = 0; i < options->Units; ++i) {
            units.push_back(StartUnit(*options, i));
            const RunningUnit& unit = units.back();
            std::printf(
                "unit %d serial %s tcp %s:%u\n", i + 1, unit.Unit->Identity().SerialNumber.c_str(),
                unit.Unit->Identity().IpAddress.c_str(), static_cast<unsigned>(unit.Tcp->Port()));
            if (unit.Serial) {
                std::printf("unit %d serial %s pty %s%s%s\n", i + 1,
                            unit.Unit->Identity().SerialNumber.c_str(),
                            unit.Serial->SlavePath().c_str(),
                            unit.Serial->LinkName().empty() ? "" : " link ",
                            unit.Serial->LinkName().c_str());
            }
        }
        // Whoever started the units reads these lines to learn the ports.
        std::fflush(stdout);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "rkm5-sim: %s\n", error.what());
        return 1;
    }
    std::fflush(stdout);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    // Servers go before the units they answer for.
    for (RunningUnit& unit : units) {
        unit.Discovery.reset();
        unit.Tcp.reset();
        unit.Serial.reset();
    }
    return 0;
}
