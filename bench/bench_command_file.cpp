// A command sequence file of 10 000 commands run on a unit page against a simulated unit over
// loopback TCP, compared with 10 000 times the median single command exchange of the same
// run.
#include "BenchServices.h"
#include "BenchUtil.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "link/CRKM5Tcpio.h"
#include "unit/CLumatrelDlg.h"

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

int main() {
    constexpr int kCommands = 10000;
    constexpr int kRounds = 1000;
    char folder[] = "/tmp/lumatrel-bench-cmd-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string file = std::string(folder) + "/sequence.txt";
    {
        // The commands of a production line's file, with its comments.
        std::ofstream out(file, std::ios::binary);
        out << "// burn-in sequence\r\n/* generated\r\n*/\r\n";
        for (int i = 0; i < kCommands; ++i) {
            out << "VR // firmware\r\n";
        }
    }
    SimUnit unit;
    SimTcpServer server(unit);
    BenchServices services;
    services.prompter.FileAnswer = file;
    int status = 0;
    {
        CLumatrelDlg page(services.Services(std::string(folder) + "/profile.ini"));
        if (!AttachTcpLink(page, services.pause, server.Port())) {
            return 1;
        }
        std::string reply;
        page.ExchangeCommand("VR", reply, 0);
        // Single exchanges and whole runs take turns, so that a busy machine weighs on both
        // alike; the medians of each are compared.
        constexpr int kTurns = 3;
        std::vector<double> singles;
        std::vector<double> runs;
        for (int turn = 0; turn < kTurns && page.Link != nullptr; ++turn) {
            const std::vector<double> some =
                TimeEach(kRounds, [&] { page.ExchangeCommand("VR", reply, 0); });
            singles.insert(singles.end(), some.begin(), some.end());
            unit.ClearReceivedCommands();
            page.ClearLogWindow();
            const auto start = std::chrono::steady_clock::now();
            page.RunCommandFile();
            runs.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
            if (page.Link == nullptr ||
                unit.ReceivedCommands().size() != static_cast<std::size_t>(kCommands)) {
                std::fprintf(stderr, "the run did not send its %d commands\n", kCommands);
                status = 1;
                break;
            }
        }
        const double single = MedianMs(singles);
        const double run = MedianMs(runs);
        const double budget = 1.5 * kCommands * single;
        PrintBench("tcp_exchange_single", single, "ms");
        PrintBench("command_file_10000", run, "ms");
        PrintRatio("command_file_vs_10000_single", single > 0 ? run / (kCommands * single) : 0.0);
        std::printf("goal command_file_10000 <= 1.5 x 10000 single (%.1f ms): %s\n", budget,
                    run <= budget ? "met" : "MISSED");
        delete page.Link;
        page.Link = nullptr;
    }
    std::filesystem::remove_all(folder);
    return status;
}
