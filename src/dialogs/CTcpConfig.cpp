#include "dialogs/CTcpConfig.h"

#include "dialogs/SetupDialogRunner.h"
#include "platform/Format.h"
#include "platform/Prompter.h"
#include "platform/Trace.h"
#include "protocol/Numbers.h"
#include "unit/CLumatrelDlg.h"

#include <vector>

namespace {

// The pieces of a text between dots, as many as there are; empty pieces count too.
std::vector<std::string> SplitAtDots(const std::string& text) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? dot : dot - start));
        if (dot == std::string::npos) {
            return parts;
        }
        start = dot + 1;
    }
}

} // namespace

CTcpConfig::CTcpConfig(CLumatrelDlg& owner, NetworkAdapterSource& adapters, Prompter& prompter,
                       std::uint16_t discoveryPort)
    : AddressText(owner.IpAdr), ChosenSerNr(owner.SerNr), Owner(owner),
      m_discovery(adapters, discoveryPort), m_prompter(prompter) {
    m_discovery.OnListLine = [this](const std::string& line) { FoundBox.Entries.push_back(line); };
    Trace(Format("ip starttcp(false):%s,%x\n", AddressText.c_str(),
                 static_cast<unsigned>(ManualAddress)));
}

int CTcpConfig::DoModal(SetupDialogRunner& runner) {
    OnInitDialog();
    const int answer = runner.RunModal(*this);
    if (answer == 1) {
        OnOK();
    } else if (answer == 2) {
        OnCancel();
    } else {
        Result = answer;
    }
    return Result;
}

bool CTcpConfig::ShowAddress(const std::string& text) {
    const std::vector<std::string> parts = SplitAtDots(text);
    if (parts.size() != 4) {
        return false;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        AddressFields[i] = ReadInteger(parts[i]) & 0xFF;
    }
    return true;
}

void CTcpConfig::ShowEntries() {
    HostNameEdit = HostNameText;
}

bool CTcpConfig::DiscoverUnits(FoundUnits& found, int listMode, std::string& report) {
    return m_discovery.DiscoverUnits(found, listMode, report);
}

void CTcpConfig::OnInitDialog() {
    if (!ShowAddress(AddressText)) {
        AddressFields = {127, 0, 0, 1};
    }
    ShowEntries();
    FoundBox = DropDownList{};
    std::string report;
    if (DiscoverUnits(Found, 1, report)) {
        m_prompter.ShowMessage(report, MessageIcon::Error);
    }
    if (!FoundBox.Entries.empty()) {
        FoundBox.Selection = 0;
    }
    ShowEntries();
}

void CTcpConfig::OnSelectUnit() {
    const int selected = FoundBox.Selection;
    if (selected < 0 || selected >= static_cast<int>(Found.size())) {
        return;
    }
    const FoundUnit& unit = Found[static_cast<std::size_t>(selected)];
    AddressText = unit.Address.substr(0, unit.Address.find('\r'));
    ChosenSerNr = unit.SerNr;
    ShowAddress(AddressText);
}

void CTcpConfig::OnAddressChanged() {
    AddressText = Format("%d.%d.%d.%d", AddressFields[0], AddressFields[1], AddressFields[2],
                         AddressFields[3]);
    HostNameText = "";
    ManualAddress = true;
    Trace(Format("ip changefieldip(true:%s,%x\n", AddressText.c_str(),
                 static_cast<unsigned>(ManualAddress)));
    ShowEntries();
}

void CTcpConfig::OnHostNameChanged() {
    HostNameText = HostNameEdit;
    AddressText = "";
    AddressFields = {0, 0, 0, 0};
    ShowEntries();
}

void CTcpConfig::OnOK() {
    HostNameText = HostNameEdit;
    Owner.IpAdr = AddressText;
    Owner.HostName = HostNameText;
    Owner.SerNr = ChosenSerNr;
    Owner.IpPort = Port;
    Owner.ManualIp = ManualAddress;
    Trace(Format("clickok:%s,%x\n", AddressText.c_str(), static_cast<unsigned>(ManualAddress)));
    Result = 1;
}

void CTcpConfig::OnCancel() {
    Result = 2;
}
