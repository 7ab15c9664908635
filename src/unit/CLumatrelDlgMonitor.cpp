#include "unit/CLumatrelDlg.h"

#include "link/CRKM5Rs232IoError.h"
#include "link/CRKM5TcpIoError.h"
#include "link/CRkmio.h"
#include "platform/CodePage.h"
#include "platform/Format.h"
#include "platform/TimerHost.h"
#include "protocol/NextToken.h"
#include "protocol/Numbers.h"
#include "protocol/StatusCodes.h"
#include "system/CTabDlg.h"
#include "unit/ExchangeLock.h"

#include <mutex>

void CLumatrelDlg::StopMonitorTimers() {
    m_timers->StopTimer(3);
    m_timers->StopTimer(1);
    m_timers->StopTimer(2);
}

void CLumatrelDlg::RefreshMenuAndToolbar() {
    Controls.MonitorChecked = {MonitorTemperature != 0, MonitorVoltage != 0, MonitorError != 0};
    ShowMonitorImages(Controls.Toolbar, MonitorTemperature != 0, MonitorVoltage != 0,
                      MonitorError != 0);
    Controls.TcpChecked = SelectedIf == "TCP";
    Controls.Rs232Checked = !Controls.TcpChecked;
    Controls.ManualAssignmentChecked = ChannelAssignment != 0;
    Controls.AutomaticAssignmentChecked = !Controls.ManualAssignmentChecked;
    ShowOperatingMode();
    ShowEntries();
}

// Each Monitor item toggles its switch; RefreshMenuAndToolbar keeps the check marks equal to
// the switches, so flipping the switch is flipping what the item shows.
void CLumatrelDlg::ToggleMonitorTemperature() {
    MonitorTemperature = MonitorTemperature != 0 ? 0 : 1;
    RefreshMenuAndToolbar();
    UpdateMonitoring();
}

void CLumatrelDlg::ToggleMonitorVoltage() {
    MonitorVoltage = MonitorVoltage != 0 ? 0 : 1;
    RefreshMenuAndToolbar();
    UpdateMonitoring();
}

void CLumatrelDlg::ToggleMonitorError() {
    MonitorError = MonitorError != 0 ? 0 : 1;
    RefreshMenuAndToolbar();
    UpdateMonitoring();
}

void CLumatrelDlg::OnMonitorTimer(int id) {
    const std::string serial = FromCp1252(ToCp1252(SerNr));
    if (Link == nullptr) {
        return;
    }
    std::string reply;
    if (id == 1) {
        ExchangeTemperature("TE", reply);
        // Only the readings go to the controls, so that a current the operator is typing
        // survives the tick.
        for (std::size_t c = 0; c < 4; ++c) {
            Controls.Channels[c].Temperature = TemperatureText[c];
            Controls.Channels[c].TesselTemperature = TesselTemperatureText[c];
        }
    } else if (id == 2) {
        ExchangeVoltage("VT", reply);
        for (std::size_t c = 0; c < 4; ++c) {
            Controls.Channels[c].Voltage = VoltageText[c];
        }
        Controls.InputVoltage = InputVoltageText;
        Controls.AnalogVoltage = AnalogVoltageText;
    } else if (id == 3) {
        // The error state is read past the general interpreter, which would log every poll.
        std::unique_lock<std::recursive_mutex> lock(ExchangeLock());
        try {
            Link->SendCmd("ER");
            Link->GetResponse(reply);
        } catch (const CRKM5TcpIoError& error) {
            lock.unlock();
            LoseConnection(error.m_strMessage,
                           "   Exception: IO-error led voltage monitoring on Tcp interface",
                           Format("TCP connection lost RKM5 SerialNumber: %s", serial.c_str()), 0);
            return;
        } catch (const CRKM5Rs232IoError& error) {
            lock.unlock();
            LoseConnection(error.m_strMessage,
                           "   Exception: IO-error on RS232 interface (Voltage monitoring)",
                           Format("RS232 connection lost RKM5 SerialNumber: %s", serial.c_str()),
                           0);
            return;
        }
        std::int32_t position = 0;
        if (NextToken(reply, " ", position) != "er") {
            return;
        }
        const std::int32_t code = ReadInteger(NextToken(reply, " ", position));
        LastErrorText = StatusCodeText(code);
        Controls.LastError = LastErrorText;
        if (code != 0) {
            AppendLog(Format("++ Error: %s", LastErrorText.c_str()), 0);
        }
        if (SystemWindow != nullptr) {
            SystemWindow->ErrorSummaryReport(code, LastErrorText, SerNr, TesselGroupSerNr);
        }
    } else {
        return;
    }
    if (m_view != nullptr) {
        m_view->Refresh();
    }
}
