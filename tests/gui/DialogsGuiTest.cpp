// The setup dialogs, opened from the menus and driven through their widgets as a person
// does: what OK, Cancel and a refusal do, and what reaches the unit page and the units.
#include "GuiRig.h"
#include "SimDiscovery.h"
#include "dialogs/CChannelMap.h"
#include "gui/ChannelMapDialog.h"
#include "gui/GlobalCurrentDialog.h"
#include "gui/Rs232ConfigDialog.h"
#include "gui/TcpConfigDialog.h"
#include "support/PtyPair.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTest>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

QPushButton* ButtonOf(QWidget* dialog, const QString& text) {
    for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
        if (button->text().remove(QLatin1Char('&')) == text) {
            return button;
        }
    }
    return nullptr;
}

void Click(QWidget* dialog, const QString& text) {
    QPushButton* button = ButtonOf(dialog, text);
    ASSERT_NE(button, nullptr) << text.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
}

// Replaces a field's text by typing, as a person does after selecting what is there.
void TypeInto(QWidget* field, const QString& text) {
    field->setFocus();
    if (auto* edit = qobject_cast<QLineEdit*>(field)) {
        edit->selectAll();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) {
        spin->selectAll();
    }
    QTest::keyClicks(field, text);
}

// Moves a drop-down list's selection down by steps with the keyboard.
void StepDown(QComboBox* list, int steps) {
    list->setFocus();
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(list, Qt::Key_Down);
    }
}

bool Logged(CLumatrelDlg& page, const std::string& line) {
    const auto& log = page.Controls.LogEntries;
    return std::find(log.begin(), log.end(), line) != log.end();
}

class Dialogs : public Gui {
public:
    void StartWithRealDialogs() { Start(false, true); }
    void OpenConfigure() {
        Action(Shown().Menus(), QStringLiteral("Configure"))->trigger();
        QApplication::processEvents();
    }
    void UseTcp() {
        if (Page(0).SelectedIf != "TCP") {
            Action(Shown().Menus(), QStringLiteral("TCP/IP"))->trigger();
        }
    }
};

} // namespace

TEST_F(Dialogs, TcpPickingAFoundUnitTakesItsAddressAndSerialNumber) {
    SimIdentity identity;
    identity.SerialNumber = "3301";
    identity.IpAddress = "127.0.0.77";
    SimUnit found(identity);
    SimDiscovery answers(found, fs.discoveryPort, "127.1.255.255");
    fs.adapters = FixedNetworkAdapters({{"lo", 0x7F010001u, 0xFFFF0000u}});
    StartWithRealDialogs();
    UseTcp();
    bool listed = false;
    WhenModal([&listed](QWidget* modal) {
        auto* dialog = qobject_cast<TcpConfigDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        listed = dialog->FoundList->count() == 1 &&
                 dialog->FoundList->itemText(0).startsWith(QStringLiteral("3301"));
        // The list taking the focus picks the unit it shows.
        dialog->FoundList->setFocus();
        QApplication::processEvents();
        Click(dialog, QStringLiteral("OK"));
    });
    OpenConfigure();
    EXPECT_TRUE(listed);
    EXPECT_EQ(Page(0).IpAdr, "127.0.0.77");
    EXPECT_EQ(Page(0).SerNr, "3301");
    EXPECT_FALSE(Page(0).ManualIp);
    EXPECT_TRUE(Logged(Page(0),
                       ">> Using IP-Address \"127.0.0.77\" for RKM5 Device, port number used: 23"));
}

TEST_F(Dialogs, TcpTypingAHostNameClearsTheAddressAndOkTakesTheName) {
    StartWithRealDialogs();
    UseTcp();
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TcpConfigDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        TypeInto(dialog->HostName, QStringLiteral("rkm5-hall"));
        for (QSpinBox* part : dialog->AddressParts) {
            EXPECT_EQ(part->value(), 0);
        }
        Click(dialog, QStringLiteral("OK"));
    });
    OpenConfigure();
    EXPECT_EQ(Page(0).HostName, "rkm5-hall");
    EXPECT_EQ(Page(0).IpAdr, "");
    EXPECT_TRUE(
        Logged(Page(0), ">> Using Hostname \"rkm5-hall\" for RKM5 Device, port number used: 23"));
}

