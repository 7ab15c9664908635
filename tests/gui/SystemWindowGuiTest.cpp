// The front end's real widgets on the offscreen platform, against simulated units.
#include "GuiRig.h"
#include "dialogs/CTcpConfig.h"
#include "gui/TcpConfigDialog.h"
#include "gui/UnitTabBar.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

TEST_F(Gui, TheFirstStartShowsOneUnitTabWithTheStartCheckMarks) {
    Start();
    ASSERT_EQ(window->TabBar()->count(), 1);
    EXPECT_EQ(window->TabBar()->tabText(0), QStringLiteral("RKM5 No.1\nTesselSerNr:"));
    QAction* startWithLast =
        Action(window->Menus(), QStringLiteral("Start with last configuration"));
    ASSERT_NE(startWithLast, nullptr);
    EXPECT_FALSE(startWithLast->isChecked());
    QAction* unitView = Action(window->Menus(), QStringLiteral("RKM5 View"));
    ASSERT_NE(unitView, nullptr);
    EXPECT_TRUE(unitView->isChecked());
    EXPECT_FALSE(Action(window->Menus(), QStringLiteral("Tessel View"))->isChecked());
    for (const QString& monitor :
         {QStringLiteral("Temperature"), QStringLiteral("Voltage"), QStringLiteral("Error")}) {
        QAction* item = Action(Shown().Menus(), monitor);
        ASSERT_NE(item, nullptr);
        EXPECT_TRUE(item->isChecked()) << monitor.toStdString();
    }
    EXPECT_EQ(&Shown().Page(), &Page(0));
}

TEST_F(Gui, AUnitIsConnectedThroughTheInterfaceMenuAndTheTcpDialog) {
    UnitOnPort23 unit({2, 0, 1, 1});
    if (!unit.server) {
        GTEST_SKIP() << "port 23 cannot be had here";
    }
    Start(false, true);
    Action(Shown().Menus(), QStringLiteral("TCP/IP"))->trigger();
    EXPECT_EQ(Page(0).SelectedIf, "TCP");

    WhenModal([&unit](QWidget* modal) {
        auto* dialog = qobject_cast<TcpConfigDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        const auto parts = unit.Parts();
        for (std::size_t i = 0; i < 4; ++i) {
            dialog->AddressParts[i]->setValue(parts[i]);
        }
        dialog->accept();
    });
    Action(Shown().Menus(), QStringLiteral("Configure"))->trigger();
    EXPECT_EQ(Page(0).IpAdr, unit.Text());
    EXPECT_TRUE(Page(0).ManualIp);

    Action(Shown().Menus(), QStringLiteral("Connect\tCtrl+C"))->trigger();
    QApplication::processEvents();
    ASSERT_NE(Page(0).Link, nullptr);
    EXPECT_EQ(window->TabBar()->tabText(0).left(4), QStringLiteral("TCP:"));
    // Two channels' module on A, its second channel reduced to its readings, C and D of
    // their own.
    Shown().SyncNow();
    const auto& a = Shown().Channel(0);
    const auto& b = Shown().Channel(1);
    EXPECT_TRUE(a.Group->title().startsWith(QStringLiteral("Tessel 1  S/N:")));
    EXPECT_TRUE(a.Apply->isVisibleTo(&Shown()));
    EXPECT_FALSE(b.Apply->isVisibleTo(&Shown()));
    EXPECT_TRUE(b.Voltage->isVisibleTo(&Shown()));
    EXPECT_TRUE(Shown().Channel(2).Group->title().startsWith(QStringLiteral("Tessel 2")));
}

