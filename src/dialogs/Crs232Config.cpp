#include "dialogs/Crs232Config.h"

#include "dialogs/SetupDialogRunner.h"
#include "link/FormatSystemError.h"
#include "link/SerialPortName.h"
#include "platform/Format.h"
#include "platform/Prompter.h"
#include "platform/UniqueFd.h"
#include "protocol/Numbers.h"
#include "unit/CLumatrelDlg.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Kernel name prefixes of serial ports, in the order the list shows them.
constexpr std::array<std::string_view, 10> kKinds = {"ttyS",     "ttyUSB", "ttyACM", "ttyAMA",
                                                     "ttyXRUSB", "ttymxc", "ttySAC", "ttyO",
                                                     "ttyTHS",   "rfcomm"};

struct PortKey {
    size_t kind;
    unsigned number;
};

// The kind and number of a kernel port name: a known prefix followed by digits only.
std::optional<PortKey> ParsePortName(std::string_view name) {
    for (size_t k = 0; k < kKinds.size(); ++k) {
        const std::string_view prefix = kKinds[k];
        if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 ||
            name.substr(0, prefix.size()) != prefix) {
            continue;
        }
        unsigned number = 0;
        bool digits = true;
        for (const char c : name.substr(prefix.size())) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            number = number * 10 + static_cast<unsigned>(c - '0');
        }
        if (digits) {
            return PortKey{k, number};
        }
    }
    return std::nullopt;
}

// A port can be opened now when it opens and its lock is free; the lock is what an open
// link holds, whoever holds it.
bool CanOpen(const fs::path& path) {
    const UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    return fd.Valid() && ::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0;
}

// The device each serial/by-id link leads to, with the link's name; the first name in
// sorted order wins when several lead to one device.
std::map<fs::path, std::string> StableNames(const fs::path& root) {
    std::map<fs::path, std::string> names;
    std::error_code ec;
    fs::directory_iterator it(root / "serial" / "by-id", ec);
    std::vector<std::pair<std::string, fs::path>> links;
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::path target = fs::canonical(it->path(), ec);
        if (!ec) {
            links.emplace_back(it->path().filename().string(), target);
        }
        ec.clear();
    }
    std::sort(links.begin(), links.end());
    for (auto& [name, target] : links) {
        names.emplace(std::move(target), std::move(name));
    }
    return names;
}

// Whether the port setting names this port, in any of its spellings ("COM1", "ttyS0",
// "/dev/ttyS0", its by-id path).
bool Names(const std::string& setting, const SerialPortEntry& port) {
    const std::string path = SerialDevicePath(setting);
    return path == "/dev/" + port.Name ||
           (!port.StableName.empty() && path == "/dev/serial/by-id/" + port.StableName);
}

// A typed name without the blanks around it.
std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::string DropDownList::SelectedText() const {
    if (Selection < 0 || Selection >= static_cast<int>(Entries.size())) {
        return "";
    }
    return Entries[static_cast<size_t>(Selection)];
}

bool DropDownList::Select(const std::string& text) {
    const auto it = std::find(Entries.begin(), Entries.end(), text);
    if (it == Entries.end()) {
        return false;
    }
    Selection = static_cast<int>(it - Entries.begin());
    return true;
}

std::string SerialPortEntry::Label() const {
    return StableName.empty() ? Name : Name + " (" + StableName + ")";
}

std::vector<SerialPortEntry> ProbeSerialPorts(const std::string& deviceRoot) {
    const fs::path root(deviceRoot);
    std::vector<std::pair<PortKey, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(root, ec); !ec && it != fs::directory_iterator();
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (const auto key = ParsePortName(name)) {
            found.emplace_back(*key, name);
        }
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.first.kind != b.first.kind ? a.first.kind < b.first.kind
                                            : a.first.number < b.first.number;
    });
    const std::map<fs::path, std::string> stable = StableNames(root);
    std::vector<SerialPortEntry> ports;
    for (const auto& [key, name] : found) {
        const fs::path path = root / name;
        if (!CanOpen(path)) {
            continue;
        }
        SerialPortEntry port{name, ""};
        const fs::path canonical = fs::canonical(path, ec);
        if (!ec) {
            if (const auto it = stable.find(canonical); it != stable.end()) {
                port.StableName = it->second;
            }
        }
        ec.clear();
        ports.push_back(std::move(port));
    }
    return ports;
}

Crs232Config::Crs232Config(CLumatrelDlg& owner, Prompter& prompter, std::string deviceRoot)
    : Owner(owner), m_prompter(prompter), m_deviceRoot(std::move(deviceRoot)) {}

