#include "unit/CLumatrelDlg.h"

#include "link/CRkmio.h"
#include "platform/TimerHost.h"
#include "protocol/Numbers.h"
#include "system/CTabDlg.h"

CLumatrelDlg::CLumatrelDlg(UnitServices services)
    : m_services(services),
      m_timers(services.timers.CreateTimers([this](int id) { OnMonitorTimer(id); })) {}

CLumatrelDlg::~CLumatrelDlg() {
    CloseLogFile();
}

int CLumatrelDlg::PagePosition() const {
    if (SystemWindow == nullptr) {
        return -1;
    }
    for (int i = 0; i < static_cast<int>(SystemWindow->Units.size()); ++i) {
        if (SystemWindow->Units[i] == nullptr) {
            break;
        }
        if (SystemWindow->Units[i] == this) {
            return i;
        }
    }
    return -1;
}

void CLumatrelDlg::ShowEntries() {
    for (size_t c = 0; c < 4; ++c) {
        ChannelControls& ch = Controls.Channels[c];
        ch.CurrentEdit = std::to_string(CurrentSetpoint[c]);
        ch.MinLabel = CurrentMinText[c];
        ch.MaxLabel = CurrentMaxText[c];
        ch.Temperature = TemperatureText[c];
        ch.TesselTemperature = TesselTemperatureText[c];
        ch.Voltage = VoltageText[c];
    }
    Controls.InputVoltage = InputVoltageText;
    Controls.AnalogVoltage = AnalogVoltageText;
    Controls.LastError = LastErrorText;
    Controls.LogFileText = LogFileText;
    Controls.DeviceId = DeviceIdText;
    Controls.SerNr = SerNrText;
    Controls.Firmware = FirmwareText;
    Controls.Interface = InterfaceText;
    Controls.Status = StatusText;
    Controls.OperatingMode = OperatingModeText;
    Controls.LastLog = LastLogText;
    if (m_view != nullptr) {
        m_view->Refresh();
    }
}

void CLumatrelDlg::DropLink() {
    if (Link == nullptr) {
        return;
    }
    StopMonitorTimers();
    const int position = PagePosition();
    for (ChannelControls& ch : Controls.Channels) {
        ch.OnOff = false;
    }
    if (SystemWindow != nullptr) {
        SystemWindow->KeepReportedSerNrOfSharers(*this);
    }
    if (SystemWindow != nullptr && position >= 0) {
        const int remembered = SystemWindow->TabCtrl.GetCurSel();
        SystemWindow->TabCtrl.SelectPage(position);
        SystemWindow->SetTabTitle("NC:" + SerNr, 0, -1);
        SystemWindow->TabCtrl.SelectPage(remembered);
    }
    GiveUpLink();
    IsConnected = 0;
    ResetUnitDisplay();
}

void CLumatrelDlg::ResetUnitDisplay() {
    InterfaceText = "";
    StatusText = "";
    ReleaseChannelKeys();
    ModulesPerChannel = {};
    ModulesInUse = {};
    for (std::string& text : TesselSerNrText) {
        text.clear();
    }
    RecomputeChannelAssignment();
    RefreshModuleDisplay();
    FirmwareText = "";
    SerNrText = "";
    ShowEntries();
    AppendLog(">> Info: Disconnect complete", 0);
    AppendLog("     ------------------------------", 0);
}
