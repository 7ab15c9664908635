#include "system/CTabDlg.h"

#include "link/CRkmio.h"
#include "platform/Format.h"
#include "platform/ProfilePaths.h"
#include "platform/Prompter.h"
#include "platform/SystemView.h"
#include "platform/Trace.h"
#include "unit/CLumatrelDlg.h"

#include <algorithm>
#include <set>

namespace {

SystemToolbar NewToolbar() {
    using C = SystemCommand;
    namespace I = SystemToolbarImage;
    return {{
        {C::AddUnit, I::AddUnit, "Add RKM5"},
        {C::RemoveUnit, I::RemoveUnit, "Remove RKM5"},
        {C::ConnectAll, I::ConnectAll, "Connect All"},
        {C::DisconnectAll, I::DisconnectAll, "Disconnect All"},
        {C::AllChannelsOnRestoringSelection, I::AllChannelsOn, "All channels On"},
        {C::AllChannelsOffRestoringSelection, I::AllChannelsOff, "All channels Off"},
        {C::UnitView, I::UnitView, "RKM5 View"},
        {C::ModuleView, I::ModuleView, "Tessel View"},
    }};
}

} // namespace

CTabDlg::CTabDlg(UnitServices services) : m_services(services) {
    Controls.Toolbar = NewToolbar();
}

CTabDlg::CTabDlg() {
    Controls.Toolbar = NewToolbar();
}

CTabDlg::~CTabDlg() {
    if (SystemInfoFile != nullptr) {
        std::fclose(SystemInfoFile);
    }
    // Pages never close their links; what the exit paths have not closed goes now, each
    // shared link once.
    std::set<CRkmio*> links;
    for (const auto& page : m_pages) {
        if (page->Link != nullptr) {
            links.insert(page->Link);
        }
        ForgetLink(*page);
    }
    for (CRkmio* link : links) {
        delete link;
    }
}

void CTabDlg::SetView(SystemView* view) {
    m_view = view;
    TabCtrl.SetView(view);
}

void CTabDlg::Refresh() {
    if (m_view != nullptr) {
        m_view->Refresh();
    }
}

void CTabDlg::ShowMessage(const std::string& text) {
    if (m_services) {
        m_services->prompter.ShowMessage(text);
    } else {
        Trace("message without a prompter: " + text + "\n");
    }
}

CLumatrelDlg* CTabDlg::CreateUnitPage() {
    if (!m_services) {
        return nullptr;
    }
    m_pages.push_back(std::make_unique<CLumatrelDlg>(*m_services));
    CLumatrelDlg* page = m_pages.back().get();
    page->OnInitDialog();
    return page;
}

int CTabDlg::OnInitDialog() {
    ConfigLoaded = false;
    Controls.Toolbar = NewToolbar();
    SaveToLastConfig = false;
    ActualTab = 0;
    Units.fill(nullptr);
    ViewUnits.fill(nullptr);

    const std::string lastConfig = LastConfigFilePath();
    Trace(Format("ini:%s\n", lastConfig.c_str()));

    const int count = std::clamp(UnitCount, 0, kMaxUnits);
    int made = 0;
    for (int n = 0; n < count; ++n) {
        CLumatrelDlg* page = CreateUnitPage();
        if (page == nullptr) {
            break;
        }
        ReadStartupSettings(*page, n, lastConfig);
        page->RefreshMenuAndToolbar();
        TabCtrl.AddPage(Format("RKM5 No.%d\nTesselSerNr:", n + 1), page, 0);
        page->SystemWindow = this;
        Units[static_cast<std::size_t>(n)] = page;
        ++made;
    }
    UnitCount = made;

    ReadStartWithLastConfig();
    if (StartWithLastConfig != 0) {
        Controls.StartWithLastConfigChecked = true;
        LoadLastConfiguration();
    } else {
        Controls.StartWithLastConfigChecked = false;
    }
    Controls.UnitViewChecked = true;
    Controls.ModuleViewChecked = false;
    ViewUnits = Units;
    Refresh();
    return 1;
}

void CTabDlg::OnShowWindow() {
    TabCtrl.SelectPage(0);
}

SystemMenuBar CTabDlg::MenuBarState() const {
    using C = SystemCommand;
    auto item = [](C id, const char* text, bool checked = false) {
        return MenuItem<C>{id, text, false, checked, true};
    };
    const MenuItem<C> separator{C::None, "", true, false, true};
    SystemMenuBar bar;
    bar.Menus = {
        {"File",
         {item(C::StartWithLastConfig, "Start with last configuration",
               Controls.StartWithLastConfigChecked),
          item(C::LoadConfiguration, "Load configuration\tCtrl+L"),
          item(C::SaveConfiguration, "Save configuration\tCtrl+S"), separator,
          item(C::SaveSystemInfo, "Save system info to file"),
          item(C::ListSystemInfo, "List system info in Log window"), item(C::ExitProgram, "Exit")}},
        {"System Control",
         {item(C::ConnectAll, "Connect all\tCtrl+C"),
          item(C::DisconnectAll, "Disconnect all\tCtrl+D"), separator,
          item(C::AddUnit, "Add RKM5 unit\tCtrl+A"),
          item(C::RemoveUnit, "Remove RKM5 unit\tCtrl+R")}},
        {"Channels",
         {item(C::AllChannelsOn, "All channels on\tF5"),
          item(C::AllChannelsOff, "All channels off\tF6"), separator,
          item(C::SetGlobalCurrent, "Set global LED current")}},
        {"View",
         {item(C::UnitView, "RKM5 View", Controls.UnitViewChecked),
          item(C::ModuleView, "Tessel View", Controls.ModuleViewChecked)}},
        {"?", {item(C::About, "About"), item(C::Manual, "Manual RKM5")}},
    };
    return bar;
}

