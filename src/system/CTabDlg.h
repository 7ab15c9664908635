#pragma once

#include "platform/Menus.h"
#include "system/CibTabCtrl.h"
#include "system/ModuleKeyTable.h"
#include "unit/UnitServices.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CLumatrelDlg;
class IniFile;
class SystemView;

// The commands of the system window's menu bar and toolbar.
enum class SystemCommand {
    None,
    StartWithLastConfig,
    LoadConfiguration,
    SaveConfiguration,
    SaveSystemInfo,
    ListSystemInfo,
    ExitProgram,
    ConnectAll,
    DisconnectAll,
    AddUnit,
    RemoveUnit,
    // The Channels menu leaves the last tab selected; the toolbar's buttons (and F5, F6)
    // return to the tab selected before.
    AllChannelsOn,
    AllChannelsOff,
    AllChannelsOnRestoringSelection,
    AllChannelsOffRestoringSelection,
    SetGlobalCurrent,
    UnitView,
    ModuleView,
    About,
    Manual,
};

// The system window's toolbar images, by their bitmap numbers.
namespace SystemToolbarImage {
inline constexpr int AddUnit = 177;
inline constexpr int RemoveUnit = 180;
inline constexpr int ConnectAll = 152;
inline constexpr int DisconnectAll = 153;
inline constexpr int AllChannelsOn = 186;
inline constexpr int AllChannelsOff = 230;
inline constexpr int UnitView = 243;
inline constexpr int UnitViewInModuleView = 236;
inline constexpr int ModuleView = 235;
inline constexpr int ModuleViewInModuleView = 242;
} // namespace SystemToolbarImage

using SystemMenuBar = MenuBar<SystemCommand>;
inline constexpr std::size_t kSystemToolbarButtons = 8;
using SystemToolbar = std::array<ToolbarButton<SystemCommand>, kSystemToolbarButtons>;

// The system window: the unit pages in tab order, the actions over all units, the module key
// table, and the state of its own controls. It owns the pages it creates; Units and ViewUnits
// say where each is used, and a page used in neither is released.
class CTabDlg {
public:
    static constexpr int kMaxUnits = 20;
    static constexpr const char* Caption = "Lumatrel ";
    static constexpr const char* ManualFileName = "LumatrelTabUserManual_v_5.1.pdf";

    // A window that creates its pages with these services.
    explicit CTabDlg(UnitServices services);
    // A window without services holds pages made elsewhere; it creates none and shows no
    // message.
    CTabDlg();
    CTabDlg(const CTabDlg&) = delete;
    CTabDlg& operator=(const CTabDlg&) = delete;
    ~CTabDlg();

    void SetView(SystemView* view);
    SystemView* View() const { return m_view; }

    // Start-up: the first unit page, the restore of the last configuration when asked for,
    // the unit view's check marks. Returns 1.
    int OnInitDialog();
    // The window is shown: tab 0 is selected.
    void OnShowWindow();

    // Menus, toolbar and keys.
    SystemMenuBar MenuBarState() const;
    void OnMenuCommand(SystemCommand id);
    void OnToolbarButton(int index);
    // The tooltip of the toolbar button at this position; "" for none.
    std::string ToolbarTooltip(int index) const;
    // A key was released while the window or one of its own controls had the focus.
    void OnKeyUp(Key key, bool ctrl);
    // The "Exit" button, closing the window by its title bar, "Cancel", and the File menu's
    // "Exit".
    void OnExitButton();
    void OnClose();
    void OnCancelButton();
    // Escape, from anywhere in the window: one stray key must not drop a running setup, so
    // it asks first; Yes ends the run as "Cancel" does, No leaves everything as it is.
    void OnEscapeKey();
    static constexpr const char* EscapeQuestion = "Exit without saving the configuration?";
    void ExitProgram();

    // Unit management and the actions over all units.
    void AddUnit();
    // Adds a page and its tab without bringing ViewUnits up to date, as the view rebuilds
    // need; nullptr when the strip is full or the window has no services.
    CLumatrelDlg* AddUnitPage();
    void RemoveUnit();
    void ConnectAll();
    void DisconnectAll();
    void SwitchAllUnits(int state, bool restoreSelection);
    void SaveSystemInfo();
    void ListSystemInfo();
    void SetGlobalCurrent();
    void ShowManual();
    void ToggleStartWithLastConfig();

    // The views.
    void ShowUnitView();
    void ShowModuleView();
    // --- Module view (CTabDlgView.cpp)
    // The module view's tabs: one per channel that reports a Tessel module, the channels of
    // one module together, the first of them holding the master Tessel. The module pages
    // borrow the links of the unit pages in ViewUnits, which own them.
    void BuildModuleView();
    // The unit pages of ViewUnits back in their tabs, each with its link; the module pages
    // are released.
    void RestoreUnitView();
    // The position in ViewUnits of the connected unit page on which the j-th channel
    // (counting from 1) that reports Tessel s is found; -1 when there are fewer.
    int FindTesselUnit(std::int32_t s, int j) const;
    // The channel (0 to 3) of page at which the j-th match of Tessel s falls, its matching
    // channels counted round again and again; -1 for a page without a link or without a
    // matching channel.
    static int FindTesselChannel(const CLumatrelDlg& page, std::int32_t s, int j);
    // page is about to close and delete its link: every other page that holds the link
    // forgets it. A module page then shows "NC:" in its tab; a unit page behind the module
    // view clears its display and gives its module keys up.
    void ForgetSharedLink(const CLumatrelDlg& page);
    // page is losing its link: every other page that holds it keeps the serial number the unit
    // reported (CLumatrelDlg::KeepReportedSerNr).
    void KeepReportedSerNrOfSharers(const CLumatrelDlg& page);
    // How the tab strip draws tab index: its text area's fill colour (RGB), and whether the
    // title is bold (weight 700) because the tab holds a master Tessel in the module view.
    struct TabItemLook {
        int Red = 255;
        int Green = 255;
        int Blue = 255;
        bool Bold = false;
    };
    TabItemLook TabItemDrawing(int index, bool selected) const;
    // --- end module view

