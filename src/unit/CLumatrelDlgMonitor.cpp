#include "unit/CLumatrelDlg.h"

#include "platform/TimerHost.h"

void CLumatrelDlg::StopMonitorTimers() {
    m_timers->StopTimer(3);
    m_timers->StopTimer(1);
    m_timers->StopTimer(2);
}

void CLumatrelDlg::OnMonitorTimer(int) {}
