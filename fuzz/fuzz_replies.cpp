// Feeds arbitrary bytes as a command and its reply to the reply interpreters and the
// tokenizer. Input layout: the command up to the first NUL byte, the reply after it; without a
// NUL the whole input is the reply to "ILA A".

#include "dialogs/CancellingDialogRunner.h"
#include "platform/IdleTimers.h"
#include "platform/NetworkAdapters.h"
#include "platform/Pause.h"
#include "platform/Prompter.h"
#include "protocol/NextToken.h"
#include "protocol/Numbers.h"
#include "protocol/Readings.h"
#include "protocol/ReplyParts.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"
#include "unit/UnitServices.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

class SilentPrompter : public Prompter {
public:
    void ShowMessage(const std::string&, MessageIcon) override {}
    bool AskYesNo(const std::string&) override { return false; }
    std::optional<std::string> AskOpenFileName(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> AskSaveFileName(const FileDialogRequest&) override { return {}; }
};

class NoPause : public Pause {
public:
    void Wait(int) override {}
};

// The interpreters open no dialog and look for no network; these only complete the services.
class NoAdapters : public NetworkAdapterSource {
public:
    std::optional<std::vector<NetworkAdapter>> Adapters() override { return std::nullopt; }
};

void Check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// Walks the whole text with one delimiter set and checks what NextToken promises.
void WalkTokens(std::string_view text, std::string_view delimiters, std::int32_t start) {
    std::int32_t position = start;
    for (std::size_t steps = 0; steps <= text.size() + 1; ++steps) {
        const std::int32_t before = position;
        const std::string token = NextToken(text, delimiters, position);
        if (position == -1) {
            Check(token.empty());
            return;
        }
        if (delimiters.empty()) {
            Check(position == before && token == text.substr(static_cast<std::size_t>(before)));
            return;
        }
        Check(!token.empty() && position > before);
        Check(static_cast<std::size_t>(position) <= text.size() + 1);
        Check(token.find_first_of(delimiters) == std::string::npos);
    }
    Check(false); // every read moves on, so the walk must have ended
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t nul = input.find('\0');
    const std::string command(nul == std::string_view::npos ? "ILA A" : input.substr(0, nul));
    const std::string reply(nul == std::string_view::npos ? input : input.substr(nul + 1));

    const std::int32_t start = size == 0 ? 0 : static_cast<std::int32_t>(data[0] % 9) - 2;
    for (std::string_view delimiters : {" ", ",", ";", " ,", "-", ""}) {
        WalkTokens(reply, delimiters, start);
    }
    SplitTemperatureGroup(reply);
    LedMillivolts(reply);
    ReadInteger(reply);
    ReadDecimal(reply);
    std::int32_t whole = 0;
    ParseWholeInteger(reply, whole);
    StatusPartCode(reply);

    SilentPrompter prompter;
    NoPause pause;
    IdleTimerFactory timers;
    CancellingDialogRunner dialogs;
    NoAdapters adapters;
    CTabDlg window;
    CLumatrelDlg page(UnitServices{prompter, pause, timers, dialogs, adapters});
    window.Units[0] = &page;
    window.TabCtrl.AddPage("RKM5 No.1\nTesselSerNr:0201", &page, 1);
    window.TabCtrl.SelectPage(0);
    page.SystemWindow = &window;
    // Known modules on every channel, so that module replies change keys and retitle.
    for (std::string& serial : page.TesselSerNrText) {
        serial = "201";
        window.ChannelMap.RegisterModuleKey(201);
    }
    page.IsM35 = size % 2 == 1;

    page.InterpretReply(reply, command, 0);
    page.InterpretTemperature(reply);
    page.InterpretVoltage(reply);
    page.Controls.Channels[0].CurrentEdit = reply;
    page.ReadEntries();
    Check(window.ChannelMap.UsedCount() <= ModuleKeyTable::kEntries);
    return 0;
}
