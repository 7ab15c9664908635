// The unit page as it shows the unit and keeps what the operator typed: the operating mode,
// the command line's history and hint.
#include "GuiRig.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <fstream>
#include <sstream>
#include <utility>

namespace {

using Lines = std::vector<std::string>;

// Records what a label showed each time it was painted, with how long the page's log was
// then.
class PaintRecorder : public QObject {
public:
    PaintRecorder(QLabel* label, const CLumatrelDlg& page) : m_label(label), m_page(page) {
        label->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_label && event->type() == QEvent::Paint) {
            Paints.emplace_back(m_label->text(), m_page.Controls.LogEntries.size());
        }
        return false;
    }
    std::vector<std::pair<QString, std::size_t>> Paints;

private:
    QLabel* m_label;
    const CLumatrelDlg& m_page;
};

void SendTyped(QComboBox* box, const QString& text) {
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

QStringList EntriesOf(QComboBox* box) {
    QStringList entries;
    for (int i = 0; i < box->count(); ++i) {
        entries << box->itemText(i);
    }
    return entries;
}

} // namespace

TEST_F(Gui, TheChosenModeIsOnScreenBeforeItsCommandGoesOut) {
    LocalUnit unit;
    Start();
    Connect(0, unit);
    PaintRecorder recorder(Shown().OperatingModeText(), Page(0));
    fs.prompter.YesNoAnswers = {true};
    Action(Shown().Menus(), QStringLiteral("PWM Controlled"))->trigger();
    QApplication::processEvents();
    ASSERT_EQ(unit.Received(), Lines{"MO 2"});
    const auto& log = Page(0).Controls.LogEntries;
    const auto sending = std::find(log.begin(), log.end(), "Sending: MO 2");
    ASSERT_NE(sending, log.end());
    const std::size_t linesBeforeSending = static_cast<std::size_t>(sending - log.begin());
    const bool paintedFirst =
        std::any_of(recorder.Paints.begin(), recorder.Paints.end(), [&](const auto& paint) {
            return paint.first == QStringLiteral("PWM controlled") &&
                   paint.second <= linesBeforeSending;
        });
    EXPECT_TRUE(paintedFirst);
    EXPECT_EQ(Shown().OperatingModeText()->text(), QStringLiteral("PWM controlled"));
}

TEST_F(Gui, AfterConnectingThePageShowsTheModeTheUnitReports) {
    LocalUnit unit;
    unit.unit.SetOperatingMode(3);
    Start();
    ASSERT_EQ(Page(0).OperatingMode, 1);
    Connect(0, unit);
    EXPECT_EQ(Page(0).OperatingMode, 3);
    EXPECT_EQ(Shown().OperatingModeText()->text(), QStringLiteral("analog controlled"));
    EXPECT_TRUE(Action(Shown().Menus(), QStringLiteral("Analog Controlled"))->isChecked());
    EXPECT_FALSE(Action(Shown().Menus(), QStringLiteral("&Command-Mode"))->isChecked());
}

TEST_F(Gui, TheCommandBoxShowsItsHintWhileEmpty) {
    Start();
    QLineEdit* edit = Shown().CommandBox()->lineEdit();
    EXPECT_EQ(edit->placeholderText().toStdString(), CLumatrelDlg::CommandHintText);
    EXPECT_EQ(edit->placeholderText(), QStringLiteral("Enter your commands here"));
    EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(Gui, TypedCommandsJoinTheHistoryAtTheTopAndTheSavedConfiguration) {
    LocalUnit unit;
    TempFolder temp;
    Start();
    Connect(0, unit);
    QComboBox* box = Shown().CommandBox();
    const QStringList before = EntriesOf(box);
    SendTyped(box, QStringLiteral("TE"));
    SendTyped(box, QStringLiteral("VT"));
    ASSERT_EQ(unit.Received(), (Lines{"TE", "VT"}));
    QStringList expected = before;
    expected.prepend(QStringLiteral("TE"));
    expected.prepend(QStringLiteral("VT"));
    EXPECT_EQ(EntriesOf(box), expected);

    // An entry chosen from the list is sent, and not added again; neither is a typed command
    // the list holds already in another letter case.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    const QString chosen = box->currentText();
    QTest::keyClick(box, Qt::Key_Return);
    QApplication::processEvents();
    SendTyped(box, QStringLiteral("if"));
    EXPECT_EQ(unit.Received(), (Lines{"TE", "VT", chosen.toStdString(), "if"}));
    EXPECT_EQ(EntriesOf(box), expected);

    const std::string path = (temp.Path() / "history.ini").string();
    fs.prompter.FileAnswers.push_back(path);
    Action(window->Menus(), QStringLiteral("Save configuration\tCtrl+S"))->trigger();
    const std::string saved = ReadText(path);
    EXPECT_NE(saved.find("Line_0=VT\r\nLine_1=TE\r\n"), std::string::npos) << saved;
}
