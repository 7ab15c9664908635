#pragma once

#include "platform/SystemView.h"

#include <QDialog>
#include <QEvent>

#include <map>
#include <memory>

class CTabDlg;
class CLumatrelDlg;
class QLabel;
class QMenuBar;
class QPushButton;
class QStackedWidget;
class QToolBar;
class UnitPageWidget;
class UnitTabBar;

// The program's main window: menus, toolbar, the unit tabs with the selected unit's page,
// the status line, "Exit" and "Cancel". It draws the system window's state and forwards
// what the operator does.
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
    QLabel* StatusLine() const { return m_status; }
    // The widget of a page, made when the page is first shown.
    UnitPageWidget* WidgetFor(CLumatrelDlg& page);
    UnitPageWidget* ShownPageWidget() const;

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
    UnitPageWidget* PageWidgetOf(QObject* object) const;

    CTabDlg& m_system;
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolbar = nullptr;
    UnitTabBar* m_tabBar = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_cancel = nullptr;
    std::map<CLumatrelDlg*, UnitPageWidget*> m_widgets;
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
};
