// lumatrel-cli run as a process against simulated units on loopback.
#include "SimDiscovery.h"
#include "SimSerialPort.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "support/CliRun.h"
#include "support/Fakes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Texts = std::vector<std::string>;

namespace {

// Passes one connection through to a simulated unit and cuts it, both ways, as soon as the
// client sends a frame holding the marker: a link that fails at a chosen command.
class CuttingProxy {
public:
    CuttingProxy(std::uint16_t target, std::string marker) : m_marker(std::move(marker)) {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof sa;
        ::bind(m_listen, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(m_listen, 1);
        ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&sa), &len);
        m_port = ntohs(sa.sin_port);
        m_thread = std::thread([this, target] { Run(target); });
    }
    ~CuttingProxy() {
        m_thread.join();
        ::close(m_listen);
    }
    std::uint16_t Port() const { return m_port; }

private:
    void Run(std::uint16_t target) {
        const int client = ::accept(m_listen, nullptr, nullptr);
        if (client < 0) {
            return;
        }
        const int unit = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = htons(target);
        if (::connect(unit, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0) {
            std::string seen;
            pollfd fds[2] = {{client, POLLIN, 0}, {unit, POLLIN, 0}};
            for (bool going = true; going;) {
                if (::poll(fds, 2, 10000) <= 0) {
                    break;
                }
                for (int i = 0; i < 2 && going; ++i) {
                    if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
                        continue;
                    }
                    char buffer[4096];
                    const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                    if (n <= 0) {
                        going = false;
                        break;
                    }
                    if (i == 0) {
                        seen.append(buffer, static_cast<std::size_t>(n));
                        if (seen.find(m_marker) != std::string::npos) {
                            going = false;
                            break;
                        }
                    }
                    ::send(fds[1 - i].fd, buffer, static_cast<std::size_t>(n), MSG_NOSIGNAL);
                }
            }
        }
        ::close(unit);
        ::close(client);
    }

    std::string m_marker;
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

std::string Target(std::uint16_t port) {
    return "127.0.0.1:" + std::to_string(port);
}

} // namespace

TEST(LumatrelCli, HelpExplainsTheOptions) {
    const CliRun run = RunCli({"--help"});
    EXPECT_EQ(run.Exit, 0);
    for (const char* option :
         {"--tcp", "--serial", "--run", "--yes", "--discover", "--adapters", "--discovery-port"}) {
        EXPECT_NE(run.Out.find(option), std::string::npos) << option;
    }
}

struct UsageCase {
    const char* Name;
    Texts Args;
};

class LumatrelCliUsage : public ::testing::TestWithParam<UsageCase> {};

