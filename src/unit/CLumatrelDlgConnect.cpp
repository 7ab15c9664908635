#include "unit/CLumatrelDlg.h"

#include "dialogs/CTcpConfig.h"
#include "link/CRKM5Serio.h"
#include "link/CRKM5Tcpio.h"
#include "platform/Format.h"
#include "platform/Pause.h"
#include "platform/Trace.h"
#include "protocol/Numbers.h"
#include "system/CTabDlg.h"

void CLumatrelDlg::ReleaseChannelKeys() {
    // A module page's channels are copies: their unit page holds the keys.
    if (SystemWindow == nullptr || IsModulePage) {
        return;
    }
    for (const std::string& serial : TesselSerNrText) {
        if (!serial.empty()) {
            SystemWindow->ChannelMap.ReleaseModuleKey(ReadInteger(serial));
        }
    }
}

void CLumatrelDlg::SetTabTitle(const std::string& text, int image, int suffixFlag) {
    if (SystemWindow != nullptr) {
        SystemWindow->SetTabTitle(text, image, suffixFlag);
    }
}

void CLumatrelDlg::CloseExistingConnection() {
    if (Link == nullptr) {
        return;
    }
    ReleaseChannelKeys();
    AppendLog(">> Closing existing connection...", 0);
    StopMonitorTimers();
    AppendLog(">> Timer reading temperature and Voltage is stopped", 0);
    m_services.pause.Wait(3000);
    Link->Close();
    GiveUpLink();
}

void CLumatrelDlg::GiveUpLink() {
    // In the module view other pages hold this link too: they let go of it before it goes,
    // so that it is closed once and no page keeps a pointer to it.
    if (SystemWindow != nullptr && Link != nullptr) {
        SystemWindow->ForgetSharedLink(*this);
    }
    delete Link;
    Link = nullptr;
    SerialLink = nullptr;
    TcpLink = nullptr;
}

bool CLumatrelDlg::IdentifyConnectedUnit() {
    IdentifiedSerNr.clear();
    IdentifyUnit();
    // A link lost on the way has been given up and the page reset, its tab marked "NC:": the
    // connect ends there.
    if (Link == nullptr) {
        return false;
    }
    IdentifiedSerNr = SerNrText;
    return true;
}

void CLumatrelDlg::KeepReportedSerNr() {
    if (!SerNr.empty() && SerNr != NoSerialNumberText) {
        return;
    }
    if (!IdentifiedSerNr.empty()) {
        SerNr = IdentifiedSerNr;
    }
}

std::string CLumatrelDlg::ConnectedTabTitle(const char* interfaceName) {
    std::string title = interfaceName + SerNrText + "\nTesselSerNr:";
    for (std::size_t c = 0; c < 4; ++c) {
        if (TesselSerNrText[c].empty()) {
            continue;
        }
        TesselSerNr[c] = ReadInteger(TesselSerNrText[c]);
        title += Format(c == 0 ? "%04d" : " %04d", TesselSerNr[c]);
        if (SystemWindow != nullptr) {
            SystemWindow->ChannelMap.RegisterModuleKey(TesselSerNr[c]);
        }
    }
    return title;
}

void CLumatrelDlg::ConnectRs232() {
    AppendLog(">> Initiating connection to RKM5 via RS232 ...", 0);
    UsedIf = "RS232";
    CloseExistingConnection();
    SerialLink = new CRKM5Serio();
    if (SerialLink->Open(PortRs232, Baudrate) != 0) {
        AppendLog(SerialLink->m_strMessage, 0);
        delete SerialLink;
        SerialLink = nullptr;
        return;
    }
    AppendLog(Format(">> Device %s opend sucessfully", PortRs232.c_str()), 0);
    AppendLog(">> Connection to RKM5 via RS232 active...", 0);
    Link = SerialLink;
    InterfaceText = "RS232";
    StatusText = Format("Connected: %s", PortRs232.c_str());
    if (!IdentifyConnectedUnit()) {
        return;
    }
    RecomputeChannelAssignment();
    RefreshModuleDisplay();
    UpdateMonitoring();
    CloseLogFile();
    const std::string title = ConnectedTabTitle("RS232:");
    IsConnected = 1;
    SetTabTitle(title, 1, -1);
}

