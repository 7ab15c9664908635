// Reads arbitrary bytes as a whole configuration into a system window, then checks that the
// window holds what it can, and that a configuration it saved reads back into units that save
// the very same bytes again.

#include "dialogs/CancellingDialogRunner.h"
#include "platform/IdleTimers.h"
#include "platform/NetworkAdapters.h"
#include "platform/Pause.h"
#include "platform/Prompter.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace {

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

class QuietPrompter : public Prompter {
public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskYesNo(const std::string&) override { return false; }
    std::optional<std::string> AskOpenFileName(const FileDialogRequest&) override { return Answer; }
    std::optional<std::string> AskSaveFileName(const FileDialogRequest&) override { return Answer; }
    std::optional<std::string> Answer;
};

const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/fuzz-config-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            __builtin_trap();
        }
        return pattern;
    }();
    return folder;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

struct Window {
    Window() { system.OnInitDialog(); }
    UnitServices Services() {
        UnitServices made{prompter, pause, timers, dialogs, adapters};
        made.profilePath = Folder() + "/profile.ini";
        made.configurationFolder = Folder() + "/RKM5/";
        return made;
    }
    // Saves into a file of its own, made anew.
    std::string SaveFresh(const std::string& path) {
        ::unlink(path.c_str());
        prompter.Answer = path;
        system.SaveConfiguration();
        return ReadBytes(path);
    }

    QuietPrompter prompter;
    SleepPause pause;
    IdleTimerFactory timers;
    CancellingDialogRunner dialogs;
    FixedNetworkAdapters adapters{{}};
    CTabDlg system{Services()};
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Window window;
    const std::string input = Folder() + "/input.ini";
    WriteBytes(input, std::string(reinterpret_cast<const char*>(data), size));

    CTabDlg& system = window.system;
    system.ReadConfigurationFile(input);
    Check(system.UnitCount >= 0 && system.UnitCount <= CTabDlg::kMaxUnits);
    Check(system.TabCtrl.GetCount() == system.UnitCount);
    Check(system.UnitCount == 0 || (system.ActualTab >= 0 && system.ActualTab < system.UnitCount));
    for (int n = 0; n < system.UnitCount; ++n) {
        const CLumatrelDlg* page = system.Units[static_cast<std::size_t>(n)];
        Check(page != nullptr && page->SystemWindow == &system);
        Check(page->Controls.CommandBox.Entries.size() <=
              static_cast<std::size_t>(CLumatrelDlg::kMaxSavedCommandLines));
    }

    // The first save settles the special values ("no connection selected" reads as "RS232");
    // from then on saving and reading are each other's inverse.
    window.SaveFresh(Folder() + "/first.ini");
    system.ReadConfigurationFile(Folder() + "/first.ini");
    const std::string second = window.SaveFresh(Folder() + "/second.ini");
    const int units = system.UnitCount;
    system.ReadConfigurationFile(Folder() + "/second.ini");
    Check(system.UnitCount == units);
    Check(window.SaveFresh(Folder() + "/third.ini") == second);
    return 0;
}
