// Saving and loading a configuration of 20 units, each with its interface keys, 50 command
// lines and its channel map, through IniFile's one save per configuration; compared in the
// same run with rewriting the whole file for every key, as one profile-function call per key
// would.
#include "BenchUtil.h"
#include "platform/Format.h"
#include "platform/IniFile.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kUnits = 20;
constexpr int kCommandLines = 50;

struct Entry {
    std::string section;
    std::string key;
    std::string value;
};

// The keys a save writes, in its order; the round number changes some values so that every
// save has something to write.
std::vector<Entry> Configuration(int round) {
    std::vector<Entry> entries;
    entries.push_back({"General", "modeView", "0"});
    entries.push_back({"General", "ActualTab", "0"});
    entries.push_back({"General", "Count_RKM5", Format("%d", kUnits)});
    for (int n = 0; n < kUnits; ++n) {
        const std::string section = Format("interface_Rkm5_%d", n);
        entries.push_back({section, "MonitorTemperature", "On"});
        entries.push_back({section, "MonitorVoltage", "On"});
        entries.push_back({section, "MonitorError", "Off"});
        entries.push_back({section, "SerNr", Format("RKM5-%05d", 1000 + n)});
        entries.push_back({section, "UsedIf", "TCP"});
        entries.push_back({section, "ChannelAssignment", "0"});
        entries.push_back({section, "OperatingMode", "1"});
        entries.push_back({section, "portRS232", "COM3"});
        entries.push_back({section, "baudrate", "115200"});
        entries.push_back({section, "IpAdr", Format("127.0.0.%d", 10 + n)});
        entries.push_back({section, "IpPort", Format("%d", 23 + round % 2)});
        entries.push_back({section, "manualIp", "0"});
    }
    for (int n = 0; n < kUnits; ++n) {
        const std::string section = Format("CommandList_Rkm5_%d", n);
        entries.push_back({section, "count", Format("%d", kCommandLines)});
        for (int i = 0; i < kCommandLines; ++i) {
            entries.push_back({section, Format("Line_%d", i),
                               Format("IY %c %d", 'A' + i % 4, 200 + (i + round) % 1600)});
        }
    }
    for (int n = 0; n < kUnits; ++n) {
        const std::string section = Format("channelMap_Rkm5_%d", n);
        for (const char* key : {"channel_A", "channel_B", "channel_C", "channel_D"}) {
            entries.push_back({section, key, "1"});
        }
    }
    return entries;
}

bool SaveBatched(const std::string& path, const std::vector<Entry>& entries) {
    IniFile file;
    file.Load(path);
    for (const Entry& e : entries) {
        file.WriteString(e.section, e.key, e.value);
    }
    return file.Save();
}

bool SaveKeyByKey(const std::string& path, const std::vector<Entry>& entries) {
    bool ok = true;
    for (const Entry& e : entries) {
        ok = WriteProfileString(e.section, e.key, e.value, path) && ok;
    }
    return ok;
}

// Reads back everything a load reads; the sum keeps the reads from being optimised away.
long LoadAll(const std::string& path, const std::vector<Entry>& entries) {
    IniFile file;
    file.Load(path);
    long sum = static_cast<long>(file.SectionNames().size());
    for (const Entry& e : entries) {
        sum += static_cast<long>(file.ReadString(e.section, e.key, "").size());
    }
    return sum;
}

} // namespace

int main() {
    std::string pattern = (std::filesystem::temp_directory_path() / "bench-ini-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    const std::string batched = (folder / "batched.ini").string();
    const std::string naive = (folder / "naive.ini").string();

    bool ok = SaveBatched(batched, Configuration(0)) && SaveKeyByKey(naive, Configuration(0));
    int round = 1;
    const auto save =
        MedianMs(TimeEach(21, [&] { ok = SaveBatched(batched, Configuration(round++)) && ok; }));
    const std::vector<Entry> entries = Configuration(0);
    long sink = 0;
    const auto load = MedianMs(TimeEach(21, [&] { sink += LoadAll(batched, entries); }));
    round = 1;
    const auto perKey =
        MedianMs(TimeEach(3, [&] { ok = SaveKeyByKey(naive, Configuration(round++)) && ok; }));

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    if (!ok || sink == 0) {
        std::fprintf(stderr, "a save failed\n");
        return 1;
    }
    PrintBench("ini_save_20_units", save, "ms");
    PrintBench("ini_load_20_units", load, "ms");
    PrintBench("ini_save_20_units_key_by_key", perKey, "ms");
    PrintRatio("ini_save_vs_naive", save > 0 ? perKey / save : 0.0);
    return 0;
}
