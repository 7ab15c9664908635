#include "dialogs/Crs232Config.h"

#include "dialogs/SetupDialogRunner.h"
#include "link/SerialPortName.h"
#include "platform/UniqueFd.h"
#include "protocol/Numbers.h"
#include "unit/CLumatrelDlg.h"

#include <fcntl.h>
#include <sys/file.h>

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

Crs232Config::Crs232Config(CLumatrelDlg& owner, std::string deviceRoot)
    : Owner(owner), m_deviceRoot(std::move(deviceRoot)) {}

int Crs232Config::DoModal(SetupDialogRunner& runner) {
    OnInitDialog();
    const int answer = runner.RunModal(*this);
    if (answer == 1) {
        OnOK();
    } else if (answer == 2) {
        OnCancel();
    } else {
        // The front end could not show the dialog: nothing was chosen.
        Result = answer;
    }
    return Result;
}

void Crs232Config::OnInitDialog() {
    Ports = ProbeSerialPorts(m_deviceRoot);
    PortList = DropDownList{};
    for (const SerialPortEntry& port : Ports) {
        PortList.Entries.push_back(port.Label());
    }
    const auto named = std::find_if(Ports.begin(), Ports.end(), [this](const auto& port) {
        return Names(Owner.PortRs232, port);
    });
    if (named != Ports.end()) {
        PortList.Selection = static_cast<int>(named - Ports.begin());
    } else if (!Ports.empty()) {
        PortList.Selection = 0;
    }

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

void Crs232Config::OnOK() {
    const int selected = PortList.Selection;
    PortText = selected >= 0 && selected < static_cast<int>(Ports.size())
                   ? Ports[static_cast<size_t>(selected)].Name
                   : "";
    BaudText = BaudList.SelectedText();
    Owner.PortRs232 = PortText;
    Owner.Baudrate = ReadInteger(BaudText);
    Result = 1;
}

void Crs232Config::OnCancel() {
    Result = 2;
}
