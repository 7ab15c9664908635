#pragma once

#include "dialogs/Crs232Config.h"
#include "protocol/UnitDiscovery.h"

#include <array>
#include <cstdint>
#include <string>

class CLumatrelDlg;
class NetworkAdapterSource;
class Prompter;
class SetupDialogRunner;

// How a unit is reached over TCP: an address typed into the address field, a unit picked
// from those that answered the network enquiry, or a host name. On OK the choice is written
// straight into the owner page.
class CTcpConfig {
public:
    static constexpr const char* Caption = "TCP/IP configuration";

    CTcpConfig(CLumatrelDlg& owner, NetworkAdapterSource& adapters, Prompter& prompter,
               std::uint16_t discoveryPort = UnitDiscovery::kEnquiryPort);

    // Opens the dialog through the runner: 1 OK, 2 Cancel, -1 the window could not be made.
    int DoModal(SetupDialogRunner& runner);

    // Fills the address field and, by the enquiry, the list of units found.
    void OnInitDialog();
    // The list's selection changed or the list got the focus.
    void OnSelectUnit();
    // The person changed a field of the address (AddressFields holds the new values).
    void OnAddressChanged();
    // The person changed the host name (HostNameEdit holds the new text).
    void OnHostNameChanged();
    void OnOK();
    void OnCancel();

    // The enquiry on every adapter; in list mode 1 each new unit also gets a line in FoundBox.
    bool DiscoverUnits(FoundUnits& found, int listMode, std::string& report);

    // Control state.
    std::array<int, 4> AddressFields = {127, 0, 0, 1};
    std::string HostNameEdit;
    DropDownList FoundBox;

    std::string AddressText;
    std::string ChosenSerNr;
    std::string HostNameText;
    bool ManualAddress = false;
    std::int32_t Port = 23;
    FoundUnits Found;
    CLumatrelDlg& Owner;
    int Result = 0;

private:
    // Shows a text of four dot-separated numbers in the address field; false for any other.
    bool ShowAddress(const std::string& text);
    void ShowEntries();

    UnitDiscovery m_discovery;
    Prompter& m_prompter;
};
