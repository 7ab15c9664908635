#include "support/Fakes.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct SplitCase {
    const char* Name;
    std::string Text;
    std::vector<std::string> Entries;
};

class AppendLogSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(AppendLogSplit, MakesOneEntryPerNonEmptyLine) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    page.AppendLog("first", 0);
    page.AppendLog(GetParam().Text, 0);

    std::vector<std::string> expected{"first"};
    expected.insert(expected.end(), GetParam().Entries.begin(), GetParam().Entries.end());
    EXPECT_EQ(page.Controls.LogEntries, expected);
    EXPECT_EQ(page.LastLogText, GetParam().Text);
    EXPECT_EQ(page.Controls.LastLog, GetParam().Text);
    EXPECT_EQ(page.Controls.LogSelection, static_cast<int>(expected.size()) - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AppendLogSplit,
    ::testing::Values(SplitCase{"OneLine", "Send: VR", {"Send: VR"}},
                      SplitCase{
                          "TwoWordsTwoLineFeedsAndATrailingOne", "one\n\ntwo\n", {"one", "two"}},
                      SplitCase{"LeadingLineFeed", "\nlast", {"last"}},
                      SplitCase{"EmptyTextAddsNothing", "", {}},
                      SplitCase{"OnlyLineFeeds", "\n\n", {}},
                      SplitCase{"CarriageReturnsStay", "a\r\nb\r", {"a\r", "b\r"}}),
    [](const auto& info) { return std::string(info.param.Name); });

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(AppendLogFiles, SessionLogGetsEveryTextAsWindows1252WithALineFeed) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    char path[] = "/tmp/lumatrel-log-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    page.LogFile = ::fdopen(fd, "w+b");
    page.AppendLog("Temperatur 25 \xC2\xB0"
                   "C\nzweite",
                   0);
    page.AppendLog("", 0);
    page.AppendLog("report only", 1);
    page.CloseLogFile();
    EXPECT_EQ(ReadFile(path), "Temperatur 25 \xB0"
                              "C\nzweite\n\n");
    std::remove(path);
}

TEST(AppendLogFiles, ReportTextGoesToTheInformationFileOnly) {
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    std::FILE* log = std::tmpfile();
    std::FILE* info = std::tmpfile();
    page.LogFile = log;
    page.InfoFile = info;
    page.AppendLog("report", 1);
    page.AppendLog("session", 0);
    auto contents = [](std::FILE* f) {
        std::fflush(f);
        std::rewind(f);
        std::string out;
        for (int c; (c = std::fgetc(f)) != EOF;) {
            out += static_cast<char>(c);
        }
        return out;
    };
    EXPECT_EQ(contents(info), "report\n");
    EXPECT_EQ(contents(log), "session\n");
    page.CloseLogFile();
    page.InfoFile = nullptr;
    std::fclose(info);
}
