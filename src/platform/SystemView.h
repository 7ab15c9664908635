#pragma once

class CLumatrelDlg;

// Told when the system window's state changed, so that its window redraws what changed and
// carries out what only a window can do.
class SystemView {
public:
    virtual ~SystemView() = default;
    // Tabs were added, removed, retitled, re-imaged or selected, or another page is shown:
    // the strip is drawn again from its Items and ShownPage.
    virtual void TabsChanged() = 0;
    // Menu check marks, toolbar images or the status line changed.
    virtual void Refresh() = 0;
    // The page is about to be deleted: whatever shows it must let go of it now.
    virtual void PageReleased(CLumatrelDlg& page) = 0;
    // F7 on a unit page: place it at the tab strip, 15 pixels right of and 25 below the
    // strip's top left corner, each side 100 pixels smaller than it is now.
    virtual void PlacePageAtTabStrip(CLumatrelDlg& page) = 0;
    // The "?" menu's "About".
    virtual void ShowAbout() = 0;
    // The modal run ends with result 1 (Exit) or 2 (Cancel); with exitProcess the process
    // ends at once with exit code 0.
    virtual void EndModal(int result, bool exitProcess) = 0;
};
