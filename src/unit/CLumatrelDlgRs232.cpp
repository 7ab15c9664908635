#include "unit/CLumatrelDlg.h"

#include "dialogs/Crs232Config.h"
#include "platform/Format.h"

void CLumatrelDlg::ConfigureRs232() {
    Crs232Config dialog(*this, m_services.prompter, SerialDeviceRoot);
    if (dialog.DoModal(m_services.dialogs) == 1) {
        AppendLog(
            Format("RS232 Com device selected. Port: %s, baudrate %d", PortRs232.c_str(), Baudrate),
            0);
    }
}
