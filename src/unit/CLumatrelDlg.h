#pragma once

#include "platform/PageView.h"
#include "unit/PageControls.h"
#include "unit/UnitServices.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

class CRkmio;
class CRKM5Serio;
class CRKM5Tcpio;
class CTabDlg;
class IniFile;
class TimerHost;
class SetupDialogRunner;

// One RKM5 unit: its link, settings, what is known of the unit, its channel set-points,
// its monitoring switches, its log, and the state of the page's controls.
class CLumatrelDlg {
public:
    explicit CLumatrelDlg(UnitServices services);
    CLumatrelDlg(const CLumatrelDlg&) = delete;
    CLumatrelDlg& operator=(const CLumatrelDlg&) = delete;
    // Leaves the link alone: only disconnecting or a lost connection closes it.
    ~CLumatrelDlg();

    // Log and command exchange.
    void AppendLog(const std::string& text, int target);
    void ExchangeCommand(const std::string& command, std::string& reply, int target);
    void ExchangeTemperature(const std::string& command, std::string& reply);
    void ExchangeVoltage(const std::string& command, std::string& reply);
    void DropLink();
    void ResetUnitDisplay();

    // Copies the members into the control state (never fails).
    void ShowEntries();

    // Reply interpreters.
    void InterpretReply(const std::string& reply, const std::string& command, int target);
    void InterpretTemperature(const std::string& reply);
    void InterpretVoltage(const std::string& reply);

    // Channel assignment, module display and monitoring.
    void RecomputeChannelAssignment();
    void RefreshModuleDisplay();
    void StopMonitorTimers();
    void OnMonitorTimer(int id);

    // Connecting and disconnecting (CLumatrelDlgConnect.cpp).
    void ConnectTcp();
    void ConnectRs232();
    void DisconnectTcp();
    void DisconnectRs232();
    // Switches the LEDs off and gives the link up without a word, for the program's end.
    void SwitchOffAndDisconnect();
    // Takes the address the network now reports for this unit's serial number.
    void RefreshIpBySerial();
    // The link is being lost: a unit without a serial number of its own (set up through its
    // menus, or saved without one) takes the one it reported when it was connected, so that it
    // is told, titled "NC:" and saved under it.
    void KeepReportedSerNr();
    // Runs the TCP/IP dialog and logs its outcome.
    void ConfigureTcp();

    // Identification after a connect, and the monitoring switches (CLumatrelDlgModules.cpp).
    void IdentifyUnit();
    // Firmware release, on newer firmware the modules' information part C and the M35
    // decision, then the set currents.
    void ReadUnitCurrents();
    // Whether the information part C of a channel (0 to 3 for A to D), as the reply to its
    // "ILC" query left it, describes an M35 module.
    bool ModuleLooksM35(const std::string& reply, int channel) const;
    void UpdateMonitoring();
    // The Monitor menu items and their toolbar buttons (CLumatrelDlgMonitor.cpp): each flips
    // its switch and starts or stops its timer.
    void ToggleMonitorTemperature();
    void ToggleMonitorVoltage();
    void ToggleMonitorError();
    // Brings the menu check marks and toolbar images in line with the members.
    void RefreshMenuAndToolbar();

    // Log files.
    bool OpenLogFile();
    void CloseLogFile();

    // --- Channel control, operating modes, log window, command line and command files
    // (CLumatrelDlgChannels.cpp, CLumatrelDlgModes.cpp, CLumatrelDlgLog.cpp,
    // CLumatrelDlgCommands.cpp). Channels are numbered 0 to 3 for A to D.
    // The channel's "apply" button: sends its current set-point.
    void ApplyCurrent(int channel);
    // The channel's "on/off" box was clicked and holds its new state: sends that state.
    void SwitchChannel(int channel);
    // The mouse let go of the channel's slider: takes its position as the set-point, sends
    // nothing.
    void OnCurrentSliderReleased(int channel);
    void AllChannelsOn();
    void AllChannelsOff();
    // 1 switches all four channels on, 0 off, any other state resends the boxes' states.
    void SwitchAllChannels(int state);
    // The letter that names a channel in switch commands under the present assignment:
    // A to D manual, E to H automatic.
    char SwitchLetter(int channel) const;

