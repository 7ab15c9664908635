#pragma once

#include "system/CibTabCtrl.h"
#include "system/ModuleKeyTable.h"

#include <array>
#include <cstdint>
#include <string>

class CLumatrelDlg;

// The system window: the unit pages in tab order and the module key table.
class CTabDlg {
public:
    static constexpr int kMaxUnits = 20;

    // Titles the selected tab; unless suffixFlag is -1, "No.<position>\nTesselSerNr:" follows.
    void SetTabTitle(const std::string& text, int image, int suffixFlag);

    std::int32_t UnitCount = 1;
    std::array<CLumatrelDlg*, kMaxUnits> Units{};
    std::array<CLumatrelDlg*, kMaxUnits> ViewUnits{};
    CibTabCtrl TabCtrl;
    std::int32_t ViewMode = 0;
    ModuleKeyTable ChannelMap;
};
