// The file dialogs on Qt: the filters the operations give, shown once each, and a save
// dialog that never takes a pattern for a file name.
#include "GuiRig.h"
#include "support/TempFolder.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

struct FilterCase {
    const char* name;
    std::string filter;
    QStringList shown;
};

void PrintTo(const FilterCase& row, std::ostream* os) {
    *os << row.name;
}

class NameFilters : public ::testing::TestWithParam<FilterCase> {};

TEST_P(NameFilters, ShowEachPatternOnce) {
    const FilterCase& row = GetParam();
    EXPECT_EQ(QtPrompter::NameFilters(row.filter), row.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NameFilters,
    ::testing::Values(
        FilterCase{"DescriptionNamingItsPatterns",
                   "Text files (*.txt)|*.txt|All files (*.*)|*.*|",
                   {QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*)")}},
        FilterCase{"DescriptionThatIsThePattern",
                   "*.txt|*.txt|All files(*.*)|*.*||",
                   {QStringLiteral("*.txt"), QStringLiteral("All files (*)")}},
        FilterCase{
            "DescriptionWithoutPatterns", "INI-Files|*.*||", {QStringLiteral("INI-Files (*)")}},
        FilterCase{"SeveralPatterns", "Logs|*.txt;*.log|", {QStringLiteral("Logs (*.txt *.log)")}},
        FilterCase{"NoFilter", "", {QStringLiteral("All files (*)")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PatternNames, AreNamesHoldingAStarOrAQuestionMark) {
    EXPECT_TRUE(QtPrompter::IsPatternName(QStringLiteral("/home/op/*.ini")));
    EXPECT_TRUE(QtPrompter::IsPatternName(QStringLiteral("unit?.ini")));
    EXPECT_FALSE(QtPrompter::IsPatternName(QStringLiteral("/home/op/setup.ini")));
    EXPECT_FALSE(QtPrompter::IsPatternName(QStringLiteral("/home/*/setup.ini")))
        << "only the file's own name counts";
}

// Runs f on the next modal window of type T, once it is up.
template <typename T> void WhenModalOf(std::function<void(T*)> f, int triesLeft = 2000) {
    QTimer::singleShot(2, [f, triesLeft] {
        auto* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        if (modal == nullptr || !modal->isVisible()) {
            if (triesLeft > 0) {
                WhenModalOf<T>(f, triesLeft - 1);
            } else {
                ADD_FAILURE() << "no " << T::staticMetaObject.className() << " came";
            }
            return;
        }
        f(modal);
    });
}

QLineEdit* FileNameField(QFileDialog* dialog) {
    return dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
}

} // namespace

TEST_F(Gui, SaveConfigurationProposesANameAndRefusesAPattern) {
    TempFolder temp;
    Start(true, false);
    const QString pattern = QString::fromStdString((temp.Path() / "*.ini").string());
    const QString name = QString::fromStdString((temp.Path() / "mine.ini").string());
    QString proposed;
    QStringList filters;
    QString refusal;
    WhenModalOf<QFileDialog>([&](QFileDialog* dialog) {
        QLineEdit* field = FileNameField(dialog);
        ASSERT_NE(field, nullptr);
        proposed = field->text();
        filters = dialog->nameFilters();
        field->setText(pattern);
        QTest::keyClick(field, Qt::Key_Return);
        WhenModalOf<QMessageBox>([&](QMessageBox* box) {
            refusal = box->text();
            box->button(QMessageBox::Ok)->click();
            WhenModalOf<QFileDialog>([&](QFileDialog* again) {
                QLineEdit* retry = FileNameField(again);
                ASSERT_NE(retry, nullptr);
                retry->setText(name);
                QTest::keyClick(retry, Qt::Key_Return);
            });
        });
    });
    Action(window->Menus(), QStringLiteral("Save configuration\tCtrl+S"))->trigger();
    EXPECT_EQ(proposed, QStringLiteral("Config.ini"));
    EXPECT_EQ(filters, QStringList{QStringLiteral("INI-Files (*)")});
    EXPECT_EQ(refusal, QtPrompter::PatternRefusal(pattern));
    EXPECT_TRUE(refusal.startsWith(QStringLiteral("\"*.ini\" is a pattern")));
    EXPECT_FALSE(fs::exists(temp.Path() / "*.ini"));
    EXPECT_TRUE(fs::exists(temp.Path() / "mine.ini"));
}
