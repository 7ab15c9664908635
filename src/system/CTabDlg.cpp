#include "system/CTabDlg.h"

#include "platform/Format.h"

void CTabDlg::SetTabTitle(const std::string& text, int image, int suffixFlag) {
    std::string title = text;
    if (suffixFlag != -1) {
        title += Format("No.%d\nTesselSerNr:", TabCtrl.GetCurSel() + 1);
    }
    TabCtrl.SetSelectedItem(title, image);
}

void CTabDlg::ErrorSummaryReport(std::int32_t code, const std::string& text,
                                 const std::string& serNr, std::int32_t tesselGroupSerNr) {
    ++ErrorReportCount;
    for (ErrorReport& report : ErrorReports) {
        if (report.SerNr == serNr) {
            report = ErrorReport{code, text, serNr, tesselGroupSerNr};
            return;
        }
    }
    ErrorReports.push_back(ErrorReport{code, text, serNr, tesselGroupSerNr});
}
