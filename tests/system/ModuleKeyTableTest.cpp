#include "system/ModuleKeyTable.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::int32_t, std::int32_t>>;

// The used entries, and a check that every entry after them is free.
Pairs UsedEntries(const ModuleKeyTable& table) {
    Pairs pairs;
    const auto& entries = table.Entries();
    const int used = table.UsedCount();
    for (int i = 0; i < used; ++i) {
        pairs.emplace_back(entries[i].Key, entries[i].Count);
    }
    for (int i = used; i < ModuleKeyTable::kEntries; ++i) {
        EXPECT_EQ(entries[i].Key, -1) << i;
        EXPECT_EQ(entries[i].Count, 0) << i;
    }
    return pairs;
}

TEST(ModuleKeyTable, CountsRepeatedKeysAndRemovesAnEntryAtItsLastRelease) {
    ModuleKeyTable table;
    table.RegisterModuleKey(1234);
    table.RegisterModuleKey(1234);
    table.RegisterModuleKey(5678);
    EXPECT_EQ(UsedEntries(table), (Pairs{{1234, 2}, {5678, 1}}));
    table.ReleaseModuleKey(1234);
    EXPECT_EQ(UsedEntries(table), (Pairs{{1234, 1}, {5678, 1}}));
    table.ReleaseModuleKey(1234);
    EXPECT_EQ(UsedEntries(table), (Pairs{{5678, 1}}));
}

TEST(ModuleKeyTable, RemovingAMiddleEntryMovesTheLaterOnesForward) {
    ModuleKeyTable table;
    for (std::int32_t key : {11, 22, 33, 44}) {
        table.RegisterModuleKey(key);
    }
    table.ReleaseModuleKey(22);
    EXPECT_EQ(UsedEntries(table), (Pairs{{11, 1}, {33, 1}, {44, 1}}));
    // A key first registered after the removal goes to the end.
    table.RegisterModuleKey(22);
    EXPECT_EQ(UsedEntries(table), (Pairs{{11, 1}, {33, 1}, {44, 1}, {22, 1}}));
}

TEST(ModuleKeyTable, ReleasingAnUnknownKeyChangesNothing) {
    ModuleKeyTable table;
    table.ReleaseModuleKey(42);
    EXPECT_EQ(UsedEntries(table), Pairs{});
    table.RegisterModuleKey(7);
    table.ReleaseModuleKey(42);
    EXPECT_EQ(UsedEntries(table), (Pairs{{7, 1}}));
}

TEST(ModuleKeyTable, ATwentyFirstDistinctKeyIsNotRecorded) {
    ModuleKeyTable table;
    Pairs expected;
    for (std::int32_t key = 100; key < 120; ++key) {
        table.RegisterModuleKey(key);
        expected.emplace_back(key, 1);
    }
    table.RegisterModuleKey(999);
    EXPECT_EQ(UsedEntries(table), expected);
    // A key already in the full table is still counted.
    table.RegisterModuleKey(119);
    expected.back().second = 2;
    EXPECT_EQ(UsedEntries(table), expected);
}

TEST(ModuleKeyTable, ResetEmptiesTheTable) {
    ModuleKeyTable table;
    table.RegisterModuleKey(1);
    table.RegisterModuleKey(2);
    table.ResetModuleKeys();
    EXPECT_EQ(UsedEntries(table), Pairs{});
    table.RegisterModuleKey(3);
    EXPECT_EQ(UsedEntries(table), (Pairs{{3, 1}}));
}

TEST(ModuleKeyTable, ReleaseAndRegisterOfTheSameKeysKeepTheCounts) {
    // Reconnecting a unit releases its channels' keys and registers them again.
    ModuleKeyTable table;
    for (std::int32_t key : {201, 201, 305}) {
        table.RegisterModuleKey(key);
    }
    for (std::int32_t key : {201, 201, 305}) {
        table.ReleaseModuleKey(key);
    }
    for (std::int32_t key : {201, 201, 305}) {
        table.RegisterModuleKey(key);
    }
    EXPECT_EQ(UsedEntries(table), (Pairs{{201, 2}, {305, 1}}));
}

TEST(ModuleKeyTable, KeyMinusOneIsTheFreeMarkerAndNeverRecorded) {
    ModuleKeyTable table;
    table.RegisterModuleKey(-1);
    EXPECT_EQ(UsedEntries(table), Pairs{});
    table.RegisterModuleKey(0);
    EXPECT_EQ(UsedEntries(table), (Pairs{{0, 1}}));
}

} // namespace
