#include "system/ModuleKeyTable.h"

#include <limits>

int ModuleKeyTable::UsedCount() const {
    int n = 0;
    while (n < kEntries && m_entries[n].Key != -1) {
        ++n;
    }
    return n;
}

void ModuleKeyTable::RegisterModuleKey(std::int32_t key) {
    // -1 marks a free entry; recorded as a key it would read as free and hide its count.
    if (key == -1) {
        return;
    }
    const int used = UsedCount();
    for (int i = 0; i < used; ++i) {
        if (m_entries[i].Key == key) {
            if (m_entries[i].Count < std::numeric_limits<std::int32_t>::max()) {
                ++m_entries[i].Count;
            }
            return;
        }
    }
    if (used < kEntries) {
        m_entries[used] = {key, 1};
    }
}

void ModuleKeyTable::ReleaseModuleKey(std::int32_t key) {
    const int used = UsedCount();
    for (int i = 0; i < used; ++i) {
        if (m_entries[i].Key != key) {
            continue;
        }
        if (m_entries[i].Count != 1) {
            --m_entries[i].Count;
            return;
        }
        for (int k = i; k + 1 < used; ++k) {
            m_entries[k] = m_entries[k + 1];
        }
        m_entries[used - 1] = Entry{};
        return;
    }
}

void ModuleKeyTable::ResetModuleKeys() {
    m_entries.fill(Entry{});
}
