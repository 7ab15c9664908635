#pragma once

#include <string>
#include <vector>

class CLumatrelDlg;
class SetupDialogRunner;

// A drop-down list's state: its entries and the selected one (-1: none).
struct DropDownList {
    std::vector<std::string> Entries;
    int Selection = -1;

    // The selected entry's text, or "" when nothing is selected.
    std::string SelectedText() const;
    // Selects the entry equal to text; false (selection unchanged) when there is none.
    bool Select(const std::string& text);
};

// A serial port that could be opened when the ports were probed.
struct SerialPortEntry {
    std::string Name;       // kernel name, as the port setting holds it: "ttyUSB0"
    std::string StableName; // its name under serial/by-id, or "" when it has none
    // What the port list shows: the kernel name, the stable name beside it.
    std::string Label() const;
};

// The ports under deviceRoot that can be opened now, ascending by kind (ttyS, ttyUSB,
// ttyACM, ttyAMA and the like) and number. A port that does not open, or whose lock another
// holder has (an open link of this program included), is not listed.
std::vector<SerialPortEntry> ProbeSerialPorts(const std::string& deviceRoot);

// The RS232 settings dialog: serial port and baud rate of a unit on a serial line. The data
// bits, stop bits and parity lists are shown and selectable, but the link keeps the port's
// own settings for them, so their selection is stored nowhere.
class Crs232Config {
public:
    static constexpr const char* Caption = "RS232 Interface";
    static constexpr const char* PortLabel = "Serial Port";
    static constexpr const char* BaudLabel = "Baudrate";
    static constexpr const char* DataBitsLabel = "Databits";
    static constexpr const char* StopBitsLabel = "Stop Bits";
    static constexpr const char* ParityLabel = "Parity";

    // deviceRoot is where the ports are probed; tests give a fake folder.
    explicit Crs232Config(CLumatrelDlg& owner, std::string deviceRoot = "/dev");

    // Fills the lists, lets the runner show the dialog, and stores the choice on OK.
    // Returns 1 for OK, 2 for Cancel, -1 when the front end could not show it.
    int DoModal(SetupDialogRunner& runner);

    // Probes the ports anew and fills and selects every list from the owner's settings.
    void OnInitDialog();
    // The owner's PortRs232 and Baudrate := the port and baud selections; result 1.
    void OnOK();
    // Result 2; nothing changes.
    void OnCancel();

    DropDownList PortList;
    DropDownList BaudList;
    DropDownList DataBitsList;
    DropDownList StopBitsList;
    DropDownList ParityList;
    std::vector<SerialPortEntry> Ports; // one per PortList entry
    std::string PortText;
    std::string BaudText;
    CLumatrelDlg& Owner;
    int Result = 0;

private:
    std::string m_deviceRoot;
};
