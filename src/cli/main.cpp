// lumatrel-cli: one RKM5 unit from a shell, on the same core as the desktop program. It
// connects, sends commands as the command line does, runs command sequence files, prints
// the unit's log as it grows and disconnects as the menu does.

#include "dialogs/CancellingDialogRunner.h"
#include "link/CRkmio.h"
#include "platform/ControlCharacters.h"
#include "platform/IdleTimers.h"
#include "platform/NetworkAdapters.h"
#include "platform/PageView.h"
#include "platform/Pause.h"
#include "platform/Prompter.h"
#include "protocol/UnitDiscovery.h"
#include "unit/CLumatrelDlg.h"

#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace {

const char* const kUsage =
    R"(Usage: lumatrel-cli (--tcp ADDRESS[:PORT] | --serial PORT[@BAUD]) [--yes]
                    [COMMAND | --run FILE]... [--sysinfo FILE]
       lumatrel-cli --discover [--adapters loopback|system] [--discovery-port P]
       lumatrel-cli --help

Connects one RKM5 unit, sends each COMMAND as the unit page's command line does and runs
each FILE as a command sequence file, in the order given, then switches the LEDs off and
disconnects as the Interface menu does. Every line of the unit's log is printed to standard
output as it is written; message boxes go to standard error. Control characters in what is
printed (they come from the network) are written as \xNN. Nothing is read from or written
to the program's configuration.

  --tcp ADDRESS[:PORT]   telnet session to the unit at ADDRESS (IPv4 address or host name),
                         port 23 unless given
  --serial PORT[@BAUD]   serial line: COMn, a name under /dev/ or a path; 115200 baud unless
                         given
  --run FILE             run FILE as a command sequence file ("//" and "/* */" comments);
                         a regular file of at most 16 MB
  --sysinfo FILE         after the commands, collect the unit's system information into FILE
                         (created anew) as "Save system info to file" does
  --yes                  answer Yes to the program's questions (they are answered No
                         otherwise)
  --discover             send the discovery enquiry on every network adapter and print one
                         line per unit that answers ("serial  -  address  -  state"), then
                         the report of addresses found twice, if any
  --adapters KIND        adapters for --discover: "system" (this computer's but the
                         loopback interface, the default) or "loopback" (127.0.0.1/8 only)
  --discovery-port P     UDP port of the enquiry (default 30303)
  --                     everything after it is a COMMAND, also when it begins with "-"
  --help                 show this text

Exit status: 0 done; 1 the connection could not be made or was lost, or a command file
could not be run (nothing after it is sent); 2 wrong usage.
)";

struct Step {
    bool IsFile = false;
    std::string Text;
};

struct Options {
    std::optional<std::string> Tcp;
    std::optional<std::string> Serial;
    std::vector<Step> Steps;
    std::optional<std::string> SysInfo;
    bool Yes = false;
    bool Discover = false;
    bool LoopbackAdapters = false;
    bool AdaptersGiven = false;
    bool PortGiven = false;
    std::uint16_t DiscoveryPort = UnitDiscovery::kEnquiryPort;
};

struct UsageError {
    std::string Text;
};

long ParseNumber(std::string_view text, long min, long max, const char* what) {
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        throw UsageError{std::string(what) + ": not a number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ": " + std::string(text)};
    }
    return value;
}

void ParseTcpTarget(const std::string& text, std::string& address, std::int32_t& port);
void ParseSerialTarget(const std::string& text, std::string& port, std::int32_t& baud);

