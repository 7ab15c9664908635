#pragma once

// Services for a unit page that runs on its own: no person to answer, no timers ticking.
#include "dialogs/CancellingDialogRunner.h"
#include "platform/NetworkAdapters.h"
#include "platform/Pause.h"
#include "platform/Prompter.h"
#include "platform/IdleTimers.h"
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
