// The keys, pressed as a person presses them on the focused widget: what reaches the
// simulated unit, and what the window does.
#include "GuiRig.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QShowEvent>
#include <QSlider>
#include <QTest>
#include <QtTest/qtestspontaneevent.h>

#include <filesystem>

namespace {

using Frames = std::vector<std::string>;

const Frames kAllOn = {"LC E 1", "LC F 1", "LC G 1", "LC H 1"};
const Frames kAllOff = {"LC E 0", "LC F 0", "LC G 0", "LC H 0"};

// Keys go to the widget that has the focus, as the keyboard sends them.
void Press(QWidget* focus, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    focus->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    QApplication::processEvents();
}

void Type(QWidget* focus, const QString& text) {
    focus->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), text);
}

long CountOf(const std::vector<std::string>& lines, const std::string& line) {
    return std::count(lines.begin(), lines.end(), line);
}

class Keys : public Gui {
public:
    void StartConnected() {
        Start();
        Connect(0, unit);
    }
    QLineEdit* CommandLine() { return Shown().CommandBox()->lineEdit(); }
    QLineEdit* CurrentBox(int c) { return Shown().Channel(c).Current; }
    LocalUnit unit;
};

} // namespace

TEST_F(Keys, EnterInTheCommandLineSendsOneFrame) {
    StartConnected();
    Type(Shown().CommandBox(), QStringLiteral("VR"));
    Press(Shown().CommandBox(), Qt::Key_Return);
    EXPECT_EQ(unit.Received(), Frames{"VR"});
    EXPECT_EQ(CountOf(Page(0).Controls.LogEntries, "Send > VR"), 1);
    EXPECT_EQ(system->ModalResult, 0) << "the window's own default button stays untouched";
}

TEST_F(Keys, TheCommandLineSendsWhatWasTypedNotAnEntryItBegins) {
    StartConnected();
    Type(Shown().CommandBox(), QStringLiteral("LC"));
    Press(Shown().CommandBox(), Qt::Key_Return);
    CommandLine()->selectAll();
    Type(Shown().CommandBox(), QStringLiteral("lc 1"));
    Press(Shown().CommandBox(), Qt::Key_Return);
    EXPECT_EQ(unit.Received(), (Frames{"LC", "lc 1"}));
}

TEST_F(Keys, EnterInACurrentBoxAppliesThatChannelOnly) {
    StartConnected();
    Type(Shown().CommandBox(), QStringLiteral("VR"));
    QLineEdit* box = CurrentBox(1);
    box->setFocus();
    box->selectAll();
    Type(box, QStringLiteral("700"));
    Press(box, Qt::Key_Enter);
    EXPECT_EQ(unit.Received(), Frames{"IY F 700"});
    EXPECT_EQ(Page(0).CurrentSetpoint[1], 700);
    Shown().SyncNow();
    EXPECT_EQ(box->text(), QStringLiteral("700")) << "the box keeps what was applied";
}

// Where Enter is pressed on a page whose command line holds "TE", and what the unit gets.
struct EnterCase {
    const char* name;
    std::function<QWidget*(UnitPageWidget&)> focus;
    Frames received;
};

void PrintTo(const EnterCase& row, std::ostream* os) {
    *os << row.name;
}