    // An item of the "Operating Mode" menu, by mode number (0 bulb, 1 command, 2 PWM,
    // 3 analog): asks, then records and sends the mode.
    void ChooseOperatingMode(std::int32_t mode);
    // Records the mode and sends "MO <mode>" when connected.
    void SendOperatingMode(std::int32_t mode);
    // Checks exactly the item of OperatingMode and sets OperatingModeText; part of
    // RefreshMenuAndToolbar.
    void ShowOperatingMode();

    void ClearLogWindow();
    void ToggleHideLogWindow();
    void SaveLogWindowToFile();
    // The save dialog step of OpenLogFile; stores the name chosen in LogFilePath and in the
    // per-user profile.
    bool ChooseLogFileName();
    // The profile file that remembers the last log file name.
    std::string ProfilePath() const;

    // The command line's "Send" button.
    void SendCommandLine();
    void OnCommandTextEdited() { CommandTyped = true; }
    void OnCommandChosen() { CommandTyped = false; }
    // "Run command sequence from file". Only a regular file of at most 16 MB is run; anything
    // else is refused with its path and the reason. False when no file was run: the dialog was
    // cancelled, there is no open link, or the file was refused.
    bool RunCommandFile();
    // The longest command the command line sends, in characters.
    static constexpr std::size_t kMaxCommandLine = 511;
    // The history the command line keeps after a send adds to it.
    static constexpr std::size_t kMaxCommandHistory = 10;
    // The command box's text was typed since the last choice from its list.
    bool CommandTyped = false;
    // What the empty command box shows as a hint.
    static constexpr const char* CommandHintText = "Enter your commands here";
    // --- end channel control, operating modes, log window, command line

    // --- Menus, toolbar and keys (CLumatrelDlgMenu.cpp), system information
    // (CLumatrelDlgReport.cpp)
    // The menu bar with the check marks and enable states the control state holds.
    UnitMenuBar MenuBarState() const;
    // A menu item or toolbar button was chosen.
    void OnMenuCommand(UnitCommand id);
    // Toolbar button 0 to 9, left to right.
    void OnToolbarButton(int index);
    // The tooltip of the toolbar button that gives this command; "" for none.
    std::string ToolbarTooltip(UnitCommand id) const;
    // A key went down on the page, with Ctrl held or not. False when the key is not to go on
    // to the ordinary dialog key processing (Ctrl+R, which may have released this page).
    bool OnKeyDown(Key key, bool ctrl);
    void ConnectSelected();
    void DisconnectSelected();
    // "TCP/IP" (tcp) or "RS232/USB/RS485": each item toggles between the two interfaces.
    void SelectInterface(bool tcp);
    void ConfigureSelected();
    void ToggleAutomaticAssignment();
    void ToggleManualAssignment();
    // F7: asks the system window's view to place this page at its tab strip.
    void PlacePageAtTabStrip();
    // 1 restores the Connect and Disconnect items and buttons, 0 greys them.
    void SetConnectItemsEnabled(int flag);
    // 1 greys "Use manual channel assignment", any other value enables it.
    void GreyManualAssignment(int flag);
    // The channel assignment dialog, and what its OK means for the page.
    void ConfigureChannelMap();
    // The largest lower and the smallest upper end of the four current sliders.
    void CommonCurrentRange(std::int32_t& low, std::int32_t& high) const;
    // Sends the query list and writes the report's lines to the log and, framed, to file.
    void ReportSystemInfo(std::FILE* file);
    // The queries of the report: 27, and 31 for an M35 unit.
    std::vector<std::string> BuildQueryList() const;
    // --- end menus, toolbar and keys, system information

