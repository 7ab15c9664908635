#pragma once

#include "platform/SystemView.h"

#include <QDialog>
#include <QEvent>

#include <map>
#include <memory>

class CTabDlg;
class CLumatrelDlg;
class ElidedLabel;
class QFrame;
class QMenuBar;
class QPushButton;
class QToolBar;
class UnitPageWidget;
class UnitTabBar;

// The program's main window: menus, toolbar, the unit tabs with the selected unit's page,
// the status line, "Exit" and "Cancel". It draws the system window's state and forwards
// what the operator does.
//
// The unit pages are children of the window itself, placed over the page area below the tab
// strip whenever a tab is selected or the area changes, so that F7 can put a page elsewhere.
class SystemWindow : public QDialog, public SystemView {
    Q_OBJECT
public:
    explicit SystemWindow(CTabDlg& system, QWidget* parent = nullptr);
    ~SystemWindow() override;

    // SystemView
    void TabsChanged() override;
    void Refresh() override;
    void PageReleased(CLumatrelDlg& page) override;
    void PlacePageAtTabStrip(CLumatrelDlg& page) override;
    void ShowAbout() override;
    void EndModal(int result, bool exitProcess) override;

    UnitTabBar* TabBar() const { return m_tabBar; }
    QToolBar* Toolbar() const { return m_toolbar; }
    QMenuBar* Menus() const { return m_menuBar; }
    ElidedLabel* StatusLine() const { return m_status; }
    QPushButton* ExitButton() const { return m_exit; }
    QPushButton* CancelButton() const { return m_cancel; }
    // Where the selected page is placed, in the window's coordinates.
    QRect PageArea() const;
    // The widget of a page, made when the page is first shown.
    UnitPageWidget* WidgetFor(CLumatrelDlg& page);
    UnitPageWidget* ShownPageWidget() const { return m_shown; }

    bool ExitRequested() const { return m_exitProcess; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildMenus();
    void BuildToolbar();
    void SyncTabs();
    void ShowPage(UnitPageWidget* widget);
    UnitPageWidget* PageWidgetOf(QObject* object) const;

    CTabDlg& m_system;
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolbar = nullptr;
    UnitTabBar* m_tabBar = nullptr;
    QFrame* m_pageArea = nullptr;
    ElidedLabel* m_status = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_cancel = nullptr;
    std::map<CLumatrelDlg*, UnitPageWidget*> m_widgets;
    UnitPageWidget* m_shown = nullptr;
    struct KeySeen {
        const void* Event = nullptr;
        QEvent::Type Type = QEvent::None;
        quint64 Time = 0;
        int Key = 0;
        bool operator==(const KeySeen&) const = default;
    };
    KeySeen m_lastKey;
    bool m_syncingTabs = false;
    bool m_ending = false;
    bool m_exitProcess = false;
    bool m_shownOnce = false;
};
