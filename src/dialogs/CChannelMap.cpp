#include "dialogs/CChannelMap.h"

#include "dialogs/SetupDialogRunner.h"
#include "platform/Prompter.h"
#include "unit/CLumatrelDlg.h"

#include <algorithm>
#include <string>

namespace {

// Channel A may drive up to four modules, D only one.
constexpr std::array<int, 4> kItemCounts = {5, 4, 3, 2};

} // namespace

CChannelMap::CChannelMap(CLumatrelDlg& owner, Prompter& prompter)
    : Owner(owner), m_prompter(prompter) {}

int CChannelMap::DoModal(SetupDialogRunner& runner) {
    OnInitDialog();
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

void CChannelMap::OnInitDialog() {
    Result = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        DropDownList& list = ChannelLists[c];
        list.Entries.clear();
        for (int n = 0; n < kItemCounts[c]; ++n) {
            list.Entries.push_back(std::to_string(n));
        }
        const std::int32_t modules = Owner.ModulesPerChannel[c];
        list.Selection = modules >= 0 && modules < kItemCounts[c] ? modules : -1;
    }
}

void CChannelMap::OnClear() {
    for (DropDownList& list : ChannelLists) {
        list.Selection = 0;
    }
}

bool CChannelMap::IsAccepted(const std::array<int, 4>& modules) {
    std::int32_t code = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        if (modules[c] < 0 || modules[c] >= kItemCounts[c]) {
            return false;
        }
        code = code * 16 + modules[c];
    }
    return std::find(kAcceptedCodes.begin(), kAcceptedCodes.end(), code) != kAcceptedCodes.end();
}

bool CChannelMap::OnApply() {
    std::array<int, 4> modules{};
    for (std::size_t c = 0; c < 4; ++c) {
        modules[c] = ChannelLists[c].Selection;
    }
    if (!IsAccepted(modules)) {
        m_prompter.ShowMessage(RefusalText);
        return false;
    }
    for (std::size_t c = 0; c < 4; ++c) {
        Owner.ModulesPerChannel[c] = modules[c];
    }
    Result = 1;
    return true;
}

void CChannelMap::OnCancel() {
    Result = 2;
}
