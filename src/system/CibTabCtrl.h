#pragma once

#include <string>
#include <vector>

class CLumatrelDlg;
class SystemView;

// The tab strip of the system window: one tab per page, with the label it was added with,
// its visible title and its image. The strip does not own the pages. Where the pages are
// drawn on screen is the window's matter; the strip says which one is shown.
class CibTabCtrl {
public:
    // Appends a tab.
    void AddPage(const std::string& label, CLumatrelDlg* page, int image);
    // Makes a tab current and shows its page; an index outside the tabs shows none.
    void SelectPage(int index);
    // Removes the selected tab, then selects tab 0; returns the removed index, -1 when no tab
    // was selected. The page object is left to the caller.
    int RemoveSelectedPage();
    // Removes the tab at index without selecting another; throws std::invalid_argument for an
    // index outside the tabs.
    void RemovePage(int index);
    // Replaces the visible title and image of the selected tab; Labels stays.
    void SetSelectedItem(const std::string& text, int image);
    // The strip changed its own selection, by a click or by the keyboard: the page of the
    // newly selected tab is shown either way, so that the page in view is always the one
    // the system window's actions go to.
    void OnSelChange(int index);
    int GetCount() const { return static_cast<int>(Labels.size()); }
    // The strip's current selection (-1 when none).
    int GetCurSel() const { return m_selection; }
    // The lowest unit number n >= 1 that no label holds after its "No.".
    int NextUnitNumber() const;

    void SetView(SystemView* view) { m_view = view; }

    std::vector<std::string> Labels;
    std::vector<CLumatrelDlg*> Pages;
    // The tab index last selected through the strip.
    int CurSel = -1;

    struct Item {
        std::string Title;
        int Image = 0;
    };
    std::vector<Item> Items;
    // The tab whose page is shown over the strip, or -1.
    int ShownPage = -1;

private:
    void EraseTab(int index);
    void Changed();

    int m_selection = -1;
    SystemView* m_view = nullptr;
};