TEST_P(LumatrelCliUsage, WrongUsageExitsWithTwoAndOpensNothing) {
    const CliRun run = RunCli(GetParam().Args);
    EXPECT_EQ(run.Exit, 2);
    EXPECT_TRUE(run.Out.empty()) << run.Out;
    EXPECT_NE(run.Err.find("Usage:"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Args, LumatrelCliUsage,
    ::testing::Values(UsageCase{"NoUnit", {"VR"}},
                      UsageCase{"TwoUnits", {"--tcp", "127.0.0.1", "--serial", "COM1"}},
                      UsageCase{"UnknownOption", {"--tcp", "127.0.0.1", "--fast"}},
                      UsageCase{"PortOutOfRange", {"--tcp", "127.0.0.1:70000"}},
                      UsageCase{"BaudNotANumber", {"--serial", "COM1@fast"}},
                      UsageCase{"MissingValue", {"--tcp", "127.0.0.1", "--run"}},
                      UsageCase{"DiscoverWithAUnit", {"--discover", "--tcp", "127.0.0.1"}},
                      UsageCase{"AdaptersWithoutDiscover",
                                {"--tcp", "127.0.0.1", "--adapters", "loopback"}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(LumatrelCli, SendsCommandsAndFilesInOrderPrintsTheLogAndSwitchesOffAtTheEnd) {
    SimUnit unit;
    SimTcpServer server(unit);
    TempFolder folder;
    const std::string file = (folder.Path() / "seq.txt").string();
    std::ofstream(file, std::ios::binary) << "// switch B\nLC F 1\n/* not\nLC G 1 */\nIY F 900\n";

    // After "--" even "--yes" is a command.
    const CliRun run =
        RunCli({"--tcp", Target(server.Port()), "MO 2", "--run", file, "--", "--yes"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    const Texts received = unit.ReceivedCommands();
    const auto mo = std::find(received.begin(), received.end(), "MO 2");
    ASSERT_NE(mo, received.end());
    EXPECT_EQ(Texts(mo, received.end()), (Texts{"MO 2", "LC F 1", "IY F 900", "--yes", "LC 0"}));
    EXPECT_EQ(unit.OperatingMode(), 2);
    EXPECT_EQ(unit.Channel(1).Current, 900);

    EXPECT_TRUE(run.Printed(">> TCP connection opend sucessfully, Ip Addr 127.0.0.1, port Number " +
                            std::to_string(server.Port())));
    EXPECT_TRUE(run.Printed("Send > MO 2"));
    EXPECT_TRUE(run.Printed("Receive < mo 2"));
    EXPECT_TRUE(run.Printed("*** run commands from " + file + " ***"));
    EXPECT_TRUE(run.Printed("Send: LC F 1"));
    EXPECT_TRUE(run.Printed("*** end run commands from file: " + file + " ***"));
    const Texts lines = run.OutLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(Texts(lines.end() - 2, lines.end()),
              (Texts{">> Info: Disconnect complete", "     ------------------------------"}));
    EXPECT_TRUE(run.Printed("All LEDs switched off, Send: LC 0"));
}

TEST(LumatrelCli, ASerialUnitIsReachedThroughThePseudoTerminalPath) {
    SimUnit unit;
    SimSerialPort port(unit);
    const CliRun run = RunCli({"--serial", port.SlavePath() + "@115200", "LC H 1"});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_TRUE(run.Printed(">> Device " + port.SlavePath() + " opend sucessfully")) << run.Out;
    EXPECT_TRUE(run.Printed("Receive < lc H 1"));
    const Texts received = unit.ReceivedCommands();
    ASSERT_GE(received.size(), 2u);
    EXPECT_EQ(Texts(received.end() - 2, received.end()), (Texts{"LC H 1", "LC 0"}));
}

TEST(LumatrelCli, MessageBoxesGoToStandardError) {
    SimUnit unit;
    SimTcpServer server(unit);
    const CliRun run = RunCli({"--tcp", Target(server.Port()), "--run", "/no/such/file.txt"});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_NE(run.Err.find("command Listfile could not be opened"), std::string::npos);
    EXPECT_EQ(run.Out.find("command Listfile could not be opened"), std::string::npos);
}

// A command file that is no regular file of at most 16 MB is refused with its reason; the run
// goes no further, switches the LEDs off and exits with 1.
TEST(LumatrelCli, ACommandFileThatCannotBeRunEndsTheRunWithTheLedsOff) {
    struct Row {
        const char* name;
        std::function<std::string(const TempFolder&)> make;
        const char* reason;
    };
    const std::vector<Row> rows = {
        {"endless device", [](const TempFolder&) { return std::string("/dev/zero"); },
         "it is a device, not a file"},
        {"fifo",
         [](const TempFolder& folder) {
             const std::string path = (folder.Path() / "pipe").string();
             EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
             return path;
         },
         "it is a pipe (FIFO), not a file"},
        {"folder", [](const TempFolder& folder) { return folder.Path().string(); },
         "it is a folder, not a file"},
        {"over sixteen megabytes",
         [](const TempFolder& folder) {
             const std::string path = (folder.Path() / "big.txt").string();
             std::ofstream(path, std::ios::binary) << "MO 2\n";
             EXPECT_EQ(::truncate(path.c_str(), 16 * 1024 * 1024 + 1), 0);
             return path;
         },
         "it holds more than 16 MB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimUnit unit;
        SimTcpServer server(unit);
        TempFolder folder;
        const std::string path = row.make(folder);
        const CliRun run = RunCli({"--tcp", Target(server.Port()), "--run", path, "MO 2"});
        EXPECT_EQ(run.Exit, 1);
        EXPECT_NE(run.Err.find("command Listfile could not be opened\n" + path + ": " + row.reason),
                  std::string::npos)
            << run.Err;
        const Texts received = unit.ReceivedCommands();
        ASSERT_FALSE(received.empty());
        EXPECT_EQ(received.back(), "LC 0");
        EXPECT_EQ(std::count(received.begin(), received.end(), "MO 2"), 0);
        EXPECT_TRUE(run.Printed("All LEDs switched off, Send: LC 0"));
    }
}

TEST(LumatrelCli, NoUnitToConnectToExitsWithOne) {
    SimUnit unit;
    SimFaults faults;
    faults.RefuseConnections = true;
    unit.SetFaults(faults);
    SimTcpServer server(unit);
    const CliRun run = RunCli({"--tcp", Target(server.Port()), "VR"});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_FALSE(run.Printed("Send > VR"));
}

TEST(LumatrelCli, ALinkLostOnTheWayExitsWithOneAndSendsNoMore) {
    SimUnit unit;
    SimTcpServer server(unit);
    CuttingProxy proxy(server.Port(), "CUT");
    const CliRun run = RunCli({"--tcp", Target(proxy.Port()), "VR", "CUT", "IF"});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Printed("Send > VR"));
    EXPECT_TRUE(run.Printed("Send > CUT"));
    EXPECT_TRUE(run.Printed("  Exception: IO-error on Tcp interface"));
    EXPECT_FALSE(run.Printed("Send > IF"));
    EXPECT_NE(run.Err.find("TCP connection lost RKM5 SerialNumber:"), std::string::npos);
}

TEST(LumatrelCli, DiscoveryOnLoopbackListsEachUnitAndReportsSharedAddresses) {
    const std::uint16_t port = FreeUdpPort();
    SimIdentity first;
    first.SerialNumber = "31001";
    first.IpAddress = "192.168.1.20";
    SimIdentity second = first;
    second.SerialNumber = "31002";
    SimUnit a(first);
    SimUnit b(second);
    SimDiscovery answerA(a, port);
    SimDiscovery answerB(b, port);

    const CliRun run =
        RunCli({"--discover", "--adapters", "loopback", "--discovery-port", std::to_string(port)});
    EXPECT_EQ(run.Exit, 0) << run.Err;
    EXPECT_TRUE(run.Printed("31001  -  192.168.1.20  -  not connected")) << run.Out;
    EXPECT_TRUE(run.Printed("31002  -  192.168.1.20  -  not connected")) << run.Out;
    EXPECT_TRUE(run.Printed("Error Ip-Adresse exists multiple times:")) << run.Out;
    EXPECT_TRUE(run.Printed("Ip-Adr:192.168.1.20")) << run.Out;
}