int Crs232Config::DoModal(SetupDialogRunner& runner) {
    OnInitDialog();
    const int answer = runner.RunModal(*this);
    if (answer == 1) {
        if (Result != 1 && !OnOK()) {
            OnCancel();
        }
    } else if (answer == 2) {
        OnCancel();
    } else {
        // The front end could not show the dialog: nothing was chosen.
        Result = answer;
    }
    return Result;
}

void Crs232Config::OnInitDialog() {
    Result = 0;
    Ports = ProbeSerialPorts(m_deviceRoot);
    PortList = DropDownList{};
    PortSettings.clear();
    std::vector<int> entryOfPort; // the PortList index of each port's own entry
    for (const SerialPortEntry& port : Ports) {
        entryOfPort.push_back(static_cast<int>(PortList.Entries.size()));
        PortList.Entries.push_back(port.Label());
        PortSettings.push_back(port.Name);
        if (!port.StableName.empty()) {
            const std::string path =
                (fs::path(m_deviceRoot) / "serial" / "by-id" / port.StableName).string();
            PortList.Entries.push_back(path);
            PortSettings.push_back(path);
        }
    }
    // A setting that is one of the entries as it stands (a stable name) selects that entry;
    // otherwise the port it names in any spelling, otherwise the first.
    const auto same = std::find(PortSettings.begin(), PortSettings.end(), Owner.PortRs232);
    const auto named = std::find_if(Ports.begin(), Ports.end(), [this](const auto& port) {
        return Names(Owner.PortRs232, port);
    });
    if (!Owner.PortRs232.empty() && same != PortSettings.end()) {
        PortList.Selection = static_cast<int>(same - PortSettings.begin());
    } else if (named != Ports.end()) {
        PortList.Selection = entryOfPort[static_cast<size_t>(named - Ports.begin())];
    } else if (!Ports.empty()) {
        PortList.Selection = 0;
    }
    PortEdit = PortList.SelectedText();

    BaudList = DropDownList{
        {"4800", "9600", "19200", "38400", "56000", "57600", "115200", "128000", "256000"}};
    if (!BaudList.Select(std::to_string(Owner.Baudrate))) {
        BaudList.Select("115200");
    }
    DataBitsList = DropDownList{{"5", "7", "8"}};
    DataBitsList.Select("8");
    ParityList = DropDownList{{"NON", "EVEN", "ODD"}};
    ParityList.Select("NON");
    StopBitsList = DropDownList{{"1", "2"}};
    StopBitsList.Select("1");
}

void Crs232Config::OnPortSelected(int index) {
    PortList.Selection = index;
    PortEdit = PortList.SelectedText();
}

void Crs232Config::OnPortTextChanged(const std::string& text) {
    PortEdit = text;
    const auto it = std::find(PortList.Entries.begin(), PortList.Entries.end(), text);
    PortList.Selection =
        it == PortList.Entries.end() ? -1 : static_cast<int>(it - PortList.Entries.begin());
}

std::string Crs232Config::PortRefusal(const std::string& name) {
    const std::string path = SerialDevicePath(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            return Format("Serial port \"%s\" cannot be used: %s does not exist.", name.c_str(),
                          path.c_str());
        }
        return Format("Serial port \"%s\" cannot be used: %s: %s", name.c_str(), path.c_str(),
                      FormatSystemError(error).c_str());
    }
    if (!S_ISCHR(st.st_mode)) {
        return Format("Serial port \"%s\" cannot be used: %s is not a character device.",
                      name.c_str(), path.c_str());
    }
    return "";
}

bool Crs232Config::OnOK() {
    const int selected = PortList.Selection;
    std::string port;
    if (selected >= 0 && selected < static_cast<int>(PortSettings.size())) {
        port = PortSettings[static_cast<size_t>(selected)];
    } else {
        // An empty box means no port, as an empty list does; the connect then reports it.
        port = Trimmed(PortEdit);
        if (!port.empty()) {
            const std::string refusal = PortRefusal(port);
            if (!refusal.empty()) {
                m_prompter.ShowMessage(refusal, MessageIcon::Warning);
                return false;
            }
        }
    }
    PortText = port;
    BaudText = BaudList.SelectedText();
    Owner.PortRs232 = PortText;
    Owner.Baudrate = ReadInteger(BaudText);
    Result = 1;
    return true;
}

void Crs232Config::OnCancel() {
    Result = 2;
}
