// The identification of a simulated unit over loopback TCP, compared in the same run with
// the median single command exchange, and the cost of one tick of each monitoring timer.
#include "BenchServices.h"
#include "BenchUtil.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "link/CRKM5Tcpio.h"
#include "platform/Pause.h"
#include "unit/CLumatrelDlg.h"

#include <cstdio>
#include <memory>

int main() {
    constexpr int kIdentifyRounds = 60;
    constexpr int kExchangeRounds = 400;
    constexpr int kTickRounds = 400;
    SimUnit unit;
    SimTcpServer server(unit);
    BenchServices services;
    CLumatrelDlg page(services.Services());
    if (!AttachTcpLink(page, services.pause, server.Port())) {
        return 1;
    }

    // How many exchanges one identification of this unit makes.
    unit.ClearReceivedCommands();
    page.IdentifyUnit();
    const std::size_t exchanges = unit.ReceivedCommands().size();

    const double identify = MedianMs(TimeEach(kIdentifyRounds, [&] {
        page.IdentifyUnit();
        page.Controls.LogEntries.clear();
    }));
    unit.ClearReceivedCommands();
    std::string reply;
    const double single =
        MedianMs(TimeEach(kExchangeRounds, [&] { page.ExchangeCommand("VR", reply, 0); }));
    page.Controls.LogEntries.clear();

    const double temperature = MedianMs(TimeEach(kTickRounds, [&] { page.OnMonitorTimer(1); }));
    const double voltage = MedianMs(TimeEach(kTickRounds, [&] { page.OnMonitorTimer(2); }));
    const double error = MedianMs(TimeEach(kTickRounds, [&] { page.OnMonitorTimer(3); }));
    unit.ClearReceivedCommands();

    if (page.Link == nullptr) {
        std::fprintf(stderr, "the link was lost during the run\n");
        return 1;
    }
    if (!page.Controls.LogEntries.empty()) {
        std::fprintf(stderr, "good readings were logged\n");
        return 1;
    }
    PrintBench("identify", identify, "ms");
    PrintBench("single_exchange", single, "ms");
    std::printf("EXCHANGES identify %zu\n", exchanges);
    PrintRatio("identify_vs_exchanges", single > 0 && exchanges > 0
                                            ? identify / (static_cast<double>(exchanges) * single)
                                            : 0.0);
    PrintBench("tick_temperature", temperature, "ms");
    PrintBench("tick_voltage", voltage, "ms");
    PrintBench("tick_error", error, "ms");
    delete page.Link;
    page.Link = nullptr;
    return 0;
}
