// lumatrel-cli --sysinfo against a simulated unit on loopback.
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// Runs the program with its output thrown away; its exit status, or -1.
int RunQuietly(std::vector<std::string> args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    args.insert(args.begin(), LUMATREL_CLI_PATH);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawn(&pid, LUMATREL_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

} // namespace

TEST(LumatrelCliSysInfo, WritesTheUnitsFramedReportIntoTheFile) {
    SimUnit unit;
    SimTcpServer server(unit);
    TempFolder folder;
    const std::string path = (folder.Path() / "info").string();

    ASSERT_EQ(
        RunQuietly({"--tcp", "127.0.0.1:" + std::to_string(server.Port()), "--sysinfo", path}), 0);

    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 8u);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1].rfind("**************** RKM5 ", 0), 0u);
    EXPECT_EQ(lines[2].rfind("*** system info start ", 0), 0u);
    EXPECT_EQ(lines[lines.size() - 2], std::string(42, '*'));
    int queries = 0;
    for (const std::string& line : lines) {
        queries += line.rfind("Send: ", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(queries, 27);
    // The unit was switched off and left at the end, as every run does.
    EXPECT_EQ(unit.ReceivedCommands().back(), "LC 0");
}

TEST(LumatrelCliSysInfo, BelongsToAConnection) {
    EXPECT_EQ(RunQuietly({"--discover", "--sysinfo", "x.txt"}), 2);
}
