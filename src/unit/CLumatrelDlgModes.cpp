#include "unit/CLumatrelDlg.h"

#include "platform/Prompter.h"
#include "unit/OperatingModes.h"

#include <cstddef>

namespace {

bool IsModeNumber(std::int32_t mode) {
    return mode >= 0 && mode <= 3;
}

} // namespace

void CLumatrelDlg::ChooseOperatingMode(std::int32_t mode) {
    if (!IsModeNumber(mode)) {
        return;
    }
    const OperatingModeItem& item = OperatingModeItemFor(mode);
    bool& checked = Controls.OperatingModeChecked[static_cast<std::size_t>(mode)];
    if (checked) {
        return;
    }
    checked = true;
    if (!m_services.prompter.AskYesNo(item.Question)) {
        checked = false;
        if (m_view != nullptr) {
            m_view->Refresh();
        }
        return;
    }
    Controls.OperatingModeChecked.fill(false);
    checked = true;
    OperatingModeText = item.ModeText;
    // The new mode is on screen before the command goes out.
    ShowEntries();
    if (m_view != nullptr) {
        m_view->RedrawNow();
    }
    SendOperatingMode(mode);
}

void CLumatrelDlg::SendOperatingMode(std::int32_t mode) {
    OperatingMode = mode;
    if (Link == nullptr) {
        AppendLog("++ Error: No host connection to RKM5 device active.", 0);
        return;
    }
    const std::string command = "MO " + std::to_string(mode);
    AppendLog("Sending: " + command, 0);
    std::string reply;
    ExchangeCommand(command, reply, 0);
}

void CLumatrelDlg::ShowOperatingMode() {
    const OperatingModeItem& item = OperatingModeItemFor(OperatingMode);
    Controls.OperatingModeChecked.fill(false);
    Controls.OperatingModeChecked[static_cast<std::size_t>(item.Mode)] = true;
    OperatingModeText = item.ModeText;
    Controls.OperatingMode = OperatingModeText;
}