Options ParseOptions(int argc, char** argv) {
    Options options;
    bool commandsOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* option) -> std::string {
            if (i + 1 >= argc) {
                throw UsageError{std::string(option) + " needs a value"};
            }
            return argv[++i];
        };
        if (commandsOnly || arg.empty() || arg[0] != '-') {
            options.Steps.push_back(Step{false, arg});
        } else if (arg == "--") {
            commandsOnly = true;
        } else if (arg == "--tcp") {
            options.Tcp = value("--tcp");
        } else if (arg == "--serial") {
            options.Serial = value("--serial");
        } else if (arg == "--run") {
            options.Steps.push_back(Step{true, value("--run")});
        } else if (arg == "--sysinfo") {
            options.SysInfo = value("--sysinfo");
        } else if (arg == "--yes") {
            options.Yes = true;
        } else if (arg == "--discover") {
            options.Discover = true;
        } else if (arg == "--adapters") {
            const std::string kind = value("--adapters");
            if (kind != "loopback" && kind != "system") {
                throw UsageError{"--adapters: \"loopback\" or \"system\" expected: " + kind};
            }
            options.LoopbackAdapters = kind == "loopback";
            options.AdaptersGiven = true;
        } else if (arg == "--discovery-port") {
            options.DiscoveryPort = static_cast<std::uint16_t>(
                ParseNumber(value("--discovery-port"), 1, 65535, "--discovery-port"));
            options.PortGiven = true;
        } else {
            throw UsageError{"unknown option: " + arg};
        }
    }
    if (options.Discover) {
        if (options.Tcp || options.Serial || !options.Steps.empty() || options.Yes ||
            options.SysInfo) {
            throw UsageError{"--discover takes no connection, command, --sysinfo or --yes"};
        }
    } else {
        if (options.Tcp.has_value() == options.Serial.has_value()) {
            throw UsageError{"give exactly one of --tcp and --serial (or --discover)"};
        }
        if (options.AdaptersGiven || options.PortGiven) {
            throw UsageError{"--adapters and --discovery-port belong to --discover"};
        }
        // A malformed target is wrong usage, found before anything is opened.
        std::string name;
        std::int32_t number = 0;
        if (options.Tcp) {
            ParseTcpTarget(*options.Tcp, name, number);
        } else {
            ParseSerialTarget(*options.Serial, name, number);
        }
    }
    return options;
}

// "ADDRESS[:PORT]"; the port follows the last colon.
void ParseTcpTarget(const std::string& text, std::string& address, std::int32_t& port) {
    const std::size_t colon = text.rfind(':');
    address = text.substr(0, colon);
    port = 23;
    if (colon != std::string::npos) {
        port = static_cast<std::int32_t>(
            ParseNumber(std::string_view(text).substr(colon + 1), 1, 65535, "--tcp port"));
    }
    if (address.empty()) {
        throw UsageError{"--tcp: no address given"};
    }
}

// "PORT[@BAUD]".
void ParseSerialTarget(const std::string& text, std::string& port, std::int32_t& baud) {
    const std::size_t at = text.rfind('@');
    port = text.substr(0, at);
    baud = 115200;
    if (at != std::string::npos) {
        baud = static_cast<std::int32_t>(
            ParseNumber(std::string_view(text).substr(at + 1), 1, 4000000, "--serial baud rate"));
    }
    if (port.empty()) {
        throw UsageError{"--serial: no port given"};
    }
}

// Each line of a text with its control characters escaped: replies, discovery answers and
// the messages that quote them come from the network and must not drive the terminal.
std::string PrintableLines(std::string_view text) {
    std::string out;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (start != 0) {
            out += '\n';
        }
        out += EscapeControlCharacters(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

// Message boxes go to standard error; questions get the answer the command line chose; the
// open-file dialog of a command file run is answered with the file given.
class CliPrompter : public Prompter {
public:
    explicit CliPrompter(bool yes) : m_yes(yes) {}

    void ShowMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "%s\n", PrintableLines(text).c_str());
        if (text.rfind("TCP connection lost", 0) == 0 ||
            text.rfind("RS232 connection lost", 0) == 0) {
            ConnectionLost = true;
        }
    }
    bool AskYesNo(const std::string& text) override {
        std::fprintf(stderr, "%s %s\n", PrintableLines(text).c_str(), m_yes ? "Yes" : "No");
        return m_yes;
    }
    std::optional<std::string> AskOpenFileName(const FileDialogRequest&) override {
        if (OpenAnswers.empty()) {
            return std::nullopt;
        }
        std::string path = OpenAnswers.front();
        OpenAnswers.pop_front();
        return path;
    }
    std::optional<std::string> AskSaveFileName(const FileDialogRequest&) override {
        return std::nullopt;
    }

    std::deque<std::string> OpenAnswers;
    bool ConnectionLost = false;

private:
    bool m_yes;
};

// Prints each log entry once, as it is appended.
class StdoutView : public PageView {
public:
    explicit StdoutView(const CLumatrelDlg& page) : m_page(page) {}
    void Refresh() override {}
    void LogAppended(std::size_t first, std::size_t count) override {
        const auto& entries = m_page.Controls.LogEntries;
        for (std::size_t i = first; i < first + count && i < entries.size(); ++i) {
            const std::string line = EscapeControlCharacters(entries[i]);
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fputc('\n', stdout);
        }
        std::fflush(stdout);
    }
    void LogCleared() override {}

private:
    const CLumatrelDlg& m_page;
};

