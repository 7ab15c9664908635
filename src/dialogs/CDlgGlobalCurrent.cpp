#include "dialogs/CDlgGlobalCurrent.h"

#include "dialogs/SetupDialogRunner.h"
#include "platform/Format.h"
#include "platform/Prompter.h"
#include "platform/Trace.h"
#include "protocol/Numbers.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <algorithm>
#include <array>

namespace {

// The commands name the channels E to H whatever the unit's assignment mode.
constexpr std::array<char, 4> kLetters = {'E', 'F', 'G', 'H'};

std::string RangeMessage(std::int32_t low, std::int32_t high) {
    std::string text = "Enter an integer between %1 and %2.";
    text.replace(text.find("%1"), 2, std::to_string(low));
    text.replace(text.find("%2"), 2, std::to_string(high));
    return text;
}

} // namespace

CDlgGlobalCurrent::CDlgGlobalCurrent(CTabDlg& systemWindow, Prompter& prompter)
    : SystemWindow(systemWindow), m_prompter(prompter) {}

int CDlgGlobalCurrent::DoModal(SetupDialogRunner& runner) {
    if (!OnInitDialog()) {
        return Result;
    }
    const int answer = runner.RunModal(*this);
    if (answer == 1 && Result == 1) {
        return 1;
    }
    if (answer == -1) {
        Result = -1;
        return -1;
    }
    OnCancel();
    return Result;
}

bool CDlgGlobalCurrent::OnInitDialog() {
    Result = 0;
    const int count = std::clamp(SystemWindow.UnitCount, 0, CTabDlg::kMaxUnits);
    for (int i = 0; i < count; ++i) {
        const CLumatrelDlg* unit = SystemWindow.Units[static_cast<std::size_t>(i)];
        if (unit == nullptr || unit->Link == nullptr) {
            m_prompter.ShowMessage(Format("RKM5 %d not connected, Function not possible", i));
            OnCancel();
            return false;
        }
    }
    if (count > 0) {
        SystemWindow.Units[0]->CommonCurrentRange(RangeLow, RangeHigh);
    }
    Trace(Format("start:max:%d,min:%d\n", RangeHigh, RangeLow));
    for (int j = 0; j < count; ++j) {
        std::int32_t low = 0;
        std::int32_t high = 0;
        SystemWindow.Units[static_cast<std::size_t>(j)]->CommonCurrentRange(low, high);
        RangeLow = std::max(RangeLow, low);
        RangeHigh = std::min(RangeHigh, high);
        Trace(Format("%d: max:%d,min:%d\n", j, RangeHigh, RangeLow));
    }
    LowLabel = Format("%d", RangeLow);
    HighLabel = Format("%d mA", RangeHigh);
    // Like a slider control, the range never runs backwards and the position stays in it.
    SliderMin = RangeLow;
    SliderMax = std::max(RangeLow, RangeHigh);
    SliderPos = std::clamp(SliderPos, SliderMin, SliderMax);
    Current = SliderPos;
    ShowEntries();
    return true;
}

void CDlgGlobalCurrent::ShowEntries() {
    CurrentText = std::to_string(Current);
}

bool CDlgGlobalCurrent::ReadCurrent(std::int32_t& value) {
    if (!ParseWholeInteger(CurrentText, value)) {
        m_prompter.ShowMessage("Enter an integer.", MessageIcon::Warning);
        return false;
    }
    return true;
}

void CDlgGlobalCurrent::OnCurrentTyped() {
    std::int32_t value = 0;
    if (!ReadCurrent(value)) {
        return;
    }
    Current = value;
    if (RangeLow < Current && Current < RangeHigh) {
        SliderPos = Current;
        ShowEntries();
    }
}

void CDlgGlobalCurrent::OnSliderReleased() {
    Current = SliderPos;
    ShowEntries();
}

bool CDlgGlobalCurrent::OnOK() {
    std::int32_t value = 0;
    if (!ReadCurrent(value)) {
        return false;
    }
    // A current beyond the common range would drive some module above the maximum it
    // reports, so it is refused like a unit page's current box refuses it.
    if (value < RangeLow || value > RangeHigh) {
        m_prompter.ShowMessage(RangeMessage(RangeLow, RangeHigh), MessageIcon::Warning);
        return false;
    }
    Current = value;
    const int count = std::clamp(SystemWindow.UnitCount, 0, CTabDlg::kMaxUnits);
    Trace(Format("anz:%d,current:%d\n", count, Current));
    for (int i = 0; i < count; ++i) {
        CLumatrelDlg* unit = SystemWindow.Units[static_cast<std::size_t>(i)];
        if (unit == nullptr) {
            continue;
        }
        for (std::size_t c = 0; c < 4; ++c) {
            Trace(Format("channel %c:%d\n", kLetters[c], unit->ModulesInUse[c]));
            if (unit->ModulesInUse[c] == 0) {
                continue;
            }
            const std::string command = Format("IY %c %d", kLetters[c], Current);
            unit->AppendLog("Sending: " + command, 0);
            std::string reply;
            unit->ExchangeCommand(command, reply, 0);
            unit->ShowEntries();
        }
    }
    ShowEntries();
    Result = 1;
    return true;
}

void CDlgGlobalCurrent::OnCancel() {
    Result = 2;
}