void CLumatrelDlg::ConnectTcp() {
    RefreshIpBySerial();
    AppendLog(">> Initiating connection to RKM5 via TCP(Telent) ...", 0);
    UsedIf = "TCP";
    CloseExistingConnection();
    TcpLink = new CRKM5Tcpio(m_services.pause);
    const std::string address = !HostName.empty() ? HostName : IpAdr;
    const int result = TcpLink->Open(address, IpPort);
    IpAdr = address;
    if (result != 0) {
        AppendLog(Format("++ Error %d: Could not open RKM device, IP=%s, Port=%d", result,
                         IpAdr.c_str(), IpPort),
                  0);
        AppendLog(TcpLink->m_strMessage, 0);
        delete TcpLink;
        TcpLink = nullptr;
        return;
    }
    AppendLog(Format(">> TCP connection opend sucessfully, Ip Addr %s, port Number %d",
                     IpAdr.c_str(), IpPort),
              0);
    Link = TcpLink;
    InterfaceText = "TCP";
    StatusText = Format("Connected: %s", IpAdr.c_str());
    if (!IdentifyConnectedUnit()) {
        return;
    }
    RecomputeChannelAssignment();
    const std::string title = ConnectedTabTitle("TCP:");
    IsConnected = 1;
    SetTabTitle(title, 1, -1);
    RefreshModuleDisplay();
    UpdateMonitoring();
    CloseLogFile();
}

void CLumatrelDlg::RefreshIpBySerial() {
    // A hand-typed address is never replaced and an empty serial number matches no unit, so
    // the enquiry (a second per adapter) is only made when it can change the address.
    if (ManualIp || SerNr.empty()) {
        return;
    }
    CTcpConfig dialog(*this, m_services.adapters, m_services.prompter, m_services.discoveryPort);
    FoundUnits found;
    std::string report;
    dialog.DiscoverUnits(found, 0, report);
    std::string address;
    for (const FoundUnit& unit : found) {
        if (unit.SerNr.empty()) {
            break;
        }
        if (unit.SerNr == SerNr) {
            address = unit.Address;
            break;
        }
    }
    Trace(Format("ip  getcam:%s,%x-%s\n", IpAdr.c_str(), static_cast<unsigned>(ManualIp),
                 address.c_str()));
    if (!address.empty() && address != IpAdr && !ManualIp) {
        IpAdr = address;
    }
    Trace(Format("ip nach getcam:%s,%x-%s\n", IpAdr.c_str(), static_cast<unsigned>(ManualIp),
                 address.c_str()));
}

void CLumatrelDlg::SwitchOffBeforeClosing() {
    StopMonitorTimers();
    AppendLog(">> Timer reading temperature and Voltage is stopped", 0);
    AppendLog("All LEDs switched off, Send: LC 0", 0);
    std::string reply;
    ExchangeCommand("LC 0", reply, 0);
}

void CLumatrelDlg::Disconnect(bool tcp) {
    if (Link != nullptr) {
        SwitchOffBeforeClosing();
        if (Link != nullptr) {
            for (ChannelControls& ch : Controls.Channels) {
                ch.OnOff = false;
            }
            m_services.pause.Wait(3000);
            const int result = Link->Close();
            if (result != 0) {
                AppendLog(tcp ? Format("++ Disconnect TCP/telnet session failed, error %d, IP "
                                       "address %s",
                                       result, IpAdr.c_str())
                              : Format("++ Disconnect from device %s failed, error: %d ",
                                       PortRs232.c_str(), result),
                          0);
                AppendLog(TcpLink != nullptr      ? TcpLink->m_strMessage
                          : SerialLink != nullptr ? SerialLink->m_strMessage
                                                  : std::string(),
                          0);
            }
            // All three pointers go, whichever menu ended the connection, so none dangles.
            GiveUpLink();
            ResetUnitDisplay();
        }
    }
    SetTabTitle(tcp ? "RKM5:" : "RKM5: ", 0, 0);
    IsConnected = 0;
}

void CLumatrelDlg::DisconnectRs232() {
    Disconnect(false);
}

void CLumatrelDlg::DisconnectTcp() {
    Disconnect(true);
}

void CLumatrelDlg::SwitchOffAndDisconnect() {
    if (Link == nullptr) {
        return;
    }
    SwitchOffBeforeClosing();
    for (ChannelControls& ch : Controls.Channels) {
        ch.OnOff = false;
    }
    GiveUpLink();
    ResetUnitDisplay();
}

void CLumatrelDlg::ConfigureTcp() {
    CTcpConfig dialog(*this, m_services.adapters, m_services.prompter, m_services.discoveryPort);
    const int result = dialog.DoModal(m_services.dialogs);
    if (result == -1) {
        AppendLog("++ TCP configure dialog could not be created", 0);
    } else if (result == 1) {
        if (!IpAdr.empty()) {
            AppendLog(Format(">> Using IP-Address \"%s\" for RKM5 Device, port number used: %d",
                             IpAdr.c_str(), IpPort),
                      0);
        } else if (!HostName.empty()) {
            AppendLog(Format(">> Using Hostname \"%s\" for RKM5 Device, port number used: %d",
                             HostName.c_str(), IpPort),
                      0);
        } else {
            AppendLog("++ Either IP-Address or Hostname should be defined", 0);
        }
    } else if (result == 2) {
        AppendLog(">> TCP config dialog canceled", 0);
    } else if (result == 3) {
        AppendLog(">> TCP config dialog aborted", 0);
    } else {
        AppendLog(Format("++ Unexpected return value IpConfigDlg: %d", result), 0);
    }
}
