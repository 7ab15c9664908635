#pragma once

// Services for a unit page that runs on its own: no person to answer, no timers ticking.
#include "dialogs/CancellingDialogRunner.h"
#include "link/CRKM5Tcpio.h"
#include "platform/IdleTimers.h"
#include "platform/NetworkAdapters.h"
#include "platform/Pause.h"
#include "platform/Prompter.h"
#include "unit/CLumatrelDlg.h"
#include "unit/UnitServices.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

class BenchPrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool AskYesNo(const std::string&) override { return false; }
    std::optional<std::string> AskOpenFileName(const FileDialogRequest&) override {
        return FileAnswer;
    }
    std::optional<std::string> AskSaveFileName(const FileDialogRequest&) override {
        return FileAnswer;
    }
    std::optional<std::string> FileAnswer;
};

struct BenchServices {
    BenchPrompter prompter;
    SleepPause pause;
    IdleTimerFactory timers;
    CancellingDialogRunner dialogs;
    FixedNetworkAdapters adapters{{}};
    UnitServices Services(const std::string& profilePath = "") {
        UnitServices services{prompter, pause, timers, dialogs, adapters};
        services.profilePath = profilePath;
        return services;
    }
};

// Gives the page a TCP link to a unit listening on 127.0.0.1:port; false (and a line on
// stderr) when the session could not be opened.
inline bool AttachTcpLink(CLumatrelDlg& page, Pause& pause, std::uint16_t port) {
    auto* tcp = new CRKM5Tcpio(pause);
    if (tcp->Open("127.0.0.1", port) != 0) {
        std::fprintf(stderr, "open failed: %s\n", tcp->m_strMessage.c_str());
        delete tcp;
        return false;
    }
    page.Link = page.TcpLink = tcp;
    return true;
}
