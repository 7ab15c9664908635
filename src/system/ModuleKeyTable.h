#pragma once

#include <array>
#include <cstdint>

// For every Tessel module that connected units report, how many channels report it. Used
// entries stand at the front in the order their modules were first registered.
class ModuleKeyTable {
public:
    struct Entry {
        std::int32_t Key = -1;
        std::int32_t Count = 0;
    };
    static constexpr int kEntries = 20;

    void RegisterModuleKey(std::int32_t key);
    void ReleaseModuleKey(std::int32_t key);
    void ResetModuleKeys();

    const std::array<Entry, kEntries>& Entries() const { return m_entries; }
    int UsedCount() const;

private:
    std::array<Entry, kEntries> m_entries{};
};
