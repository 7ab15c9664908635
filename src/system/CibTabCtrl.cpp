#include "system/CibTabCtrl.h"

#include "platform/SystemView.h"

#include <cstddef>
#include <set>
#include <stdexcept>

void CibTabCtrl::Changed() {
    if (m_view != nullptr) {
        m_view->TabsChanged();
    }
}

void CibTabCtrl::AddPage(const std::string& label, CLumatrelDlg* page, int image) {
    Labels.push_back(label);
    Pages.push_back(page);
    Items.push_back({label, image});
    Changed();
}

void CibTabCtrl::SelectPage(int index) {
    ShownPage = -1;
    CurSel = index;
    if (index >= 0 && index < GetCount()) {
        m_selection = index;
        ShownPage = index;
    }
    Changed();
}

void CibTabCtrl::OnSelChange(int index) {
    SelectPage(index);
}

void CibTabCtrl::EraseTab(int index) {
    const auto at = static_cast<std::ptrdiff_t>(index);
    Pages.erase(Pages.begin() + at);
    Labels.erase(Labels.begin() + at);
    Items.erase(Items.begin() + at);
    if (m_selection == index) {
        m_selection = -1;
    } else if (m_selection > index) {
        --m_selection;
    }
    if (ShownPage == index) {
        ShownPage = -1;
    } else if (ShownPage > index) {
        --ShownPage;
    }
}

int CibTabCtrl::RemoveSelectedPage() {
    const int selected = m_selection;
    if (selected >= 0 && selected < GetCount()) {
        EraseTab(selected);
    }
    SelectPage(0);
    return selected;
}

void CibTabCtrl::RemovePage(int index) {
    if (index < 0 || index >= GetCount()) {
        throw std::invalid_argument("no tab at this index");
    }
    EraseTab(index);
    Changed();
}

void CibTabCtrl::SetSelectedItem(const std::string& text, int image) {
    if (m_selection >= 0 && m_selection < GetCount()) {
        Items[static_cast<std::size_t>(m_selection)] = {text, image};
        Changed();
    }
}

int CibTabCtrl::NextUnitNumber() const {
    std::set<long> taken;
    for (const std::string& label : Labels) {
        const std::size_t at = label.find("No.");
        if (at == std::string::npos) {
            continue;
        }
        // The digits after "No.", bounded so that a long run of them cannot overflow.
        long number = 0;
        bool any = false;
        for (std::size_t i = at + 3; i < label.size() && label[i] >= '0' && label[i] <= '9'; ++i) {
            any = true;
            if (number < 1000000) {
                number = number * 10 + (label[i] - '0');
            }
        }
        if (any) {
            taken.insert(number);
        }
    }
    int next = 1;
    while (taken.count(next) != 0) {
        ++next;
    }
    return next;
}
