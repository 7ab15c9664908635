#pragma once
// The program's windows on the offscreen platform over a system window whose person is
// played by the test, and simulated units on loopback for its pages to talk to.

#include "SimTcpServer.h"
#include "SimUnit.h"
#include "gui/QtDialogRunner.h"
#include "gui/QtPrompter.h"
#include "gui/SystemWindow.h"
#include "gui/UnitPageWidget.h"
#include "gui/UnitTabBar.h"
#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

// A simulated unit on a loopback address of its own at port 23, the port the TCP/IP dialog
// always chooses.
struct UnitOnPort23 {
    explicit UnitOnPort23(std::array<int, 4> layout) {
        std::random_device random;
        const std::uint32_t host = 2 + random() % 250;
        address = 0x7F000000u | ((random() % 250 + 1) << 16) | host;
        unit.SetLayout(layout, 501);
        try {
            server = std::make_unique<SimTcpServer>(unit, 23, address);
        } catch (const std::exception&) {
            server.reset();
        }
    }
    std::array<int, 4> Parts() const {
        return {static_cast<int>(address >> 24), static_cast<int>((address >> 16) & 255),
                static_cast<int>((address >> 8) & 255), static_cast<int>(address & 255)};
    }
    std::string Text() const {
        const auto p = Parts();
        return std::to_string(p[0]) + "." + std::to_string(p[1]) + "." + std::to_string(p[2]) +
               "." + std::to_string(p[3]);
    }
    SimUnit unit;
    std::uint32_t address = 0;
    std::unique_ptr<SimTcpServer> server;
};

// A simulated unit on 127.0.0.1 at a port of its own.
struct LocalUnit {
    explicit LocalUnit(std::array<int, 4> layout = {1, 1, 1, 1}, std::int32_t firstTessel = 201) {
        unit.SetLayout(layout, firstTessel);
    }
    std::vector<std::string> Received() const { return unit.ReceivedCommands(); }
    SimUnit unit;
    SimTcpServer server{unit};
};

class Gui : public ::testing::Test {
public:
    // With the fake prompter and dialog runner, or with the real message boxes and dialogs
    // when a test wants to drive them.
    void Start(bool realBoxes = false, bool realDialogs = false) {
        UnitServices services = fs.Services();
        Prompter& prompter = realBoxes ? static_cast<Prompter&>(qtPrompter) : fs.prompter;
        SetupDialogRunner& dialogs =
            realDialogs ? static_cast<SetupDialogRunner&>(qtDialogs) : fs.dialogs;
        system = std::make_unique<CTabDlg>(
            UnitServices{prompter, services.pause, services.timers, dialogs, services.adapters,
                         services.discoveryPort, services.profilePath, services.clock,
                         services.configurationFolder});
        window = std::make_unique<SystemWindow>(*system);
        system->OnInitDialog();
        window->show();
        QApplication::setActiveWindow(window.get());
        QApplication::processEvents();
    }
    void TearDown() override {
        if (system) {
            for (CLumatrelDlg* page : system->Units) {
                if (page != nullptr) {
                    page->SwitchOffAndDisconnect();
                }
            }
        }
        window.reset();
        system.reset();
    }

    CLumatrelDlg& Page(int i) { return *system->Units[static_cast<std::size_t>(i)]; }
    UnitPageWidget& Shown() { return *window->ShownPageWidget(); }
    // The menu item with this text, its menu refreshed as when a person opens it.
    static QAction* Action(QMenuBar* bar, const QString& text) {
        for (QAction* menu : bar->actions()) {
            for (QAction* action : menu->menu()->actions()) {
                if (action->text() == text) {
                    emit menu->menu()->aboutToShow();
                    return action;
                }
            }
        }
        return nullptr;
    }
    // The button that shows toolbar action index.
    static QToolButton* ToolbarButton(QToolBar* toolbar, int index) {
        return qobject_cast<QToolButton*>(toolbar->widgetForAction(toolbar->actions().at(index)));
    }
    void ConnectOverTcp(CLumatrelDlg& page, const UnitOnPort23& unit) {
        page.SelectedIf = "TCP";
        page.IpAdr = unit.Text();
        page.IpPort = 23;
        page.ConnectTcp();
        QApplication::processEvents();
    }
    // Connects unit page i to the simulated unit, as its Interface menu does, and forgets
    // what the unit received until then.
    void Connect(int i, LocalUnit& unit) {
        CLumatrelDlg& page = Page(i);
        page.SelectedIf = "TCP";
        page.IpAdr = "127.0.0.1";
        page.IpPort = unit.server.Port();
        // The Interface menu's check marks follow, as when a configuration names the unit.
        page.RefreshMenuAndToolbar();
        system->TabCtrl.SelectPage(i);
        page.ConnectSelected();
        QApplication::processEvents();
        Shown().SyncNow();
        unit.unit.ClearReceivedCommands();
    }
    // Runs f once a modal window other than `after` is up; gives up after some seconds, so
    // that a window that never comes cannot act on a later test.
    static void WhenModal(std::function<void(QWidget*)> f, QWidget* after = nullptr,
                          int triesLeft = 2000) {
        QTimer::singleShot(triesLeft == 2000 ? 0 : 2, [f, after, triesLeft] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == after) {
                if (triesLeft > 0) {
                    WhenModal(f, after, triesLeft - 1);
                } else {
                    ADD_FAILURE() << "no modal window came";
                }
                return;
            }
            f(modal);
        });
    }

    FakeServices fs;
    QtPrompter qtPrompter;
    QtDialogRunner qtDialogs;
    std::unique_ptr<CTabDlg> system;
    std::unique_ptr<SystemWindow> window;
};
