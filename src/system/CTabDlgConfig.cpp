#include "system/CTabDlg.h"

#include "link/CRkmio.h"
#include "platform/Format.h"
#include "platform/IniFile.h"
#include "platform/ProfilePaths.h"
#include "platform/Prompter.h"
#include "platform/Trace.h"
#include "platform/UserProfile.h"
#include "unit/CLumatrelDlg.h"

#include <sys/stat.h>

#include <algorithm>
#include <limits>
#include <set>
#include <string_view>

// Saving, loading and restoring configurations. A save edits the file's image key by key and
// replaces the file once, so that an interrupted save leaves the previous file whole.

namespace {

constexpr const char* kGeneral = "General";
constexpr const char* kIniFilter = "INI-Files|*.*||";
constexpr const char* kIniExtension = "ini";

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return LowerAscii(x) == LowerAscii(y);
           });
}

// The unit number of a unit's section name, as the program forms it ("interface_Rkm5_3"), or
// -1 for any other name.
int UnitNumberOfSection(const std::string& name) {
    const std::size_t underscore = name.rfind('_');
    if (underscore == std::string::npos || underscore + 1 >= name.size() ||
        name.size() - underscore > 10) {
        return -1;
    }
    int n = 0;
    for (std::size_t i = underscore + 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') {
            return -1;
        }
        n = n * 10 + (name[i] - '0');
    }
    for (const std::string& own :
         {CLumatrelDlg::InterfaceSection(n), CLumatrelDlg::CommandListSection(n),
          CLumatrelDlg::ChannelMapSection(n)}) {
        if (SameName(own, name)) {
            return n;
        }
    }
    return -1;
}

} // namespace