class EnterOnThePage : public Keys, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterOnThePage, PressesThePagesDefaultButtonOnce) {
    const EnterCase& row = GetParam();
    StartConnected();
    Type(Shown().CommandBox(), QStringLiteral("TE"));
    Press(row.focus(Shown()), Qt::Key_Return);
    EXPECT_EQ(unit.Received(), row.received);
    EXPECT_EQ(system->ModalResult, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EnterOnThePage,
    ::testing::Values(
        EnterCase{"OnTheLog", [](UnitPageWidget& p) -> QWidget* { return p.LogView(); }, {"TE"}},
        EnterCase{"OnAnOnOffBox",
                  [](UnitPageWidget& p) -> QWidget* { return p.Channel(0).OnOff; },
                  {"TE"}},
        EnterCase{
            "OnASlider", [](UnitPageWidget& p) -> QWidget* { return p.Channel(2).Slider; }, {"TE"}},
        EnterCase{"OnAnApplyButtonPressesIt",
                  [](UnitPageWidget& p) -> QWidget* { return p.Channel(3).Apply; },
                  {"IY H 200"}},
        EnterCase{"InTheCurrentBoxOfChannelA",
                  [](UnitPageWidget& p) -> QWidget* { return p.Channel(0).Current; },
                  {"IY E 200"}}),
    [](const auto& info) { return std::string(info.param.name); });

// An editing key in a field that takes text, and what it did to the field.
struct EditingKeyCase {
    const char* name;
    bool commandLine; // else channel A's current box
    Qt::Key key;
    std::function<void(QLineEdit&)> prepare;
    std::function<void(QLineEdit&)> check;
};

void PrintTo(const EditingKeyCase& row, std::ostream* os) {
    *os << row.name;
}

class EditingKeys : public Keys, public ::testing::WithParamInterface<EditingKeyCase> {};

TEST_P(EditingKeys, EditTheFieldAndReachNoOperation) {
    const EditingKeyCase& row = GetParam();
    StartConnected();
    QWidget* field = row.commandLine ? static_cast<QWidget*>(Shown().CommandBox())
                                     : static_cast<QWidget*>(CurrentBox(0));
    QLineEdit* edit = row.commandLine ? CommandLine() : CurrentBox(0);
    field->setFocus();
    edit->selectAll();
    Type(field, QStringLiteral("1234"));
    QGuiApplication::clipboard()->setText(QStringLiteral("999"));
    row.prepare(*edit);
    const std::size_t log = Page(0).Controls.LogEntries.size();
    CRkmio* link = Page(0).Link;

    Press(field, row.key, Qt::ControlModifier);

    row.check(*edit);
    EXPECT_EQ(system->UnitCount, 1);
    EXPECT_EQ(window->TabBar()->count(), 1);
    EXPECT_TRUE(fs.prompter.Messages.empty());
    EXPECT_TRUE(fs.prompter.FileRequests.empty());
    EXPECT_EQ(Page(0).Controls.LogEntries.size(), log);
    EXPECT_EQ(Page(0).Link, link);
    EXPECT_TRUE(unit.Received().empty());
}

void SelectNothing(QLineEdit& edit) {
    edit.deselect();
}
void SelectAll(QLineEdit& edit) {
    edit.selectAll();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EditingKeys,
    ::testing::Values(
        EditingKeyCase{"CtrlASelectsAllInTheCommandLine", true, Qt::Key_A, SelectNothing,
                       [](QLineEdit& e) { EXPECT_EQ(e.selectedText(), QStringLiteral("1234")); }},
        EditingKeyCase{"CtrlCCopiesFromTheCommandLine", true, Qt::Key_C, SelectAll,
                       [](QLineEdit&) {
                           EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1234"));
                       }},
        EditingKeyCase{"CtrlVPastesIntoTheCommandLine", true, Qt::Key_V, SelectAll,
                       [](QLineEdit& e) { EXPECT_EQ(e.text(), QStringLiteral("999")); }},
        EditingKeyCase{"CtrlXCutsFromTheCommandLine", true, Qt::Key_X, SelectAll,
                       [](QLineEdit& e) {
                           EXPECT_EQ(e.text(), QString());
                           EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1234"));
                       }},
        EditingKeyCase{"CtrlZUndoesInTheCommandLine", true, Qt::Key_Z, SelectNothing,
                       [](QLineEdit& e) { EXPECT_NE(e.text(), QStringLiteral("1234")); }},
        EditingKeyCase{"CtrlASelectsAllInACurrentBox", false, Qt::Key_A, SelectNothing,
                       [](QLineEdit& e) { EXPECT_EQ(e.selectedText(), QStringLiteral("1234")); }},
        EditingKeyCase{"CtrlCCopiesFromACurrentBox", false, Qt::Key_C, SelectAll,
                       [](QLineEdit&) {
                           EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("1234"));
                       }},
        EditingKeyCase{"CtrlVPastesIntoACurrentBox", false, Qt::Key_V, SelectAll,
                       [](QLineEdit& e) { EXPECT_EQ(e.text(), QStringLiteral("999")); }},
        EditingKeyCase{"CtrlXCutsFromACurrentBox", false, Qt::Key_X, SelectAll,
                       [](QLineEdit& e) { EXPECT_EQ(e.text(), QString()); }},
        EditingKeyCase{"CtrlZUndoesInACurrentBox", false, Qt::Key_Z, SelectNothing,
                       [](QLineEdit& e) { EXPECT_NE(e.text(), QStringLiteral("1234")); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Keys, OutsideTextFieldsCtrlAAndCtrlCActAsTheirPartsSay) {
    Start();
    // On the page: Ctrl+A adds a unit, Ctrl+C connects the page's unit (from a box that
    // only shows text, too).
    Page(0).SelectedIf = "TCP";
    Page(0).IpAdr = "127.0.0.1";
    Page(0).IpPort = unit.server.Port();
    Press(Shown().LogView(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(system->UnitCount, 2);
    system->TabCtrl.SelectPage(0);
    QApplication::processEvents();
    QLineEdit* serNr = nullptr;
    for (QLineEdit* edit : Shown().findChildren<QLineEdit*>()) {
        if (edit->isReadOnly() && edit->isVisibleTo(&Shown())) {
            serNr = edit;
        }
    }
    ASSERT_NE(serNr, nullptr);
    Press(serNr, Qt::Key_C, Qt::ControlModifier);
    EXPECT_NE(Page(0).Link, nullptr);
    EXPECT_EQ(system->UnitCount, 2) << "one operation per key";

    // On the system window's own controls: Ctrl+C is "Connect all", Ctrl+A adds a unit.
    Press(window->ExitButton(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(fs.prompter.Messages, Frames{"no Config loaded --> no connect all possible"});
    Press(window->ExitButton(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(system->UnitCount, 3);
}

TEST_F(Keys, F5AndF6OnThePageSwitchItsChannelsOnce) {
    StartConnected();
    Press(Shown().LogView(), Qt::Key_F5);
    EXPECT_EQ(unit.Received(), kAllOn);
    unit.unit.ClearReceivedCommands();
    Press(CurrentBox(2), Qt::Key_F6);
    EXPECT_EQ(unit.Received(), kAllOff);
}

TEST_F(Keys, F5OnTheSystemWindowSwitchesEveryUnitAndReturnsToTheSelectedTab) {
    LocalUnit second;
    StartConnected();
    system->AddUnit();
    QApplication::processEvents();
    Connect(1, second);
    unit.unit.ClearReceivedCommands();
    system->TabCtrl.SelectPage(0);
    QApplication::processEvents();
    Press(window->ExitButton(), Qt::Key_F5);
    EXPECT_EQ(unit.Received(), kAllOn);
    EXPECT_EQ(second.Received(), kAllOn);
    EXPECT_EQ(window->TabBar()->currentIndex(), 0);
}

TEST_F(Keys, ARefusedCurrentBoxGetsTheFocusWhicheverActionReadTheEntries) {
    struct Way {
        const char* name;
        std::function<void(Keys&)> act;
    };
    const std::vector<Way> ways = {
        {"F5 on the page", [](Keys& t) { Press(t.Shown().LogView(), Qt::Key_F5); }},
        {"the page's menu",
         [](Keys& t) {
             Action(t.Shown().Menus(), QStringLiteral("All channels Off\tF6"))->trigger();
         }},
        {"the page's toolbar",
         [](Keys& t) { QTest::mouseClick(ToolbarButton(t.Shown().Toolbar(), 2), Qt::LeftButton); }},
        {"the system window's menu",
         [](Keys& t) {
             Action(t.window->Menus(), QStringLiteral("All channels on\tF5"))->trigger();
         }},
        {"the system window's toolbar",
         [](Keys& t) { QTest::mouseClick(ToolbarButton(t.window->Toolbar(), 5), Qt::LeftButton); }},
        {"F6 on the system window", [](Keys& t) { Press(t.window->ExitButton(), Qt::Key_F6); }},
    };
    StartConnected();
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        fs.prompter.Messages.clear();
        QLineEdit* box = CurrentBox(1);
        box->setFocus();
        box->selectAll();
        Type(box, QStringLiteral("abc"));
        Shown().LogView()->setFocus();
        QApplication::processEvents();
        way.act(*this);
        QApplication::processEvents();
        EXPECT_EQ(fs.prompter.Messages, Frames{"Enter an integer."});
        EXPECT_EQ(QApplication::focusWidget(), box);
    }
}

TEST_F(Keys, F7PlacesThePageAtTheTabStripAndShrinksItOnEveryPress) {
    Start();
    window->resize(1280, 960);
    QApplication::processEvents();
    UnitPageWidget* page = &Shown();
    const QSize before = page->size();
    const QPoint corner = window->TabBar()->geometry().topLeft() + QPoint(15, 25);
    Press(Shown().LogView(), Qt::Key_F7);
    EXPECT_EQ(page->geometry(), QRect(corner, before - QSize(100, 100)));
    Press(Shown().LogView(), Qt::Key_F7);
    EXPECT_EQ(page->geometry(), QRect(corner, before - QSize(200, 200)));
    EXPECT_TRUE(page->isVisible());
    // Resizing the window puts the page back over the page area.
    window->resize(1200, 900);
    QApplication::processEvents();
    EXPECT_EQ(page->geometry(), window->PageArea());
}

TEST_F(Keys, RestoringTheWindowKeepsTheSelectedTab) {
    Start();
    system->AddUnit();
    system->AddUnit();
    QApplication::processEvents();
    const QRect second = window->TabBar()->tabRect(1);
    QTest::mouseClick(window->TabBar(), Qt::LeftButton, {}, second.center());
    QApplication::processEvents();
    ASSERT_EQ(system->TabCtrl.GetCurSel(), 1);

    window->showMinimized();
    QApplication::processEvents();
    window->showNormal();
    QApplication::processEvents();
    // The window system tells a restored window it is shown again.
    QShowEvent shown;
    QSpontaneKeyEvent::setSpontaneous(&shown);
    QApplication::sendEvent(window.get(), &shown);
    QApplication::processEvents();
    EXPECT_EQ(system->TabCtrl.GetCurSel(), 1);
    EXPECT_EQ(window->TabBar()->currentIndex(), 1);
    EXPECT_EQ(&Shown().Page(), &Page(1));
}

// The answer to Escape's question, and what follows.
struct EscapeCase {
    const char* name;
    bool yes;
    bool inTextField;
};

void PrintTo(const EscapeCase& row, std::ostream* os) {
    *os << row.name;
}

class Escape : public Keys, public ::testing::WithParamInterface<EscapeCase> {};

TEST_P(Escape, AsksBeforeItEndsTheRunWithoutSaving) {
    const EscapeCase& row = GetParam();
    StartConnected();
    fs.prompter.YesNoAnswers = {row.yes};
    QWidget* focus = row.inTextField ? static_cast<QWidget*>(Shown().CommandBox())
                                     : static_cast<QWidget*>(window->TabBar());
    Press(focus, Qt::Key_Escape);
    EXPECT_EQ(fs.prompter.Questions, Frames{"Exit without saving the configuration?"});
    if (row.yes) {
        EXPECT_EQ(system->ModalResult, 2);
        EXPECT_EQ(Page(0).Link, nullptr);
        EXPECT_EQ(unit.Received(), Frames{"LC 0"}) << "the LEDs go off as with Cancel";
    } else {
        EXPECT_EQ(system->ModalResult, 0);
        EXPECT_NE(Page(0).Link, nullptr);
        EXPECT_TRUE(unit.Received().empty());
        EXPECT_TRUE(window->isVisible());
    }
    EXPECT_FALSE(std::filesystem::exists(fs.LastConfigPath())) << "nothing is saved";
}

INSTANTIATE_TEST_SUITE_P(Rows, Escape,
                         ::testing::Values(EscapeCase{"YesEndsTheRun", true, false},
                                           EscapeCase{"NoDoesNothing", false, false},
                                           EscapeCase{"YesFromTheCommandLine", true, true},
                                           EscapeCase{"NoFromTheCommandLine", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Keys, TheCancelButtonEndsTheRunWithoutAsking) {
    StartConnected();
    QTest::mouseClick(window->CancelButton(), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_TRUE(fs.prompter.Questions.empty());
    EXPECT_EQ(system->ModalResult, 2);
    EXPECT_EQ(Page(0).Link, nullptr);
    EXPECT_FALSE(std::filesystem::exists(fs.LastConfigPath()));
}
