#include "unit/CLumatrelDlg.h"

#include "link/CRkmio.h"
#include "platform/CodePage.h"
#include "platform/FileBytes.h"
#include "platform/Format.h"
#include "platform/LocalTime.h"
#include "platform/Prompter.h"
#include "unit/CommandFileRules.h"

#include <algorithm>
#include <vector>

namespace {

// The first count characters of UTF-8 text; a character is never cut in two.
std::string FirstCharacters(const std::string& text, std::size_t count) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
        if (!continuation) {
            if (characters == count) {
                return text.substr(0, i);
            }
            ++characters;
        }
    }
    return text;
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

constexpr const char* kStars = "***************************************************";

} // namespace

void CLumatrelDlg::SendCommandLine() {
    if (Link == nullptr) {
        AppendLog("++ Error: No host connection to RKM5 device active.", 0);
        return;
    }
    CommandBoxControl& box = Controls.CommandBox;
    const std::string command = FirstCharacters(box.Text, kMaxCommandLine);
    AppendLog("Send > " + command, 0);
    std::string reply;
    ExchangeCommand(command, reply, 0);
    AppendLog("Receive < " + reply, 0);
    if (CommandTyped) {
        std::vector<std::string>& history = box.Entries;
        const bool known = std::any_of(history.begin(), history.end(), [&](const std::string& e) {
            return EqualNoCase(e, command);
        });
        if (!known) {
            history.insert(history.begin(), command);
            if (history.size() > kMaxCommandHistory) {
                history.pop_back();
            }
            ShowEntries();
        }
    }
    CommandTyped = false;
}

bool CLumatrelDlg::RunCommandFile() {
    FileDialogRequest request;
    request.Filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*|";
    request.FileName = LogFilePath;
    const std::optional<std::string> chosen = m_services.prompter.AskOpenFileName(request);
    if (!chosen) {
        return false;
    }
    const std::string& path = *chosen;
    if (Link == nullptr) {
        m_services.prompter.ShowMessage("no Rkm5 selected, interface not open");
        return false;
    }
    if (Link->IsOpen() == 0) {
        m_services.prompter.ShowMessage("interface not open");
        return false;
    }
    AppendLog(std::string("\n") + kStars, 0);
    AppendLog("*** run commands from " + path + " ***", 0);
    AppendLog("***  " + FormatTimeStamp(m_services.clock()) + " ***", 0);
    AppendLog(kStars, 0);

    // Only a regular file of bounded size is read: a device such as /dev/zero never ends, a
    // FIFO may never deliver, a folder holds no commands.
    std::string bytes;
    std::string reason;
    if (ReadRegularFile(path, bytes, reason) != FileReadResult::Read) {
        m_services.prompter.ShowMessage(
            Format("command Listfile could not be opened\n%s: %s", path.c_str(), reason.c_str()));
        return false;
    }

    CommandFileFilter filter;
    std::string reply;
    ForEachCommandFileLine(bytes, [&](std::string_view line) {
        const std::optional<std::string> kept = filter.TakeLine(line);
        if (!kept) {
            return;
        }
        const std::string command = FromCp1252(*kept);
        AppendLog("Send: " + command, 0);
        ExchangeCommand(command, reply, 0);
    });

    AppendLog(std::string("\n") + kStars, 0);
    AppendLog("*** end run commands from file: " + path + " ***", 0);
    AppendLog(kStars, 0);
    return true;
}