    // The configuration file.
    void LoadConfiguration();
    void SaveConfiguration();
    void LoadLastConfiguration();
    // --- Configuration file (CTabDlgConfig.cpp)
    // Builds all units from the file at path, with the selected tab and the view mode it
    // names; an empty path only brings ViewUnits up to date and selects ActualTab.
    void ReadConfigurationFile(const std::string& path);
    // The folder of the configuration files (with a trailing '/'), LastConfig.ini in it, and
    // the per-user profile.
    std::string ConfigurationFolderPath() const;
    std::string LastConfigFilePath() const;
    std::string ProfileFilePath() const;
    // Called when a saved configuration is safely in its temporary file, before it replaces
    // the file; false abandons the save there, as a process killed at that moment would.
    std::function<bool(const std::string& temporaryPath)> BeforeConfigurationReplace;
    // --- end configuration file

    // Titles the selected tab; unless suffixFlag is -1, "No.<position>\nTesselSerNr:" follows.
    void SetTabTitle(const std::string& text, int image, int suffixFlag);

    // --- Channel propagation in the module view (called by the unit pages' channel
    // control): channel n (1 to 4) of the selected page, whose Tessel serial number is key,
    // was just sent a new current, or was just switched.
    void PropagateChannelCurrent(std::int32_t key, int n);
    void PropagateChannelSwitch(std::int32_t key, int n);
    // Brings every group of the module view to the lowest set-point found in it, and sends
    // that current to each of its channels.
    void EqualiseGroupCurrents();
    // --- end channel propagation

    // One unit's error state as its error monitoring read it. In the module view the status
    // line sums up the reports of all pages, ErrorCount of them, and starts afresh once every
    // page has reported; in the unit view it stays empty. text is not used.
    void ErrorSummaryReport(std::int32_t code, const std::string& text, const std::string& serNr,
                            std::int32_t tesselGroupSerNr);

    bool SaveToLastConfig = false;
    std::int32_t ActualTab = 0;
    std::int32_t UnitCount = 1;
    std::FILE* SystemInfoFile = nullptr;
    std::array<CLumatrelDlg*, kMaxUnits> Units{};
    std::array<CLumatrelDlg*, kMaxUnits> ViewUnits{};
    CibTabCtrl TabCtrl;
    bool ConfigLoaded = false;
    std::int32_t StartWithLastConfig = 0;
    std::int32_t ViewMode = 0;
    std::int32_t ErrorCount = 0;
    std::int32_t ConfigViewMode = 0;
    ModuleKeyTable ChannelMap;
    std::string ErrorSummary = "no errors detected";

    // The state of the window's own controls: the check marks of "Start with last
    // configuration", "RKM5 View" and "Tessel View", and the toolbar with its images.
    struct SystemControls {
        bool StartWithLastConfigChecked = false;
        bool UnitViewChecked = true;
        bool ModuleViewChecked = false;
        SystemToolbar Toolbar;
    };
    SystemControls Controls;

    // How the modal run ended: 0 while it runs, 1 Exit, 2 Cancel.
    int ModalResult = 0;
    bool ExitProcessRequested = false;

private:
    CLumatrelDlg* CreateUnitPage();
    // Deletes an owned page that neither Units nor ViewUnits holds any more; its link is
    // closed unless another page shares it.
    void ReleaseUnusedPage(CLumatrelDlg* page);
    // The other pages that hold the same link as page.
    std::vector<CLumatrelDlg*> PagesSharingLink(const CLumatrelDlg* page) const;
    static void ForgetLink(CLumatrelDlg& page);
    // Switches every page's LEDs off and gives its link up, each shared link once.
    void SwitchOffAll();
    void SyncViewUnits();
    void ShowMessage(const std::string& text);
    void EndModal(int result, bool exitProcess);
    void Refresh();
    // Hooks of the start-up: the first page's interface settings from the last
    // configuration, and the profile's "StartWithLastConfig".
    void ReadStartupSettings(CLumatrelDlg& page, int n, const std::string& path);
    void ReadStartWithLastConfig();
    // --- Configuration file (CTabDlgConfig.cpp)
    // Loads the file's image; a file with no section at all, or one that cannot be read, is
    // reported and read as an empty one.
    void LoadConfigurationImage(IniFile& file, const std::string& path);
    // Count_RKM5 as far as the window can hold it.
    int ConfiguredUnitCount(const IniFile& file);
    // Removes every tab and releases every page.
    void RemoveAllUnits();
    // Unit n: a new page with its tab, selected, and its three sections read.
    void LoadUnit(int n, const IniFile& file, bool trace);
    void WriteStartWithLastConfig();
    // Writes the whole configuration into the file at path in one replacement; the operator
    // is told when it could not be written.
    void WriteConfigurationFile(const std::string& path);
    // --- end configuration file
    void EnterModuleView();

    std::optional<UnitServices> m_services;
    std::vector<std::unique_ptr<CLumatrelDlg>> m_pages;
    SystemView* m_view = nullptr;
};