TEST_F(Dialogs, TcpTypingAnAddressAndCancellingChangesNothing) {
    StartWithRealDialogs();
    UseTcp();
    const std::string before = Page(0).IpAdr;
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TcpConfigDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        TypeInto(dialog->AddressParts[0], QStringLiteral("10"));
        Click(dialog, QStringLiteral("Cancel"));
    });
    OpenConfigure();
    EXPECT_EQ(Page(0).IpAdr, before);
    EXPECT_FALSE(Page(0).ManualIp);
    EXPECT_EQ(Page(0).Controls.LogEntries.back(), ">> TCP config dialog canceled");
}

class Rs232Dialog : public Dialogs {
public:
    void SetUp() override {
        for (const char* name : {"ttyS0", "ttyS1", "ttyUSB0"}) {
            root.Touch(name);
        }
        fs::create_directories(root.Path() / "serial" / "by-id");
        fs::create_symlink("../../ttyUSB0", root.Path() / "serial" / "by-id" / "usb-FTDI_X");
        StartWithRealDialogs();
        Page(0).SerialDeviceRoot = root.Path().string();
        Page(0).PortRs232 = "ttyS1";
    }
    TempFolder root;
    PtyPair pty;
};

TEST_F(Rs232Dialog, ATypedNameThatIsNoDeviceIsRefusedAndTheDialogStaysOpen) {
    const QString notes = QString::fromStdString(root.Touch("notes.txt").string());
    const QString terminal = QString::fromStdString(pty.SlavePath());
    bool stayedOpen = false;
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<Rs232ConfigDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        TypeInto(dialog->Port->lineEdit(), notes);
        Click(dialog, QStringLiteral("OK"));
        stayedOpen = dialog->isVisible();
        TypeInto(dialog->Port->lineEdit(), terminal);
        Click(dialog, QStringLiteral("OK"));
    });
    OpenConfigure();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(fs.prompter.Messages,
              Lines{"Serial port \"" + notes.toStdString() +
                    "\" cannot be used: " + notes.toStdString() + " is not a character device."});
    EXPECT_EQ(Page(0).PortRs232, pty.SlavePath());
    EXPECT_EQ(Page(0).Controls.LogEntries.back(),
              "RS232 Com device selected. Port: " + pty.SlavePath() + ", baudrate 115200");
}

TEST_F(Rs232Dialog, TheStableNameIsChosenFromTheListWithTheBaudRate) {
    const std::string byId = (root.Path() / "serial" / "by-id" / "usb-FTDI_X").string();
    WhenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<Rs232ConfigDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        ASSERT_TRUE(dialog->Port->isEditable());
        EXPECT_EQ(dialog->Port->currentText(), QStringLiteral("ttyS1"));
        StepDown(dialog->Port, 2);
        EXPECT_EQ(dialog->Port->currentText().toStdString(), byId);
        StepDown(dialog->Baud, 1);
        Click(dialog, QStringLiteral("OK"));
    });
    OpenConfigure();
    EXPECT_EQ(Page(0).PortRs232, byId);
    EXPECT_EQ(Page(0).Baudrate, 128000);
}

TEST_F(Rs232Dialog, CancelKeepsThePortAndTheRate) {
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<Rs232ConfigDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        StepDown(dialog->Port, 1);
        StepDown(dialog->Baud, 1);
        Click(dialog, QStringLiteral("Cancel"));
    });
    const std::size_t log = Page(0).Controls.LogEntries.size();
    OpenConfigure();
    EXPECT_EQ(Page(0).PortRs232, "ttyS1");
    EXPECT_EQ(Page(0).Baudrate, 115200);
    EXPECT_EQ(Page(0).Controls.LogEntries.size(), log);
}

TEST_F(Dialogs, ChannelMapRefusesACombinationAndStaysOpenThenTakesAnAcceptedOne) {
    StartWithRealDialogs();
    bool stayedOpen = false;
    WhenModal([&stayedOpen](QWidget* modal) {
        auto* dialog = qobject_cast<ChannelMapDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        StepDown(dialog->Lists[0], 2);
        StepDown(dialog->Lists[1], 1);
        Click(dialog, QStringLiteral("Apply"));
        stayedOpen = dialog->isVisible();
        Click(dialog, QStringLiteral("Clear"));
        for (QComboBox* list : dialog->Lists) {
            EXPECT_EQ(list->currentText(), QStringLiteral("0"));
        }
        StepDown(dialog->Lists[0], 2);
        StepDown(dialog->Lists[2], 1);
        StepDown(dialog->Lists[3], 1);
        Click(dialog, QStringLiteral("Apply"));
    });
    Action(Shown().Menus(), QStringLiteral("Manual channel assignment configuration"))->trigger();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(fs.prompter.Messages, Lines{CChannelMap::RefusalText});
    EXPECT_EQ(Page(0).ModulesPerChannel, (std::array<std::int32_t, 4>{2, 0, 1, 1}));
    EXPECT_EQ(Page(0).Controls.LogEntries.back(),
              ">>Channel mapping done, seleted: A->2, B->0, C->1, D->1");
}