int Discover(const Options& options) {
    SystemNetworkAdapters system;
    FixedNetworkAdapters loopback({NetworkAdapter{"lo", 0x7F000001u, 0xFF000000u}});
    NetworkAdapterSource& adapters =
        options.LoopbackAdapters ? static_cast<NetworkAdapterSource&>(loopback) : system;
    UnitDiscovery discovery(adapters, options.DiscoveryPort);
    // The units end their address with a carriage return; a terminal line must not.
    auto print = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        std::printf("%s\n", PrintableLines(text).c_str());
        std::fflush(stdout);
    };
    discovery.OnListLine = print;
    FoundUnits found;
    std::string report;
    if (discovery.DiscoverUnits(found, 1, report)) {
        print(report);
    }
    return 0;
}

int Run(const Options& options) {
    CliPrompter prompter(options.Yes);
    SleepPause pause;
    // The monitoring timers never tick here: a script reads what it asks for.
    IdleTimerFactory timers;
    CancellingDialogRunner dialogs;
    // Connecting by address never asks the network where a serial number went.
    FixedNetworkAdapters adapters({});
    UnitServices services{prompter, pause, timers, dialogs, adapters};
    // Nothing here saves a log, so the user's profile is never touched; point it nowhere.
    services.profilePath = "/dev/null";
    CLumatrelDlg page(services);
    StdoutView view(page);
    page.SetView(&view);
    page.OnInitDialog();

    const bool tcp = options.Tcp.has_value();
    if (tcp) {
        ParseTcpTarget(*options.Tcp, page.IpAdr, page.IpPort);
        page.SelectedIf = "TCP";
        page.ManualIp = true;
        page.ConnectTcp();
    } else {
        ParseSerialTarget(*options.Serial, page.PortRs232, page.Baudrate);
        page.SelectedIf = "RS232";
        page.ConnectRs232();
    }
    if (page.Link == nullptr) {
        std::fprintf(stderr, "lumatrel-cli: no connection\n");
        return 1;
    }

    bool fileRefused = false;
    for (const Step& step : options.Steps) {
        if (page.Link == nullptr) {
            break;
        }
        if (step.IsFile) {
            std::error_code error;
            const std::filesystem::path full = std::filesystem::absolute(step.Text, error);
            prompter.OpenAnswers.assign(1, error ? step.Text : full.string());
            // What follows a file that was not run may rely on it: the run ends here.
            if (!page.RunCommandFile()) {
                fileRefused = true;
                break;
            }
        } else {
            page.Controls.CommandBox.Text = step.Text;
            page.OnCommandTextEdited();
            page.SendCommandLine();
        }
    }
    if (options.SysInfo && page.Link != nullptr && !fileRefused) {
        std::FILE* file = std::fopen(options.SysInfo->c_str(), "w+b");
        if (file == nullptr) {
            prompter.ShowMessage("logfile could not be opened", MessageIcon::None);
        } else {
            page.AskLogFileName = false;
            page.ReportSystemInfo(file);
            page.InfoFile = nullptr;
            std::fclose(file);
        }
    }
    const bool lostBefore = page.Link == nullptr;
    if (tcp) {
        page.DisconnectTcp();
    } else {
        page.DisconnectRs232();
    }
    if (lostBefore || prompter.ConnectionLost) {
        std::fprintf(stderr, "lumatrel-cli: the connection was lost\n");
        return 1;
    }
    if (fileRefused) {
        std::fprintf(stderr, "lumatrel-cli: a command file could not be run\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    // A reader that goes away must not end the run before the LEDs are switched off.
    ::signal(SIGPIPE, SIG_IGN);
    try {
        for (int i = 1; i < argc; ++i) {
            if (std::string_view(argv[i]) == "--") {
                break;
            }
            if (std::string_view(argv[i]) == "--help") {
                std::fputs(kUsage, stdout);
                return 0;
            }
        }
        const Options options = ParseOptions(argc, argv);
        return options.Discover ? Discover(options) : Run(options);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "lumatrel-cli: %s\n%s", error.Text.c_str(), kUsage);
        return 2;
    }
}
