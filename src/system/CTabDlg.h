#pragma once

#include "system/CibTabCtrl.h"
#include "system/ModuleKeyTable.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CLumatrelDlg;

// The system window: the unit pages in tab order and the module key table.
class CTabDlg {
public:
    static constexpr int kMaxUnits = 20;

    // Titles the selected tab; unless suffixFlag is -1, "No.<position>\nTesselSerNr:" follows.
    void SetTabTitle(const std::string& text, int image, int suffixFlag);

    // One unit's error state as its error monitoring read it, for the module view's summary
    // across units. ErrorReports keeps the latest report per serial number, so a long
    // monitoring run does not grow it; ErrorReportCount counts every report.
    struct ErrorReport {
        std::int32_t Code = 0;
        std::string Text;
        std::string SerNr;
        std::int32_t TesselGroupSerNr = -1;
    };
    void ErrorSummaryReport(std::int32_t code, const std::string& text, const std::string& serNr,
                            std::int32_t tesselGroupSerNr);
    std::vector<ErrorReport> ErrorReports;
    std::int64_t ErrorReportCount = 0;

    std::int32_t UnitCount = 1;
    std::array<CLumatrelDlg*, kMaxUnits> Units{};
    std::array<CLumatrelDlg*, kMaxUnits> ViewUnits{};
    CibTabCtrl TabCtrl;
    std::int32_t ViewMode = 0;
    ModuleKeyTable ChannelMap;
};
