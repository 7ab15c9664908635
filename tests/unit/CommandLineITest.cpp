#include "link/FormatSystemError.h"
#include "support/ScriptedPeer.h"
#include "support/SimulatedPage.h"
#include "support/TempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

using Texts = std::vector<std::string>;

namespace {

constexpr const char* kStars = "***************************************************";

class CommandLine : public SimulatedPage {
protected:
    // Types the text into the box and sends it.
    void Type(const std::string& text) {
        page.Controls.CommandBox.Text = text;
        page.OnCommandTextEdited();
        page.SendCommandLine();
    }
    // Chooses an entry from the list and sends it.
    void Choose(const std::string& entry) {
        page.Controls.CommandBox.Text = entry;
        page.OnCommandChosen();
        page.SendCommandLine();
    }
    std::string WriteFile(const std::string& name, const std::string& bytes) {
        const std::string path = (folder.Path() / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    Texts& History() { return page.Controls.CommandBox.Entries; }

    TempFolder folder;
};

} // namespace

TEST_F(CommandLine, SendsTheTypedCommandAndLogsItsReply) {
    Connect();
    const std::size_t before = LogSize();
    Type("MO 2");
    EXPECT_EQ(unit.ReceivedCommands(), Texts{"MO 2"});
    const Texts logged = LogSince(before);
    ASSERT_GE(logged.size(), 2u);
    EXPECT_EQ(logged.front(), "Send > MO 2");
    EXPECT_EQ(logged.back(), "Receive < mo 2");
    EXPECT_EQ(History().front(), "MO 2");
}

TEST_F(CommandLine, ACommandIsCutAt511CharactersNeverInsideOne) {
    // A frame that long does not fit the TCP link's send buffer, which gives the link up; the
    // cut shows in the echo line.
    std::string accents;
    for (int i = 0; i < 600; ++i) {
        accents += "\xC3\xA9";
    }
    for (const std::string& typed : {std::string(600, 'A'), accents}) {
        if (page.Link == nullptr) {
            Connect();
        }
        const std::size_t before = LogSize();
        Type(typed);
        ASSERT_GT(LogSize(), before);
        const std::string expected =
            typed[0] == 'A' ? std::string(511, 'A') : accents.substr(0, 2 * 511);
        EXPECT_EQ(page.Controls.LogEntries[before], "Send > " + expected);
    }
}

TEST_F(CommandLine, WithoutALinkNothingIsSentAndTheHistoryStays) {
    page.OnInitDialog();
    const Texts history = History();
    const std::size_t before = LogSize();
    Type("VR");
    Type("NEW");
    EXPECT_EQ(LogSince(before), Texts(2, "++ Error: No host connection to RKM5 device active."));
    EXPECT_EQ(History(), history);
}

TEST_F(CommandLine, TheHistoryTakesNewTypedCommandsOnTopAndKeepsTen) {
    page.OnInitDialog();
    Connect();
    ASSERT_EQ(History(), (Texts{"IF", "ILA A", "ILB A", "LC 0", "LC 1", "VR"}));

    Type("lc 1"); // the entry "LC 1" in other letters
    Choose("VR"); // chosen from the list
    Type("te");
    EXPECT_EQ(History(), (Texts{"te", "IF", "ILA A", "ILB A", "LC 0", "LC 1", "VR"}));

    for (const char* command : {"MO 1", "MO 0", "IY", "ST A"}) {
        Type(command);
    }
    EXPECT_EQ(History().size(), 10u);
    // The eleventh entry pushes the bottom one out.
    Type("ER");
    EXPECT_EQ(History(),
              (Texts{"ER", "ST A", "IY", "MO 0", "MO 1", "te", "IF", "ILA A", "ILB A", "LC 0"}));
    // A text typed and then sent a second time from the list adds nothing.
    page.Controls.CommandBox.Text = "NEW";
    page.OnCommandTextEdited();
    page.OnCommandChosen();
    page.SendCommandLine();
    EXPECT_EQ(History().front(), "ER");
}

TEST_F(CommandLine, AFileRunSendsWhatItsCommentsLeaveBetweenHeaderAndClosingLines) {
    Connect();
    const std::string path = WriteFile(
        "seq.txt", "MO 1\n// comment\nIY E 500 // half\n/* block\nLC E 1\n*/ LC E 0\nLC F 1\n");
    fs.prompter.FileAnswers = {path};
    page.LogFilePath = "/somewhere/log.txt";
    const std::size_t before = LogSize();
    page.RunCommandFile();

    EXPECT_EQ(unit.ReceivedCommands(), (Texts{"MO 1", "IY E 500 ", "LC F 1"}));
    ASSERT_EQ(fs.prompter.FileRequests.size(), 1u);
    EXPECT_EQ(fs.prompter.FileRequests[0].FileName, "/somewhere/log.txt");
    const Texts logged = LogSince(before);
    ASSERT_GE(logged.size(), 7u);
    EXPECT_EQ(Texts(logged.begin(), logged.begin() + 4),
              (Texts{kStars, "*** run commands from " + path + " ***",
                     "***  24.12.2024 - 09:05:07:042 ***", kStars}));
    EXPECT_EQ(Texts(logged.end() - 3, logged.end()),
              (Texts{kStars, "*** end run commands from file: " + path + " ***", kStars}));
    Texts sendLines;
    for (const std::string& line : logged) {
        if (line.rfind("Send: ", 0) == 0) {
            sendLines.push_back(line);
        }
    }
    EXPECT_EQ(sendLines, (Texts{"Send: MO 1", "Send: IY E 500 ", "Send: LC F 1"}));
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

TEST_F(CommandLine, AFileRunNeedsAnOpenLinkAndAReadableFile) {
    fs.prompter.FileAnswers = {WriteFile("seq.txt", "VR\n")};
    page.RunCommandFile();
    EXPECT_EQ(fs.prompter.Messages, Texts{"no Rkm5 selected, interface not open"});

    Connect();
    const std::size_t before = LogSize();
    fs.prompter.FileAnswers = {(folder.Path() / "missing.txt").string()};
    page.RunCommandFile();
    EXPECT_EQ(fs.prompter.Messages.back().rfind("command Listfile could not be opened\n", 0), 0u)
        << fs.prompter.Messages.back();
    // The header stays, no closing lines follow.
    const Texts logged = LogSince(before);
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged.back(), kStars);
    EXPECT_TRUE(unit.ReceivedCommands().empty());

    // Cancelling the dialog does nothing at all.
    const std::size_t messages = fs.prompter.Messages.size();
    page.RunCommandFile();
    EXPECT_EQ(fs.prompter.Messages.size(), messages);
    EXPECT_EQ(LogSize(), before + 4);
}

// Only a regular file of at most 16 MB is run; anything else is refused with its path and the
// reason, after the header and before anything is sent.
struct RefusedFileRow {
    const char* name;
    std::function<std::string(const TempFolder&)> make; // gives the path
    std::string reason;
};

void PrintTo(const RefusedFileRow& row, std::ostream* os) {
    *os << row.name;
}

std::string SparseFile(const TempFolder& folder, off_t size) {
    const std::string path = (folder.Path() / "big.txt").string();
    std::ofstream(path, std::ios::binary) << "VR\n";
    if (::truncate(path.c_str(), size) != 0) {
        ADD_FAILURE() << "truncate failed";
    }
    return path;
}

class CommandFileRefused : public CommandLine,
                           public ::testing::WithParamInterface<RefusedFileRow> {};

TEST_P(CommandFileRefused, WithItsPathAndReasonAndSendsNothing) {
    const RefusedFileRow& row = GetParam();
    Connect();
    const std::string path = row.make(folder);
    fs.prompter.FileAnswers = {path};
    const std::size_t before = LogSize();
    EXPECT_FALSE(page.RunCommandFile());
    EXPECT_EQ(fs.prompter.Messages,
              Texts{"command Listfile could not be opened\n" + path + ": " + row.reason});
    EXPECT_EQ(LogSize(), before + 4) << "the header stays, no closing lines follow";
    EXPECT_TRUE(unit.ReceivedCommands().empty());
    EXPECT_NE(page.Link, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Unit, CommandFileRefused,
    ::testing::Values(RefusedFileRow{"EndlessDevice",
                                     [](const TempFolder&) { return std::string("/dev/zero"); },
                                     "it is a device, not a file"},
                      RefusedFileRow{"Fifo",
                                     [](const TempFolder& folder) {
                                         const std::string path = (folder.Path() / "pipe").string();
                                         if (::mkfifo(path.c_str(), 0600) != 0) {
                                             ADD_FAILURE() << "mkfifo failed";
                                         }
                                         return path;
                                     },
                                     "it is a pipe (FIFO), not a file"},
                      RefusedFileRow{"Folder",
                                     [](const TempFolder& folder) {
                                         const auto path = folder.Path() / "commands.txt";
                                         std::filesystem::create_directory(path);
                                         return path.string();
                                     },
                                     "it is a folder, not a file"},
                      RefusedFileRow{"OneByteOverSixteenMegabytes",
                                     [](const TempFolder& folder) {
                                         return SparseFile(folder, 16 * 1024 * 1024 + 1);
                                     },
                                     "it holds more than 16 MB"},
                      RefusedFileRow{"Missing",
                                     [](const TempFolder& folder) {
                                         return (folder.Path() / "missing.txt").string();
                                     },
                                     FormatSystemError(ENOENT)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandLine, AFileOfSixteenMegabytesRuns) {
    Connect();
    const std::size_t size = 16 * 1024 * 1024;
    std::string bytes = "VR\n//";
    bytes.append(size - bytes.size() - 1, 'x');
    bytes += '\n';
    const std::string path = WriteFile("big.txt", bytes);
    fs.prompter.FileAnswers = {path};
    EXPECT_TRUE(page.RunCommandFile());
    EXPECT_EQ(unit.ReceivedCommands(), Texts{"VR"});
    EXPECT_TRUE(fs.prompter.Messages.empty());
}

TEST(CommandFileRun, ALinkLostMidFileStillLogsTheRestAndTheClosingLines) {
    TempFolder folder;
    FakeServices fs;
    CLumatrelDlg page(fs.Services());
    page.SerNr = "42";
    std::vector<ScriptedPeer::Step> steps = ScriptedPeer::Login();
    steps.push_back(ScriptedPeer::ExpectLine());
    steps.push_back(ScriptedPeer::Send("\x02vr 05,01\x03\r\n>>"));
    steps.push_back(ScriptedPeer::ExpectLine());
    steps.push_back(ScriptedPeer::Close());
    ScriptedPeer peer(steps);
    auto* tcp = new CRKM5Tcpio(fs.pause);
    ASSERT_EQ(tcp->Open("127.0.0.1", peer.Port()), 0) << tcp->m_strMessage;
    page.Link = page.TcpLink = tcp;
    const std::string path = (folder.Path() / "seq.txt").string();
    std::ofstream(path, std::ios::binary) << "VR\nIF\nTE\nVT\n";
    fs.prompter.FileAnswers = {path};

    page.RunCommandFile();

    EXPECT_EQ(page.Link, nullptr);
    const Texts& log = page.Controls.LogEntries;
    for (const char* line : {"Send: VR", "Send: IF", "Send: TE", "Send: VT"}) {
        EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
    }
    EXPECT_EQ(Texts(log.end() - 3, log.end()),
              (Texts{kStars, "*** end run commands from file: " + path + " ***", kStars}));
    EXPECT_EQ(fs.prompter.Messages, Texts{"TCP connection lost RKM5 SerialNumber: 42"});
}
