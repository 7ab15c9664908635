// 100 000 log lines appended to one unit page, then saved to a log file.
#include "BenchServices.h"
#include "BenchUtil.h"
#include "unit/CLumatrelDlg.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// Counts what the page tells its window, as a window would be told.
class CountingView : public PageView {
public:
    void Refresh() override { ++Refreshes; }
    void LogAppended(std::size_t, std::size_t count) override { Appended += count; }
    void LogCleared() override {}
    std::size_t Refreshes = 0;
    std::size_t Appended = 0;
};

double Ms(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main() {
    constexpr int kLines = 100000;
    char folder[] = "/tmp/lumatrel-bench-log-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string logPath = std::string(folder) + "/bench.txt";
    BenchServices services;
    services.prompter.FileAnswer = logPath;
    int status = 0;
    {
        CLumatrelDlg page(services.Services(std::string(folder) + "/profile.ini"));
        CountingView view;
        page.SetView(&view);
        page.ClearLogWindow();

        const auto appendStart = std::chrono::steady_clock::now();
        for (int i = 0; i < kLines; ++i) {
            page.AppendLog("Current setting value(s) updated according to: iy F " +
                               std::to_string(200 + i % 1600),
                           0);
        }
        const double appendMs = Ms(appendStart);

        const auto saveStart = std::chrono::steady_clock::now();
        page.SaveLogWindowToFile();
        const double saveMs = Ms(saveStart);

        const auto size = std::filesystem::file_size(logPath);
        if (view.Appended != static_cast<std::size_t>(kLines) || size < 50u * kLines) {
            std::fprintf(stderr, "unexpected: %zu lines told, %ju bytes saved\n", view.Appended,
                         static_cast<std::uintmax_t>(size));
            status = 1;
        }
        PrintBench("append_log_100000", appendMs, "ms");
        PrintBench("save_log_100000", saveMs, "ms");
        std::printf("goal append_log_100000 < 1000 ms: %s\n", appendMs < 1000 ? "met" : "MISSED");
        std::printf("goal save_log_100000 < 500 ms: %s\n", saveMs < 500 ? "met" : "MISSED");
    }
    std::filesystem::remove_all(folder);
    return status;
}
