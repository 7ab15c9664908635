// The front end's costs: a long log with the page shown, the start until the system window
// is on screen, and one monitoring tick with the widgets attached.
#include "../BenchServices.h"
#include "../BenchUtil.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "gui/SystemWindow.h"
#include "gui/UnitPageWidget.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

double ResidentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::strtod(line.c_str() + 6, nullptr) / 1024.0;
        }
    }
    return 0.0;
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const auto processStart = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    BenchServices services;
    CTabDlg system(services.Services());
    SystemWindow window(system);
    system.OnInitDialog();
    window.show();
    QApplication::processEvents();
    const double startMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - processStart)
            .count();

    // A long log on the page that is shown.
    CLumatrelDlg& page = *system.Units[0];
    const auto logStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 100000; ++i) {
        page.AppendLog("Temperatures values updatetd: te 25-24,25-24,25-24,25-24", 0);
        if (i % 1000 == 0) {
            QApplication::processEvents();
        }
    }
    QApplication::processEvents();
    const double logMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - logStart)
            .count();
    const double residentMb = ResidentMegabytes();

    // One tick of each monitor, with the widgets drawing what it read.
    SimUnit unit;
    SimTcpServer server(unit);
    if (!AttachTcpLink(page, services.pause, server.Port())) {
        return 1;
    }
    page.ModulesInUse = {1, 1, 1, 1};
    std::vector<double> ticks;
    for (int id : {1, 2, 3}) {
        const auto samples = TimeEach(300, [&] {
            page.OnMonitorTimer(id);
            QApplication::processEvents();
        });
        ticks.insert(ticks.end(), samples.begin(), samples.end());
    }
    PrintBench("gui_start_to_window", startMs, "ms");
    PrintBench("gui_log_100000_entries", logMs, "ms");
    PrintBench("gui_log_resident", residentMb, "MB");
    PrintBench("gui_monitor_tick", MedianMs(ticks), "ms");
    page.SwitchOffAndDisconnect();
    return 0;
}