std::string CTabDlg::ConfigurationFolderPath() const {
    std::string folder = m_services && !m_services->configurationFolder.empty()
                             ? m_services->configurationFolder
                             : ConfigurationFolder();
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

std::string CTabDlg::LastConfigFilePath() const {
    return ConfigurationFolderPath() + "LastConfig.ini";
}

std::string CTabDlg::ProfileFilePath() const {
    return m_services && !m_services->profilePath.empty() ? m_services->profilePath
                                                          : UserProfilePath();
}

void CTabDlg::ToggleStartWithLastConfig() {
    if (Controls.StartWithLastConfigChecked) {
        Controls.StartWithLastConfigChecked = false;
        StartWithLastConfig = 0;
    } else {
        Controls.StartWithLastConfigChecked = true;
        StartWithLastConfig = 1;
    }
    Refresh();
}

void CTabDlg::ReadStartWithLastConfig() {
    StartWithLastConfig = ::ReadStartWithLastConfig(ProfileFilePath());
}

void CTabDlg::WriteStartWithLastConfig() {
    std::string error;
    if (!::WriteStartWithLastConfig(ProfileFilePath(), StartWithLastConfig, &error)) {
        Trace("StartWithLastConfig not stored: " + error + "\n");
    }
}

void CTabDlg::ReadStartupSettings(CLumatrelDlg& page, int n, const std::string& path) {
    // Without a last configuration the page keeps the settings it starts with (the serial
    // interface, COM1, the proposed address): the file's defaults would leave it with no
    // interface and no address at all.
    if (!PathExists(path)) {
        return;
    }
    IniFile file;
    file.Load(path);
    page.ReadInterfaceSettings(n, file);
}

void CTabDlg::LoadConfigurationImage(IniFile& file, const std::string& path) {
    if (!file.Load(path)) {
        ShowMessage(Format("configuration could not be read: %s\n%s", path.c_str(),
                           file.LastError().c_str()));
        return;
    }
    // Only the program's own sections make a configuration; a file of other sections alone
    // would load as one default unit without a word.
    const std::vector<std::string> names = file.SectionNames();
    const bool ours = std::any_of(names.begin(), names.end(), [](const std::string& name) {
        return SameName(name, kGeneral) || UnitNumberOfSection(name) >= 0;
    });
    if (!ours) {
        ShowMessage(Format("no configuration found in %s", path.c_str()));
    }
}

int CTabDlg::ConfiguredUnitCount(const IniFile& file) {
    std::string refusal;
    const std::int32_t count = file.ReadInt(kGeneral, "Count_RKM5", 1, 0,
                                            std::numeric_limits<std::int32_t>::max(), refusal);
    if (!refusal.empty()) {
        ShowMessage(refusal);
    }
    if (count > kMaxUnits) {
        ShowMessage(Format("the configuration holds %d RKM5 units, only the first %d are loaded",
                           static_cast<int>(count), kMaxUnits));
        return kMaxUnits;
    }
    return std::max(count, 0);
}

void CTabDlg::RemoveAllUnits() {
    // Module pages go with the module view; what is left are the unit pages.
    if (ViewMode != 0) {
        ShowUnitView();
    }
    for (int i = TabCtrl.GetCount() - 1; i >= 0; --i) {
        TabCtrl.RemovePage(i);
    }
    Units.fill(nullptr);
    ViewUnits.fill(nullptr);
    UnitCount = 0;
    std::vector<CLumatrelDlg*> pages;
    pages.reserve(m_pages.size());
    for (const auto& page : m_pages) {
        pages.push_back(page.get());
    }
    for (CLumatrelDlg* page : pages) {
        ReleaseUnusedPage(page);
    }
}

void CTabDlg::LoadUnit(int n, const IniFile& file, bool trace) {
    const int number = TabCtrl.NextUnitNumber();
    if (trace) {
        Trace(Format("create %d\n", n));
    }
    CLumatrelDlg* page = CreateUnitPage();
    if (trace) {
        Trace(Format("create fertig %d\n", n));
    }
    if (page == nullptr) {
        return;
    }
    const std::string label = Format("RKM5 No.%d\nTesselSerNr:", number);
    if (trace) {
        Trace(label + "\n");
    }
    Units[static_cast<std::size_t>(n)] = page;
    UnitCount = n + 1;
    TabCtrl.AddPage(label, page, 0);
    if (trace) {
        Trace("set default\n");
    }
    TabCtrl.SelectPage(n);
    page->SystemWindow = this;
    page->ReadInterfaceSettings(n, file);
    page->ReadCommandList(n, file);
    page->ReadChannelMap(n, file);
    page->RefreshMenuAndToolbar();
}

void CTabDlg::LoadConfiguration() {
    if (!m_services) {
        return;
    }
    for (const auto& list : {Units, ViewUnits}) {
        for (const CLumatrelDlg* page : list) {
            if (page != nullptr && page->Link != nullptr) {
                ShowMessage("Load only possible if all connections are closed");
                return;
            }
        }
    }
    FileDialogRequest request;
    request.Title = "Select IniFile to Open Config";
    request.Filter = kIniFilter;
    request.DefaultExtension = kIniExtension;
    request.FileName = "tl2.ini";
    request.InitialFolder = ConfigurationFolderPath();
    const std::optional<std::string> chosen = m_services->prompter.AskOpenFileName(request);
    if (!chosen || chosen->empty()) {
        return;
    }

    IniFile file;
    LoadConfigurationImage(file, *chosen);
    const int count = ConfiguredUnitCount(file);
    RemoveAllUnits();
    Refresh();
    for (int n = 0; n < count; ++n) {
        LoadUnit(n, file, true);
        Refresh();
    }
    ConfigLoaded = true;
    SyncViewUnits();
}

void CTabDlg::ReadConfigurationFile(const std::string& path) {
    if (!path.empty()) {
        IniFile file;
        LoadConfigurationImage(file, path);
        const int count = ConfiguredUnitCount(file);
        ActualTab = file.ReadInt(kGeneral, "ActualTab", 0);
        ConfigViewMode = file.ReadInt(kGeneral, "modeView", 0);
        RemoveAllUnits();
        for (int n = 0; n < count; ++n) {
            LoadUnit(n, file, false);
        }
    }
    SyncViewUnits();
    // A tab the file names that is not there selects the first.
    if (ActualTab < 0 || ActualTab >= TabCtrl.GetCount()) {
        ActualTab = 0;
    }
    TabCtrl.SelectPage(ActualTab);
    Refresh();
}

void CTabDlg::LoadLastConfiguration() {
    const std::string path = LastConfigFilePath();
    if (!PathExists(path)) {
        ShowMessage("no last Config saved");
        return;
    }
    SwitchOffAll();
    RemoveAllUnits();
    ReadConfigurationFile(path);
    ConfigLoaded = true;
}

void CTabDlg::SaveConfiguration() {
    if (!m_services) {
        return;
    }
    const std::string folder = ConfigurationFolderPath();
    std::string path;
    if (SaveToLastConfig) {
        const CLumatrelDlg* first = Units[0];
        const bool firstOpen = first != nullptr && first->Link != nullptr && first->Link->IsOpen();
        if (first != nullptr && !firstOpen && !ConfigLoaded &&
            !m_services->prompter.AskYesNo("no interface opened, save last config anyway?")) {
            WriteStartWithLastConfig();
            return;
        }
        // A folder that cannot be made shows when the file cannot be written into it.
        CreateFolders(folder);
        path = folder + "LastConfig.ini";
    } else {
        FileDialogRequest request;
        request.Title = "Select IniFile to save Config";
        request.Filter = kIniFilter;
        request.DefaultExtension = kIniExtension;
        // A name the dialog can save under as it stands; a pattern there would become the
        // file's name.
        request.FileName = "Config.ini";
        request.InitialFolder = FolderExists(folder) ? folder : std::string();
        const std::optional<std::string> chosen = m_services->prompter.AskSaveFileName(request);
        if (!chosen || chosen->empty()) {
            return;
        }
        path = *chosen;
    }
    WriteStartWithLastConfig();
    WriteConfigurationFile(path);
}

void CTabDlg::WriteConfigurationFile(const std::string& path) {
    IniFile file;
    auto fail = [&] {
        ShowMessage(Format("configuration could not be saved: %s\n%s", path.c_str(),
                           file.LastError().c_str()));
    };
    if (!file.Load(path)) {
        fail();
        return;
    }
    const bool hadSections = !file.SectionNames().empty();

    file.WriteInt(kGeneral, "modeView", ViewMode);
    if (ViewMode == 1) {
        ShowUnitView();
        ActualTab = 0;
    }
    file.WriteInt(kGeneral, "ActualTab", ActualTab);
    std::int32_t oldCount = 0;
    if (hadSections) {
        oldCount = file.ReadInt(kGeneral, "Count_RKM5", 0);
        file.WriteInt(kGeneral, "Count_RKM5", UnitCount);
    } else {
        file.WriteString(kGeneral, "Count_RKM5", Format("%d\n", static_cast<int>(UnitCount)));
    }

    // The sections of units the configuration no longer has; found by name, so that a huge
    // count in a damaged file costs nothing.
    std::set<std::string> gone;
    for (const std::string& name : file.SectionNames()) {
        const int n = UnitNumberOfSection(name);
        if (n >= UnitCount && n < oldCount) {
            gone.insert(name);
        }
    }
    for (const std::string& name : gone) {
        file.RemoveSection(name);
    }

    const int count = std::clamp(UnitCount, 0, kMaxUnits);
    for (int n = 0; n < count; ++n) {
        if (CLumatrelDlg* page = Units[static_cast<std::size_t>(n)]) {
            page->WriteInterfaceSettings(n, file,
                                         !file.HasSection(CLumatrelDlg::InterfaceSection(n)));
        }
    }
    for (int n = 0; n < count; ++n) {
        if (CLumatrelDlg* page = Units[static_cast<std::size_t>(n)]) {
            page->WriteCommandList(n, file, !file.HasSection(CLumatrelDlg::CommandListSection(n)));
        }
    }
    for (int n = 0; n < count; ++n) {
        if (CLumatrelDlg* page = Units[static_cast<std::size_t>(n)]) {
            page->WriteChannelMap(n, file, !file.HasSection(CLumatrelDlg::ChannelMapSection(n)));
        }
    }
    if (BeforeConfigurationReplace) {
        file.SetBeforeReplaceHook(BeforeConfigurationReplace);
    }
    if (!file.Save()) {
        fail();
    }
}