void CTabDlg::OnMenuCommand(SystemCommand id) {
    switch (id) {
    case SystemCommand::StartWithLastConfig:
        ToggleStartWithLastConfig();
        break;
    case SystemCommand::LoadConfiguration:
        LoadConfiguration();
        break;
    case SystemCommand::SaveConfiguration:
        SaveConfiguration();
        break;
    case SystemCommand::SaveSystemInfo:
        SaveSystemInfo();
        break;
    case SystemCommand::ListSystemInfo:
        ListSystemInfo();
        break;
    case SystemCommand::ExitProgram:
        ExitProgram();
        break;
    case SystemCommand::ConnectAll:
        ConnectAll();
        break;
    case SystemCommand::DisconnectAll:
        DisconnectAll();
        break;
    case SystemCommand::AddUnit:
        AddUnit();
        break;
    case SystemCommand::RemoveUnit:
        RemoveUnit();
        break;
    case SystemCommand::AllChannelsOn:
        SwitchAllUnits(1, false);
        break;
    case SystemCommand::AllChannelsOff:
        SwitchAllUnits(0, false);
        break;
    case SystemCommand::AllChannelsOnRestoringSelection:
        SwitchAllUnits(1, true);
        break;
    case SystemCommand::AllChannelsOffRestoringSelection:
        SwitchAllUnits(0, true);
        break;
    case SystemCommand::SetGlobalCurrent:
        SetGlobalCurrent();
        break;
    case SystemCommand::UnitView:
        ShowUnitView();
        break;
    case SystemCommand::ModuleView:
        ShowModuleView();
        break;
    case SystemCommand::About:
        if (m_view != nullptr) {
            m_view->ShowAbout();
        }
        break;
    case SystemCommand::Manual:
        ShowManual();
        break;
    case SystemCommand::None:
        break;
    }
}

void CTabDlg::OnToolbarButton(int index) {
    if (index >= 0 && index < static_cast<int>(Controls.Toolbar.size())) {
        OnMenuCommand(Controls.Toolbar[static_cast<std::size_t>(index)].Id);
    }
}

std::string CTabDlg::ToolbarTooltip(int index) const {
    if (index >= 0 && index < static_cast<int>(Controls.Toolbar.size())) {
        return Controls.Toolbar[static_cast<std::size_t>(index)].Tooltip;
    }
    return "";
}

void CTabDlg::OnKeyUp(Key key, bool ctrl) {
    if (key == Key::F5) {
        SwitchAllUnits(1, true);
    } else if (key == Key::F6) {
        SwitchAllUnits(0, true);
    } else if (ctrl) {
        // Ctrl+L and Ctrl+S, shown in the File menu, have no binding.
        switch (key) {
        case Key::A:
            AddUnit();
            break;
        case Key::R:
            RemoveUnit();
            break;
        case Key::D:
            DisconnectAll();
            break;
        case Key::C:
            ConnectAll();
            break;
        case Key::F:
            LoadConfiguration();
            break;
        default:
            break;
        }
    }
}

void CTabDlg::EndModal(int result, bool exitProcess) {
    ModalResult = result;
    ExitProcessRequested = exitProcess;
    if (m_view != nullptr) {
        m_view->EndModal(result, exitProcess);
    }
}

void CTabDlg::OnExitButton() {
    ActualTab = TabCtrl.GetCurSel();
    SaveToLastConfig = true;
    SaveConfiguration();
    SwitchOffAll();
    EndModal(1, false);
}

void CTabDlg::OnClose() {
    ActualTab = TabCtrl.GetCurSel();
    SaveToLastConfig = true;
    SaveConfiguration();
    SwitchOffAll();
    EndModal(2, false);
}

void CTabDlg::OnCancelButton() {
    SwitchOffAll();
    EndModal(2, false);
}

void CTabDlg::OnEscapeKey() {
    if (m_services && m_services->prompter.AskYesNo(EscapeQuestion)) {
        OnCancelButton();
    }
}

void CTabDlg::ExitProgram() {
    ActualTab = TabCtrl.GetCurSel();
    SaveToLastConfig = true;
    SaveConfiguration();
    SwitchOffAll();
    EndModal(2, true);
}

void CTabDlg::SetTabTitle(const std::string& text, int image, int suffixFlag) {
    std::string title = text;
    if (suffixFlag != -1) {
        title += Format("No.%d\nTesselSerNr:", TabCtrl.GetCurSel() + 1);
    }
    TabCtrl.SetSelectedItem(title, image);
}

// The error summary and the channel propagation of the module view: CTabDlgView.cpp.
