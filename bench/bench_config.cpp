// A configuration of 20 units, each with 50 command lines: saved into a new file, and loaded
// into new pages, as the File menu does both.
#include "BenchServices.h"
#include "BenchUtil.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

int main() {
    constexpr int kRounds = 25;
    char folder[] = "/tmp/lumatrel-bench-config-XXXXXX";
    if (::mkdtemp(folder) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string configPath = std::string(folder) + "/bench.ini";
    BenchServices services;
    services.prompter.FileAnswer = configPath;
    UnitServices unitServices = services.Services(std::string(folder) + "/profile.ini");
    unitServices.configurationFolder = std::string(folder) + "/RKM5/";
    int status = 0;
    {
        CTabDlg system(unitServices);
        system.OnInitDialog();
        while (system.UnitCount < CTabDlg::kMaxUnits) {
            system.AddUnit();
        }
        for (int n = 0; n < system.UnitCount; ++n) {
            CLumatrelDlg& page = *system.Units[static_cast<std::size_t>(n)];
            page.SelectedIf = page.UsedIf = n % 2 == 0 ? "TCP" : "RS232";
            page.SerNr = std::to_string(10000 + n);
            page.IpAdr = "192.168.1." + std::to_string(20 + n);
            page.ModulesPerChannel = {1, 2, 1, 0};
            page.Controls.CommandBox.Entries.clear();
            for (int i = 0; i < CLumatrelDlg::kMaxSavedCommandLines; ++i) {
                page.Controls.CommandBox.AddSorted("IY A " + std::to_string(200 + 10 * i));
            }
        }

        const double saveMs = MedianMs(TimeEach(kRounds, [&] {
            std::filesystem::remove(configPath);
            system.SaveConfiguration();
        }));
        const double loadMs = MedianMs(TimeEach(kRounds, [&] { system.LoadConfiguration(); }));

        if (system.UnitCount != CTabDlg::kMaxUnits ||
            system.Units[19]->Controls.CommandBox.Entries.size() !=
                static_cast<std::size_t>(CLumatrelDlg::kMaxSavedCommandLines)) {
            std::fprintf(stderr, "the configuration did not load back whole\n");
            status = 1;
        }
        PrintBench("config_save_20_units", saveMs, "ms");
        PrintBench("config_load_20_units", loadMs, "ms");
    }
    std::filesystem::remove_all(folder);
    return status;
}
