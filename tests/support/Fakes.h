#pragma once

#include "dialogs/SetupDialogRunner.h"
#include "platform/NetworkAdapters.h"
#include "platform/Pause.h"
#include "platform/Prompter.h"
#include "platform/TimerHost.h"
#include "support/TempFolder.h"
#include "unit/UnitServices.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Answers from queues and records every text it was shown.
class FakePrompter : public Prompter {
public:
    void ShowMessage(const std::string& text, MessageIcon icon) override;
    bool AskYesNo(const std::string& text) override;
    std::optional<std::string> AskOpenFileName(const FileDialogRequest& request) override;
    std::optional<std::string> AskSaveFileName(const FileDialogRequest& request) override;
    // Records the document instead of opening it.
    bool OpenDocument(const std::string& path) override;
    std::vector<std::string> OpenedDocuments;

    std::vector<std::string> Messages;
    std::vector<MessageIcon> Icons;
    std::vector<std::string> Questions;
    std::vector<FileDialogRequest> FileRequests;
    std::deque<bool> YesNoAnswers;                      // empty: No
    std::deque<std::optional<std::string>> FileAnswers; // empty: cancelled
};

// Timers that run only when a test fires them.
class FakeTimers : public TimerHost {
public:
    explicit FakeTimers(std::function<void(int)> onTick) : m_onTick(std::move(onTick)) {}
    void StartTimer(int id, int intervalMs) override { Running[id] = intervalMs; }
    void StopTimer(int id) override {
        Running.erase(id);
        StopOrder.push_back(id);
    }
    bool IsTimerRunning(int id) const override { return Running.count(id) != 0; }
    // Delivers one tick of a running timer.
    void Fire(int id) {
        if (IsTimerRunning(id)) {
            m_onTick(id);
        }
    }

    std::map<int, int> Running;
    std::vector<int> StopOrder;

private:
    std::function<void(int)> m_onTick;
};

class FakeTimerFactory : public TimerFactory {
public:
    std::unique_ptr<TimerHost> CreateTimers(std::function<void(int id)> onTick) override;
    std::vector<FakeTimers*> Created;
};

// Records the waits instead of sleeping.
class RecordingPause : public Pause {
public:
    void Wait(int milliseconds) override { Waits.push_back(milliseconds); }
    std::vector<int> Waits;
};

// Plays the person at a setup dialog: each script edits the dialog's control state (and
// may call its handlers) and returns the button pressed, 1 OK or 2 Cancel. Without a script
// the dialog is cancelled.
class FakeDialogRunner : public SetupDialogRunner {
public:
    int RunModal(Crs232Config& dialog) override;
    int RunModal(CTcpConfig& dialog) override;
    int RunModal(CChannelMap& dialog) override;
    int RunModal(CDlgGlobalCurrent& dialog) override;

    std::function<int(Crs232Config&)> OnRs232;
    std::function<int(CTcpConfig&)> OnTcp;
    std::function<int(CChannelMap&)> OnChannelMap;
    std::function<int(CDlgGlobalCurrent&)> OnGlobalCurrent;
    int Runs = 0;
};

// A UDP port on loopback that nothing in this run listens on.
std::uint16_t FreeUdpPort();

// The fakes a unit page needs, in one place. Discovery sees no adapter unless a test adds
// loopback ones, and enquires on a port of its own so parallel tests never hear each other.
struct FakeServices {
    FakePrompter prompter;
    RecordingPause pause;
    FakeTimerFactory timers;
    FakeDialogRunner dialogs;
    FixedNetworkAdapters adapters{{}};
    std::uint16_t discoveryPort = FreeUdpPort();
    // The per-user profile lives in a folder of the test's own; the clock stands still at Now.
    TempFolder profileFolder;
    std::string profilePath = (profileFolder.Path() / "Lumatrel.ini").string();
    LocalTimeStamp Now{24, 12, 2024, 9, 5, 7, 42};
    // The configuration folder lies in a folder of the test's own too; it does not exist
    // until something creates it.
    TempFolder publicFolder;
    std::string configurationFolder = (publicFolder.Path() / "Vantelmark" / "RKM5").string() + "/";
    std::string LastConfigPath() const { return configurationFolder + "LastConfig.ini"; }
    UnitServices Services() {
        UnitServices services{prompter, pause,         timers,      dialogs,
                              adapters, discoveryPort, profilePath, [this] { return Now; }};
        services.configurationFolder = configurationFolder;
        return services;
    }
};
