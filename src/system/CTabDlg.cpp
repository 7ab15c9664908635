#include "system/CTabDlg.h"

#include "platform/Format.h"

void CTabDlg::SetTabTitle(const std::string& text, int image, int suffixFlag) {
    std::string title = text;
    if (suffixFlag != -1) {
        title += Format("No.%d\nTesselSerNr:", TabCtrl.GetCurSel() + 1);
    }
    TabCtrl.SetSelectedItem(title, image);
}