    // --- Configuration file (CLumatrelDlgConfig.cpp): unit n's three sections. A write with
    // isNew (the section was not in the file before) leaves an empty line after the section.
    void ReadInterfaceSettings(int n, const IniFile& file);
    void ReadCommandList(int n, const IniFile& file);
    void ReadChannelMap(int n, const IniFile& file);
    // Takes the values shown in the controls into the fields first.
    void WriteInterfaceSettings(int n, IniFile& file, bool isNew);
    void WriteCommandList(int n, IniFile& file, bool isNew);
    void WriteChannelMap(int n, IniFile& file, bool isNew);
    // "interface_Rkm5_<n>", "CommandList_Rkm5_<n>", "channelMap_Rkm5_<n>".
    static std::string InterfaceSection(int n);
    static std::string CommandListSection(int n);
    static std::string ChannelMapSection(int n);
    // The most command lines a configuration keeps of a unit.
    static constexpr int kMaxSavedCommandLines = 50;
    // The folder of the configuration files, with a trailing '/'.
    std::string ConfigurationFolderPath() const;
    // --- end configuration file

    // RS232 settings (CLumatrelDlgRs232.cpp).
    // Runs the RS232 dialog modally through the services' dialog runner; on OK the dialog
    // has stored PortRs232 and Baudrate, and the choice is logged.
    void ConfigureRs232();
    // Where the RS232 dialog looks for serial devices; tests point it at a fake folder.
    std::string SerialDeviceRoot = "/dev";

    // Page start-up and data exchange.
    // The start-up steps of the page's core once its window exists: defaults, command box
    // entries, sliders, the start line. The window itself sets icons, menu and toolbar.
    // Returns 1.
    int OnInitDialog();
    // Reads every bound control back into its member. A current box that holds no integer,
    // or one outside the channel's range labels, stops the read-back with a message;
    // Controls.FailedControl then names the box and the result is false.
    bool ReadEntries();
    // Takes the program's version into VersionMajor, VersionMinor, VersionBuild and
    // VersionMissing.
    void ReadProgramVersion();
    // The version line of the About box.
    static std::string AboutVersionLine();
    // The unit address a new page proposes until the configuration names one.
    static constexpr const char* DefaultDeviceAddress = "192.168.1.20";

    // Module keys: a channel now reports another Tessel module than before.
    void ChangeModuleKey(const std::string& oldSerial, const std::string& newSerial);

    // --- Module view (CLumatrelDlgModuleView.cpp)
    // A page of the module view works on channels and a link of a unit page; the module keys
    // of those channels stay with the unit page, so a module page releases none.
    bool IsModulePage = false;
    // Hides what a module page without the master Tessel must not offer: the four channels'
    // "apply" buttons, on/off boxes, current boxes, sliders, range labels and "Current/mA"
    // labels, and the command line.
    void HideChannelControls();
    // --- end module view

    void SetView(PageView* view) { m_view = view; }
    TimerHost& Timers() { return *m_timers; }

    // Link and connection.
    CRkmio* Link = nullptr;
    CRKM5Serio* SerialLink = nullptr;
    CRKM5Tcpio* TcpLink = nullptr;
    std::int32_t IsConnected = 0;
    CTabDlg* SystemWindow = nullptr;

    // Interface settings.
    std::string SelectedIf = "RS232";
    std::string UsedIf;
    std::string PortRs232;
    std::int32_t Baudrate = 115200;
    std::string IpAdr;
    std::string HostName;
    std::int32_t IpPort = 23;
    bool ManualIp = false;

    // Identity and mode.
    std::string SerNr;
    // How a configuration file holds an empty SerNr.
    static constexpr const char* NoSerialNumberText = "no RKM5 selected";
    // SerNrText as the identification of the present connection left it; empty before.
    std::string IdentifiedSerNr;
    bool IsM35 = false;
    bool HoldsMasterTessel = false;
    std::int32_t TesselGroupSerNr = -1;
    std::int32_t OperatingMode = 1;
    std::int32_t ChannelAssignment = 0;

