#include "platform/UserProfile.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Texts = std::vector<std::string>;

namespace {

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The header of a save at the fake services' standing clock.
const std::string kHeader = "\n*****************\nsave logFile: 24.12.2024 - 09:05:07:042 \t\n";

class LogWindow : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (folder.Path() / name).string(); }
    std::string ProfileLogFile() const {
        const ProfileVersion v = CurrentProfileVersion();
        return ReadLogFilePath(fs.profilePath, v.major, v.minor);
    }
    // A page whose log holds exactly these lines.
    void Holding(const Texts& lines) {
        page.ClearLogWindow();
        for (const std::string& line : lines) {
            page.AppendLog(line, 0);
        }
    }

    TempFolder folder;
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
};

} // namespace

TEST_F(LogWindow, SavingWritesTheHeaderAndEveryLineInWindows1252) {
    Holding({">> one",
             "Temperatur 25 \xC2\xB0"
             "C",
             "Send > \xE2\x82\xAC and \xE4\xB8\xAD"});
    fs.prompter.FileAnswers = {Path("session.log")};
    page.SaveLogWindowToFile();

    // The euro sign has a byte of its own, the CJK character has none.
    EXPECT_EQ(ReadFile(Path("session.log")), kHeader + ">> one\nTemperatur 25 \xB0"
                                                       "C\nSend > \x80 and ?\n");
    EXPECT_EQ(page.LogFileText, "saved to: " + Path("session.log"));
    EXPECT_EQ(page.Controls.LogFileText, page.LogFileText);
    EXPECT_EQ(page.LogFile, nullptr);
    ASSERT_EQ(fs.prompter.FileRequests.size(), 1u);
    EXPECT_TRUE(fs.prompter.FileRequests[0].OverwritePrompt);
    EXPECT_TRUE(fs.prompter.FileRequests[0].NoRecentDocuments);
    EXPECT_NE(fs.prompter.FileRequests[0].Filter.find("*.txt"), std::string::npos);
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

TEST_F(LogWindow, SavingTwiceToOneNameKeepsOnlyTheSecondSave) {
    Holding({"first save"});
    fs.prompter.FileAnswers = {Path("log.txt"), Path("log.txt")};
    page.SaveLogWindowToFile();
    Holding({"second save"});
    page.SaveLogWindowToFile();
    EXPECT_EQ(ReadFile(Path("log.txt")), kHeader + "second save\n");
    EXPECT_EQ(fs.prompter.FileRequests.size(), 2u);
}

TEST_F(LogWindow, AClearedLogSavesTheHeaderAlone) {
    page.AppendLog("gone", 0);
    page.ClearLogWindow();
    EXPECT_TRUE(page.Controls.LogEntries.empty());
    EXPECT_EQ(page.LastLogText, "gone");
    fs.prompter.FileAnswers = {Path("empty.txt")};
    page.SaveLogWindowToFile();
    EXPECT_EQ(ReadFile(Path("empty.txt")), kHeader);
}

TEST_F(LogWindow, ALongLogIsSavedWhole) {
    page.ClearLogWindow();
    for (int i = 0; i < 20000; ++i) {
        page.AppendLog("line " + std::to_string(i), 0);
    }
    fs.prompter.FileAnswers = {Path("long.txt")};
    page.SaveLogWindowToFile();
    std::string expected = kHeader;
    for (int i = 0; i < 20000; ++i) {
        expected += "line " + std::to_string(i) + "\n";
    }
    EXPECT_EQ(ReadFile(Path("long.txt")), expected);
}

namespace {

struct NameCase {
    const char* Name;
    std::string Typed;    // relative to the test's folder
    std::string Expected; // likewise
};

class LogFileNames : public LogWindow, public ::testing::WithParamInterface<NameCase> {};

} // namespace

TEST_P(LogFileNames, OnlyANameWithoutAnyDotGetsTxt) {
    if (folder.Path().string().find('.') != std::string::npos) {
        GTEST_SKIP() << "the temporary folder's own name holds a dot";
    }
    std::filesystem::create_directories(folder.Path() / "my.logs");
    fs.prompter.FileAnswers = {Path(GetParam().Typed)};
    page.SaveLogWindowToFile();
    EXPECT_EQ(page.LogFilePath, Path(GetParam().Expected));
    EXPECT_TRUE(std::filesystem::exists(Path(GetParam().Expected)));
    EXPECT_EQ(ProfileLogFile(), Path(GetParam().Expected));
}

INSTANTIATE_TEST_SUITE_P(Names, LogFileNames,
                         ::testing::Values(NameCase{"NoDot", "unit7", "unit7.txt"},
                                           NameCase{"OwnExtension", "unit7.log", "unit7.log"},
                                           NameCase{"DotInAFolderOnly", "my.logs/unit7",
                                                    "my.logs/unit7"},
                                           NameCase{"TrailingDot", "unit7.", "unit7."}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(LogFileName, TheDialogProposesLogFileTxtThenTheLastChoiceOfAnyPage) {
    // Two pages share one profile, the fake services of the first.
    TempFolder folder;
    FakeServices fs;
    CLumatrelDlg first(fs.Services());
    CLumatrelDlg second(fs.Services());
    const std::string chosen = (folder.Path() / "first.txt").string();
    fs.prompter.FileAnswers = {chosen};
    first.SaveLogWindowToFile();
    second.SaveLogWindowToFile(); // cancelled
    ASSERT_EQ(fs.prompter.FileRequests.size(), 2u);
    EXPECT_EQ(fs.prompter.FileRequests[0].FileName, "logFile.txt");
    EXPECT_EQ(fs.prompter.FileRequests[1].FileName, chosen);
}

TEST_F(LogWindow, ACancelledDialogWritesNothingAndChangesNothing) {
    page.LogFileText = "saved to: before";
    page.SaveLogWindowToFile();
    EXPECT_EQ(page.LogFileText, "saved to: before");
    EXPECT_TRUE(fs.prompter.Messages.empty());
    EXPECT_EQ(page.LogFile, nullptr);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
}

TEST_F(LogWindow, AFileThatCannotBeCreatedIsReported) {
    fs.prompter.FileAnswers = {Path("no/such/folder/log.txt")};
    page.SaveLogWindowToFile();
    EXPECT_EQ(fs.prompter.Messages, Texts{"logfile could not be opened"});
    EXPECT_EQ(page.LogFileText, "");
    EXPECT_EQ(page.LogFile, nullptr);
}

TEST_F(LogWindow, AFullDiskIsReportedInsteadOfLosingTheLogQuietly) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    std::filesystem::create_symlink("/dev/full", Path("full.txt"));
    Holding({"a line that will not fit"});
    fs.prompter.FileAnswers = {Path("full.txt")};
    page.SaveLogWindowToFile();
    EXPECT_EQ(fs.prompter.Messages, Texts{"logfile could not be written"});
    EXPECT_EQ(page.LogFile, nullptr);
}

TEST_F(LogWindow, WriteThroughReopensTheChosenFileForEveryLine) {
    Holding({"saved"});
    fs.prompter.FileAnswers = {Path("through.txt")};
    page.SaveLogWindowToFile();
    page.LogWriteThrough = 1;
    page.AppendLog("first", 0);
    EXPECT_EQ(page.LogFile, nullptr);
    page.AppendLog("second", 0);
    page.LogWriteThrough = 0;
    EXPECT_EQ(ReadFile(Path("through.txt")), kHeader + "saved\nfirst\nsecond\n");
    EXPECT_EQ(fs.prompter.FileRequests.size(), 1u);
}

// A page that never chose a log file neither asks for one nor writes into the one the
// profile proposes (another page's): its lines stay in the window.
TEST_F(LogWindow, WriteThroughWithoutAChosenFileWritesTheWindowOnly) {
    const ProfileVersion v = CurrentProfileVersion();
    ASSERT_TRUE(WriteLogFilePath(fs.profilePath, v.major, v.minor, Path("other.txt")));
    for (bool ask : {true, false}) {
        SCOPED_TRACE(ask ? "a name to be asked for" : "no name to be asked for");
        page.AskLogFileName = ask;
        page.LogWriteThrough = 1;
        page.AppendLog("only in the window", 0);
        page.LogWriteThrough = 0;
        EXPECT_EQ(page.Controls.LogEntries.back(), "only in the window");
    }
    fs.prompter.FileAnswers = {std::nullopt};
    page.SaveLogWindowToFile(); // cancelled: proposes the profile's name, chooses none
    page.AskLogFileName = false;
    page.LogWriteThrough = 1;
    page.AppendLog("still only in the window", 0);
    EXPECT_EQ(fs.prompter.FileRequests.size(), 1u);
    EXPECT_TRUE(fs.prompter.Messages.empty());
    EXPECT_FALSE(std::filesystem::exists(Path("other.txt")));
}

TEST_F(LogWindow, HidingSwapsTheListForTheLastLineAndBack) {
    page.ToggleHideLogWindow();
    EXPECT_TRUE(page.Controls.HideLogWindowChecked);
    EXPECT_FALSE(page.Controls.LogListVisible);
    EXPECT_TRUE(page.Controls.LastLogVisible);
    page.AppendLog("still logged", 0);
    EXPECT_EQ(page.Controls.LogEntries.back(), "still logged");
    EXPECT_EQ(page.Controls.LastLog, "still logged");
    page.ToggleHideLogWindow();
    EXPECT_FALSE(page.Controls.HideLogWindowChecked);
    EXPECT_TRUE(page.Controls.LogListVisible);
    EXPECT_FALSE(page.Controls.LastLogVisible);
}