TEST_F(Gui, ApplyAndOnOffReachTheUnit) {
    UnitOnPort23 unit({1, 1, 1, 1});
    if (!unit.server) {
        GTEST_SKIP() << "port 23 cannot be had here";
    }
    Start();
    ConnectOverTcp(Page(0), unit);
    ASSERT_NE(Page(0).Link, nullptr);
    Shown().SyncNow();
    unit.unit.ClearReceivedCommands();

    QLineEdit* current = Shown().Channel(1).Current;
    current->selectAll();
    QTest::keyClicks(current, QStringLiteral("700"));
    QTest::mouseClick(Shown().Channel(1).Apply, Qt::LeftButton);
    // On the box itself, at the left of the wide column.
    QCheckBox* onOff = Shown().Channel(2).OnOff;
    QTest::mouseClick(onOff, Qt::LeftButton, {}, QPoint(8, onOff->height() / 2));
    const std::vector<std::string> received = unit.unit.ReceivedCommands();
    EXPECT_NE(std::find(received.begin(), received.end(), "IY F 700"), received.end());
    EXPECT_NE(std::find(received.begin(), received.end(), "LC G 1"), received.end());
    EXPECT_EQ(Page(0).CurrentSetpoint[1], 700);
}

TEST_F(Gui, ALostConnectionIsToldInAMessageBox) {
    UnitOnPort23 unit({1, 1, 1, 1});
    if (!unit.server) {
        GTEST_SKIP() << "port 23 cannot be had here";
    }
    Start(true);
    ConnectOverTcp(Page(0), unit);
    ASSERT_NE(Page(0).Link, nullptr);
    Shown().SyncNow();
    SimFaults faults;
    faults.CloseMidReply = true;
    unit.unit.SetFaults(faults);

    QString shown;
    WhenModal([&shown](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        shown = box->text();
        EXPECT_EQ(box->textFormat(), Qt::PlainText);
        box->button(QMessageBox::Ok)->click();
    });
    QTest::mouseClick(Shown().Channel(0).Apply, Qt::LeftButton);
    EXPECT_EQ(shown.toStdString(), "TCP connection lost RKM5 SerialNumber: " + Page(0).SerNr);
    EXPECT_EQ(Page(0).Link, nullptr);
    QApplication::processEvents();
    EXPECT_EQ(window->TabBar()->tabText(0), QString::fromStdString("NC:" + Page(0).SerNr));
}

TEST_F(Gui, TheSystemWindowsKeysActWhenItHasTheFocus) {
    Start();
    QWidget* exit = window->findChild<QPushButton*>(QString(), Qt::FindChildrenRecursively);
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        if (button->text() == QStringLiteral("Exit")) {
            exit = button;
        }
    }
    exit->setFocus();
    QTest::keyClick(exit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(window->TabBar()->count(), 2);
    EXPECT_EQ(system->UnitCount, 2);

    const std::size_t before = Page(0).Controls.LogEntries.size();
    QTest::keyClick(exit, Qt::Key_F5);
    // Unconnected units: each channel reports the missing connection.
    EXPECT_EQ(Page(0).Controls.LogEntries.size(), before + 4);
    EXPECT_EQ(Page(0).Controls.LogEntries.back(),
              "++ Error: No host connection to RKM5 device active.");
}

TEST_F(Gui, ASliderMovedByTheKeyboardChangesNothing) {
    UnitOnPort23 unit({1, 1, 1, 1});
    if (!unit.server) {
        GTEST_SKIP() << "port 23 cannot be had here";
    }
    Start();
    ConnectOverTcp(Page(0), unit);
    ASSERT_NE(Page(0).Link, nullptr);
    Shown().SyncNow();
    const std::int32_t setpoint = Page(0).CurrentSetpoint[0];
    const QString box = Shown().Channel(0).Current->text();
    QSlider* slider = Shown().Channel(0).Slider;
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_PageUp);
    QTest::keyClick(slider, Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_EQ(Page(0).CurrentSetpoint[0], setpoint);
    EXPECT_EQ(Shown().Channel(0).Current->text(), box);
}

TEST_F(Gui, ATabSelectedWithTheKeyboardShowsItsOwnPage) {
    Start();
    system->AddUnit();
    system->AddUnit();
    QApplication::processEvents();
    ASSERT_EQ(window->TabBar()->count(), 3);
    window->TabBar()->setFocus();
    window->TabBar()->setCurrentIndex(0);
    QApplication::processEvents();
    QTest::keyClick(window->TabBar(), Qt::Key_Right);
    QApplication::processEvents();
    ASSERT_EQ(window->TabBar()->currentIndex(), 1);
    EXPECT_EQ(system->TabCtrl.GetCurSel(), 1);
    EXPECT_EQ(&Shown().Page(), &Page(1));
}