TEST_F(Dialogs, ChannelMapCancelLeavesTheNumbers) {
    StartWithRealDialogs();
    const std::size_t log = Page(0).Controls.LogEntries.size();
    WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<ChannelMapDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        StepDown(dialog->Lists[0], 1);
        Click(dialog, QStringLiteral("Cancel"));
    });
    Action(Shown().Menus(), QStringLiteral("Manual channel assignment configuration"))->trigger();
    EXPECT_EQ(Page(0).ModulesPerChannel, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(Page(0).Controls.LogEntries.size(), log);
}

class GlobalCurrent : public Dialogs {
public:
    void SetUp() override {
        SimChannel limited = second.unit.Channel(1);
        limited.CurrentMin = 300;
        limited.CurrentMax = 1500;
        second.unit.SetChannel(1, limited);
        StartWithRealDialogs();
        system->AddUnit();
        QApplication::processEvents();
        Connect(0, first);
        Connect(1, second);
        first.unit.ClearReceivedCommands();
        second.unit.ClearReceivedCommands();
    }
    void Open(std::function<void(GlobalCurrentDialog*)> act) {
        WhenModal([act](QWidget* modal) {
            auto* dialog = qobject_cast<GlobalCurrentDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            act(dialog);
        });
        Action(window->Menus(), QStringLiteral("Set global LED current"))->trigger();
        QApplication::processEvents();
    }
    // Drags the slider's knob to the position of value with the mouse.
    static void Drag(QSlider* slider, int value) {
        const int length = slider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, slider);
        auto at = [&](int v) {
            return QPoint(length / 2 + QStyle::sliderPositionFromValue(slider->minimum(),
                                                                       slider->maximum(), v,
                                                                       slider->width() - length),
                          slider->height() / 2);
        };
        QTest::mousePress(slider, Qt::LeftButton, {}, at(slider->value()));
        QTest::mouseMove(slider, at(value));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, at(value));
    }
    LocalUnit first;
    LocalUnit second;
};

TEST_F(GlobalCurrent, TheBoxAndTheSliderFollowEachOtherWithinTheCommonRange) {
    int range[2] = {0, 0};
    int sliderAfterTyping = 0;
    QString boxAfterDragging;
    int sliderAfterDragging = 0;
    Open([&](GlobalCurrentDialog* dialog) {
        range[0] = dialog->Slider->minimum();
        range[1] = dialog->Slider->maximum();
        TypeInto(dialog->Current, QStringLiteral("700"));
        sliderAfterTyping = dialog->Slider->value();
        Drag(dialog->Slider, 1200);
        sliderAfterDragging = dialog->Slider->value();
        boxAfterDragging = dialog->Current->text();
        Click(dialog, QStringLiteral("Abbrechen"));
    });
    EXPECT_EQ(range[0], 300);
    EXPECT_EQ(range[1], 1500);
    EXPECT_EQ(sliderAfterTyping, 700);
    EXPECT_NE(sliderAfterDragging, 700);
    EXPECT_EQ(boxAfterDragging, QString::number(sliderAfterDragging));
    EXPECT_TRUE(first.Received().empty());
    EXPECT_TRUE(second.Received().empty());
}

TEST_F(GlobalCurrent, OkSendsTheTypedCurrentToEveryChannelInUse) {
    Open([](GlobalCurrentDialog* dialog) {
        TypeInto(dialog->Current, QStringLiteral("700"));
        Click(dialog, QStringLiteral("OK"));
    });
    const Lines all = {"IY E 700", "IY F 700", "IY G 700", "IY H 700"};
    EXPECT_EQ(first.Received(), all);
    EXPECT_EQ(second.Received(), all);
}

TEST_F(GlobalCurrent, ACurrentOutsideTheCommonRangeIsRefusedAndTheDialogStaysOpen) {
    bool stayedOpen = false;
    Open([&stayedOpen](GlobalCurrentDialog* dialog) {
        TypeInto(dialog->Current, QStringLiteral("1700"));
        Click(dialog, QStringLiteral("OK"));
        stayedOpen = dialog->isVisible();
        Click(dialog, QStringLiteral("Abbrechen"));
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(fs.prompter.Messages, Lines{"Enter an integer between 300 and 1500."});
    EXPECT_TRUE(first.Received().empty());
    EXPECT_TRUE(second.Received().empty());
}
