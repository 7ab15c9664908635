// The reading history under monitoring load, on a clock the benchmark moves: 20 units polled
// for temperatures, voltages and the error code every 3000 ms for 7 days, then the plot
// queries a trends window makes, then the cost of one appended reading.
#include "BenchUtil.h"
#include "unit/ReadingHistory.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t kPeriod = 3000;
constexpr std::int64_t kHour = 3600 * 1000LL;
constexpr std::int64_t kDay = 24 * kHour;
constexpr std::int64_t kStart = 1796996513123; // December 2026
constexpr int kUnits = 20;
constexpr int kColumns = 1500;

// The process's resident memory in MB, from /proc/self/status.
double ResidentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;
        }
    }
    return 0.0;
}

// Readings that move as a unit's do: temperatures and voltages drifting around their level,
// now and then an error code.
struct Unit {
    explicit Unit(std::int64_t& now) : History([&now] { return now; }) {}

    void Tick(std::int64_t tick, int unit) {
        GroupReading temperatures;
        temperatures.Group = ReadingGroup::Temperatures;
        for (int c = 0; c < 8; ++c) {
            temperatures.Values[c] = static_cast<float>(30 + (tick * (c + 3) + unit) % 17);
        }
        History.Record(temperatures);
        GroupReading voltages;
        voltages.Group = ReadingGroup::Voltages;
        for (int c = 0; c < 4; ++c) {
            voltages.Values[c] = static_cast<float>(18400 + (tick * 7 + c) % 400);
        }
        voltages.Values[4] = static_cast<float>(24100 + tick % 50);
        voltages.Values[5] = 3300;
        History.Record(voltages);
        History.Record(ErrorCodeReading(tick % 5000 == 0 ? 204 : 0));
    }

    ReadingHistory History;
};

double PlotMs(const ReadingHistory& history, std::int64_t from, std::int64_t to, int rounds) {
    // A trends window keeps its column buffers from one redraw to the next.
    std::array<std::vector<PlotColumn>, kQuantityCount> all;
    std::size_t columns = 0;
    const double ms = MedianMs(TimeEach(rounds, [&] {
        history.PlotAll(from, to, kColumns, all);
        columns += all[0].size();
    }));
    if (columns == 0) {
        std::fprintf(stderr, "the plot gave no columns\n");
    }
    return ms;
}

} // namespace

int main() {
    int status = 0;
    const double before = ResidentMb();
    std::int64_t now = kStart;
    std::vector<std::unique_ptr<Unit>> units;
    for (int u = 0; u < kUnits; ++u) {
        units.push_back(std::make_unique<Unit>(now));
    }
    const std::int64_t ticks = 7 * kDay / kPeriod;
    for (std::int64_t tick = 0; tick < ticks; ++tick) {
        now = kStart + tick * kPeriod;
        for (int u = 0; u < kUnits; ++u) {
            units[static_cast<std::size_t>(u)]->Tick(tick, u);
        }
    }
    const double resident = ResidentMb();
    PrintBench("history_resident_20_units_7_days", resident, "MB");
    PrintBench("history_growth_20_units_7_days", resident - before, "MB");
    std::printf("goal history_resident_20_units_7_days < 100 MB: %s\n",
                resident < 100 ? "met" : "MISSED");

    const ReadingHistory& history = units[0]->History;
    const double day = PlotMs(history, now - kDay, now, 21);
    const double hour = PlotMs(history, now - kHour, now, 21);
    const double week = PlotMs(history, now - 7 * kDay, now, 21);
    PrintBench("history_plot_24h_1500_columns_all_quantities", day, "ms");
    PrintBench("history_plot_1h_1500_columns_all_quantities", hour, "ms");
    PrintBench("history_plot_7d_1500_columns_all_quantities", week, "ms");
    // Seven times the readings at the same cost: the columns bound it. An hour has fewer
    // readings than columns, so against it the ratio shows the per-column factor.
    PrintRatio("history_plot_7d_vs_24h", day > 0 ? week / day : 0.0);
    PrintRatio("history_plot_24h_vs_1h", hour > 0 ? day / hour : 0.0);
    std::printf("goal history_plot_24h_1500_columns_all_quantities < 30 ms: %s\n",
                day < 30 ? "met" : "MISSED");
    if (history.Latest(Quantity::InputVoltage)->Min < 24100) {
        std::fprintf(stderr, "unexpected latest input voltage\n");
        status = 1;
    }
    units.clear();

    // Two days of one unit, so that every reading is appended, reduced and (past the
    // window) moved once; per sample, three samples a tick.
    constexpr std::int64_t kAppendTicks = 2 * kDay / kPeriod;
    const std::vector<double> rounds = TimeEach(5, [&] {
        std::int64_t clock = kStart;
        Unit unit(clock);
        for (std::int64_t tick = 0; tick < kAppendTicks; ++tick) {
            clock = kStart + tick * kPeriod;
            unit.Tick(tick, 0);
        }
    });
    const double perSampleUs = MedianMs(rounds) * 1000.0 / (3.0 * kAppendTicks);
    PrintBench("history_append_per_sample", perSampleUs, "us");
    std::printf("goal history_append_per_sample < 2 us: %s\n", perSampleUs < 2 ? "met" : "MISSED");
    return status;
}
