#include "system/CibTabCtrl.h"

void CibTabCtrl::AddPage(const std::string& label, CLumatrelDlg* page, int image) {
    Labels.push_back(label);
    Pages.push_back(page);
    Items.push_back({label, image});
}

void CibTabCtrl::SelectPage(int index) {
    CurSel = m_selection;
    ShownPage = -1;
    CurSel = index;
    if (index < 0 || index >= GetCount()) {
        return;
    }
    m_selection = index;
    ShownPage = index;
}

void CibTabCtrl::SetSelectedItem(const std::string& text, int image) {
    if (m_selection >= 0 && m_selection < GetCount()) {
        Items[static_cast<size_t>(m_selection)] = {text, image};
    }
}