    // Per channel, A to D.
    std::array<std::int32_t, 4> CurrentSetpoint = {200, 200, 200, 200};
    std::array<std::string, 4> TesselSerNrText;
    std::array<std::int32_t, 4> TesselSerNr = {};
    std::array<std::string, 4> ModuleCountText;
    std::array<std::int32_t, 4> ModulesPerChannel = {};
    std::array<std::int32_t, 4> ModulesInUse = {};
    std::array<std::array<std::int32_t, 5>, 4> TesselInfoC = {};

    // Monitoring switches.
    std::int32_t MonitorTemperature = 1;
    std::int32_t MonitorVoltage = 1;
    std::int32_t MonitorError = 1;

    // Displayed texts.
    std::array<std::string, 4> TemperatureText;
    std::array<std::string, 4> TesselTemperatureText;
    std::array<std::string, 4> VoltageText;
    std::string InputVoltageText;
    std::string AnalogVoltageText;
    std::string StatusText;
    std::string InterfaceText = "--";
    std::string DeviceIdText = "1";
    std::string SerNrText;
    std::string FirmwareText;
    std::string OperatingModeText;
    std::string LastErrorText;
    std::array<std::string, 4> CurrentMinText = {"200", "200", "200", "200"};
    std::array<std::string, 4> CurrentMaxText = {"1800mA", "1800mA", "1800mA", "1800mA"};
    std::string LastLogText;
    std::string LogFileText;

    // Log files.
    std::FILE* LogFile = nullptr;
    std::FILE* InfoFile = nullptr;
    std::string LogFilePath;
    std::int32_t LogWriteThrough = 0;
    bool AskLogFileName = true;
    // A log file name was chosen on this page (or the page it was copied from); LogFilePath
    // alone also holds a name merely proposed.
    bool LogFileNameChosen = false;

    // Page start-up: mA per slider step, and the program's version (VersionMissing is 1
    // until the version was read).
    std::int32_t SliderScale = 1;
    std::int32_t VersionMajor = 0;
    std::int32_t VersionMinor = 0;
    std::int32_t VersionBuild = 0;
    std::int32_t VersionMissing = 1;

    // The state of the page's controls.
    PageControls Controls;

private:
    void ReleaseChannelKeys();
    void SetTabTitle(const std::string& text, int image, int suffixFlag);
    void CloseExistingConnection();
    // IdentifyUnit for a connect; false when the link was lost on the way.
    bool IdentifyConnectedUnit();
    // "TCP:"/"RS232:", the serial number and the modules; registers the modules' keys.
    std::string ConnectedTabTitle(const char* interfaceName);
    void SwitchOffBeforeClosing();
    void Disconnect(bool tcp);
    void GiveUpLink();
    // The catcher's part of a lost connection: log, give the link up, tell the operator.
    void LoseConnection(const std::string& message, const std::string& exceptionLine,
                        const std::string& lostText, int target);
    template <typename Interpret>
    void LockedExchange(const std::string& command, std::string& reply, int target,
                        const char* tcpLine, const char* serialLine, Interpret interpret);
    void AppendEntries(const std::string& text);
    void WriteLogFile(const std::string& text);
    // --- Log file writing: false, with the log file closed and the operator told, when the
    // bytes could not be written.
    bool WriteLogBytes(const std::string& bytes);
    bool FinishLogFile();
    // --- end log file writing
    int PagePosition() const;
    // A number of the configuration that its field can hold, or the default, the operator
    // told why.
    std::int32_t ReadIntInRange(const IniFile& file, const std::string& section, const char* key,
                                std::int32_t defaultValue, std::int32_t low, std::int32_t high);

    UnitServices m_services;
    std::unique_ptr<TimerHost> m_timers;
    PageView* m_view = nullptr;
};
