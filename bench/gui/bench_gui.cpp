// The front end's costs: a long log with the page shown, the start until the system window
// is on screen, one monitoring tick with the widgets attached, and the tab strip's repaint
// against a strip that reads its SVG images afresh on every paint.
#include "../BenchServices.h"
#include "../BenchUtil.h"
#include "SimTcpServer.h"
#include "SimUnit.h"
#include "gui/Icons.h"
#include "gui/SystemWindow.h"
#include "gui/UnitPageWidget.h"
#include "gui/UnitTabBar.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QTabBar>

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

// The baseline: a strip that builds each tab's icon from its SVG file whenever it paints.
class IconPerPaintTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    void paintEvent(QPaintEvent* event) override {
        QTabBar::paintEvent(event);
        QPainter painter(this);
        for (int i = 0; i < count(); ++i) {
            const QRect rect = tabRect(i);
            QIcon(QStringLiteral(":/icons/connected.svg"))
                .paint(&painter, QRect(rect.left() + 2, rect.top() + 2, 30, 30));
        }
    }
};

// Median milliseconds per repaint of the strip over rounds repaints, and how much the
// process grew meanwhile.
struct RepaintCost {
    double MedianMs;
    double GrowthMb;
};

RepaintCost Repaint(QWidget& strip, int rounds) {
    const double before = ResidentMegabytes();
    const auto samples = TimeEach(rounds, [&] { strip.repaint(); });
    return {MedianMs(samples), ResidentMegabytes() - before};
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
    // The tab strip of three connected units, repainted as often as a busy session does.
    system.AddUnit();
    system.AddUnit();
    for (int i = 0; i < 3; ++i) {
        system.TabCtrl.SelectPage(i);
        system.SetTabTitle("TCP:3000" + std::to_string(i + 1) + "\nTesselSerNr:0201 0202 0203 0204",
                           1, -1);
    }
    QApplication::processEvents();
    IconPerPaintTabBar baseline;
    for (int i = 0; i < 3; ++i) {
        baseline.addTab(window.TabBar()->tabText(i));
    }
    baseline.resize(window.TabBar()->size());
    baseline.show();
    QApplication::processEvents();
    constexpr int kRepaints = 6000;
    const RepaintCost strip = Repaint(*window.TabBar(), kRepaints);
    const RepaintCost perPaint = Repaint(baseline, kRepaints);

    PrintBench("gui_start_to_window", startMs, "ms");
    PrintBench("gui_log_100000_entries", logMs, "ms");
    PrintBench("gui_log_resident", residentMb, "MB");
    PrintBench("gui_monitor_tick", MedianMs(ticks), "ms");
    PrintBench("gui_tab_strip_repaint", strip.MedianMs, "ms");
    PrintBench("gui_tab_strip_6000_repaints_growth", strip.GrowthMb, "MB");
    PrintBench("gui_svg_per_paint_strip_repaint", perPaint.MedianMs, "ms");
    PrintBench("gui_svg_per_paint_6000_repaints_growth", perPaint.GrowthMb, "MB");
    PrintRatio("gui_tab_strip_repaint_vs_svg_per_paint",
               perPaint.MedianMs > 0 ? strip.MedianMs / perPaint.MedianMs : 0.0);
    page.SwitchOffAndDisconnect();
    return 0;
}
