#pragma once

#include <string>
#include <vector>

class CLumatrelDlg;
class Prompter;
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
//
// The port box lists the ports that can be opened now, then the serial/by-id names of those
// that have one (the names that survive replugging), and takes a typed name too: a
// pseudo-terminal, a symbolic link, any device path. A typed name must be a character device
// when OK is pressed.
class Crs232Config {
public:
    static constexpr const char* Caption = "RS232 Interface";
    static constexpr const char* PortLabel = "Serial Port";
    static constexpr const char* BaudLabel = "Baudrate";
    static constexpr const char* DataBitsLabel = "Databits";
    static constexpr const char* StopBitsLabel = "Stop Bits";
    static constexpr const char* ParityLabel = "Parity";

    // deviceRoot is where the ports are probed; tests give a fake folder. A refused port
    // name is told through the prompter.
    Crs232Config(CLumatrelDlg& owner, Prompter& prompter, std::string deviceRoot = "/dev");

    // Fills the lists, lets the runner show the dialog, and stores the choice on OK.
    // Returns 1 for OK, 2 for Cancel, -1 when the front end could not show it. A runner that
    // answers 1 without having called OnOK has it called now; a refusal then counts as
    // Cancel, since there is no dialog left to stay open.
    int DoModal(SetupDialogRunner& runner);

    // Probes the ports anew and fills and selects every list from the owner's settings.
    void OnInitDialog();
    // An entry of the port box was chosen.
    void OnPortSelected(int index);
    // The text in the port box's edit field changed; text equal to an entry selects it.
    void OnPortTextChanged(const std::string& text);
    // The owner's PortRs232 and Baudrate := the port in the box and the baud selection;
    // result 1 and true. A typed port name that is not a character device is refused with a
    // message instead: false, nothing stored, the dialog stays open.
    bool OnOK();
    // Result 2; nothing changes.
    void OnCancel();

    // Why a typed port name cannot be used, or "" when it names a character device.
    static std::string PortRefusal(const std::string& name);

    DropDownList PortList;
    DropDownList BaudList;
    DropDownList DataBitsList;
    DropDownList StopBitsList;
    DropDownList ParityList;
    // The ports probed; PortList lists them first, then the stable names of those that have
    // one.
    std::vector<SerialPortEntry> Ports;
    // What OK stores for each PortList entry: a port's kernel name, or its serial/by-id path.
    std::vector<std::string> PortSettings;
    // The text in the port box's edit field: the selected entry, or a typed name when
    // PortList.Selection is -1.
    std::string PortEdit;
    std::string PortText;
    std::string BaudText;
    CLumatrelDlg& Owner;
    int Result = 0;

private:
    Prompter& m_prompter;
    std::string m_deviceRoot;
};
