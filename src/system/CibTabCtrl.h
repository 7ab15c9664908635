#pragma once

#include <string>
#include <vector>

class CLumatrelDlg;

// The tab strip of the system window: one tab per page, with the label it was added with,
// its visible title and its image.
class CibTabCtrl {
public:
    void AddPage(const std::string& label, CLumatrelDlg* page, int image);
    void SelectPage(int index);
    void SetSelectedItem(const std::string& text, int image);
    int GetCount() const { return static_cast<int>(Labels.size()); }
    // The strip's current selection (-1 when none).
    int GetCurSel() const { return m_selection; }

    std::vector<std::string> Labels;
    std::vector<CLumatrelDlg*> Pages;
    int CurSel = -1;

    struct Item {
        std::string Title;
        int Image = 0;
    };
    std::vector<Item> Items;
    // The page shown over the strip, or -1.
    int ShownPage = -1;

private:
    int m_selection = -1;
};
