#include "system/CTabDlg.h"

#include "dialogs/CDlgGlobalCurrent.h"
#include "link/CRkmio.h"
#include "platform/Format.h"
#include "platform/Prompter.h"
#include "platform/SystemView.h"
#include "unit/CLumatrelDlg.h"

#include <algorithm>
#include <unistd.h>

namespace {

// "systemInfoLog" becomes "systemInfoLog.txt"; a dot in a folder name does not count.
std::string WithTextExtension(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (path.find('.', nameStart) == std::string::npos) {
        return path + ".txt";
    }
    return path;
}

} // namespace

void CTabDlg::SyncViewUnits() {
    ViewUnits = Units;
}

CLumatrelDlg* CTabDlg::AddUnitPage() {
    if (TabCtrl.GetCount() >= kMaxUnits || UnitCount < 0 || UnitCount >= kMaxUnits) {
        ShowMessage("maximum RKM5 reached\nno more RKM5 can be added");
        return nullptr;
    }
    const int number = TabCtrl.NextUnitNumber();
    CLumatrelDlg* page = CreateUnitPage();
    if (page == nullptr) {
        return nullptr;
    }
    Units[static_cast<std::size_t>(UnitCount)] = page;
    TabCtrl.AddPage(Format("RKM5 No.%d\nTesselSerNr:", number), page, 0);
    TabCtrl.SelectPage(TabCtrl.GetCount() - 1);
    page->SystemWindow = this;
    page->RefreshMenuAndToolbar();
    ++UnitCount;
    return page;
}

void CTabDlg::AddUnit() {
    if (AddUnitPage() != nullptr && ViewMode == 0) {
        SyncViewUnits();
    }
}

void CTabDlg::RemoveUnit() {
    Refresh();
    const int removed = TabCtrl.RemoveSelectedPage();
    if (removed < 0 || removed >= UnitCount || removed >= kMaxUnits) {
        return;
    }
    CLumatrelDlg* page = Units[static_cast<std::size_t>(removed)];
    for (int i = removed; i + 1 < kMaxUnits; ++i) {
        Units[static_cast<std::size_t>(i)] = Units[static_cast<std::size_t>(i + 1)];
    }
    Units[kMaxUnits - 1] = nullptr;
    --UnitCount;
    if (ViewMode == 0) {
        SyncViewUnits();
    }
    ReleaseUnusedPage(page);
}

std::vector<CLumatrelDlg*> CTabDlg::PagesSharingLink(const CLumatrelDlg* page) const {
    std::vector<CLumatrelDlg*> sharers;
    if (page == nullptr || page->Link == nullptr) {
        return sharers;
    }
    auto consider = [&](CLumatrelDlg* other) {
        if (other != nullptr && other != page && other->Link == page->Link &&
            std::find(sharers.begin(), sharers.end(), other) == sharers.end()) {
            sharers.push_back(other);
        }
    };
    for (CLumatrelDlg* other : Units) {
        consider(other);
    }
    for (CLumatrelDlg* other : ViewUnits) {
        consider(other);
    }
    for (const auto& other : m_pages) {
        consider(other.get());
    }
    return sharers;
}

void CTabDlg::ForgetLink(CLumatrelDlg& page) {
    page.StopMonitorTimers();
    page.Link = nullptr;
    page.SerialLink = nullptr;
    page.TcpLink = nullptr;
    page.IsConnected = 0;
}

void CTabDlg::ReleaseUnusedPage(CLumatrelDlg* page) {
    if (page == nullptr || std::find(Units.begin(), Units.end(), page) != Units.end() ||
        std::find(ViewUnits.begin(), ViewUnits.end(), page) != ViewUnits.end()) {
        return;
    }
    const auto owned = std::find_if(m_pages.begin(), m_pages.end(),
                                    [page](const auto& p) { return p.get() == page; });
    if (owned == m_pages.end()) {
        return;
    }
    if (page->Link != nullptr) {
        if (!PagesSharingLink(page).empty()) {
            // The link belongs to a page still in use.
            ForgetLink(*page);
        } else {
            page->SwitchOffAndDisconnect();
        }
    }
    if (m_view != nullptr) {
        m_view->PageReleased(*page);
    }
    m_pages.erase(owned);
}

void CTabDlg::SwitchOffAll() {
    std::vector<CLumatrelDlg*> pages;
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        if (Units[static_cast<std::size_t>(i)] != nullptr) {
            pages.push_back(Units[static_cast<std::size_t>(i)]);
        }
    }
    for (CLumatrelDlg* page : ViewUnits) {
        if (page != nullptr && std::find(pages.begin(), pages.end(), page) == pages.end()) {
            pages.push_back(page);
        }
    }
    for (CLumatrelDlg* page : pages) {
        const std::vector<CLumatrelDlg*> sharers = PagesSharingLink(page);
        page->SwitchOffAndDisconnect();
        for (CLumatrelDlg* other : sharers) {
            ForgetLink(*other);
        }
    }
}

void CTabDlg::ConnectAll() {
    if (!ConfigLoaded) {
        ShowMessage("no Config loaded --> no connect all possible");
        return;
    }
    ShowUnitView();
    ActualTab = TabCtrl.GetCurSel();
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        CLumatrelDlg* page = Units[static_cast<std::size_t>(i)];
        if (page == nullptr) {
            continue;
        }
        TabCtrl.SelectPage(i);
        if (page->SelectedIf == "TCP") {
            page->ConnectTcp();
        } else if (page->SelectedIf == "RS232") {
            page->ConnectRs232();
        }
        page->SerNr = page->SerNrText;
        ViewUnits[static_cast<std::size_t>(i)] = page;
    }
    if (ConfigViewMode == 1) {
        EnterModuleView();
    }
    TabCtrl.SelectPage(ActualTab);
}

void CTabDlg::DisconnectAll() {
    ActualTab = TabCtrl.GetCurSel();
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        CLumatrelDlg* page = Units[static_cast<std::size_t>(i)];
        if (page == nullptr) {
            continue;
        }
        TabCtrl.SelectPage(i);
        // In the module view pages share links: the one that closes it makes the others
        // forget it, so that it is closed once.
        const std::vector<CLumatrelDlg*> sharers = PagesSharingLink(page);
        if (page->SelectedIf == "TCP") {
            page->DisconnectTcp();
        } else if (page->SelectedIf == "RS232") {
            page->DisconnectRs232();
        } else {
            continue;
        }
        if (page->Link == nullptr) {
            for (CLumatrelDlg* other : sharers) {
                ForgetLink(*other);
            }
        }
    }
    ChannelMap.ResetModuleKeys();
    TabCtrl.SelectPage(ActualTab);
}

void CTabDlg::SwitchAllUnits(int state, bool restoreSelection) {
    const int remembered = TabCtrl.GetCurSel();
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        CLumatrelDlg* page = Units[static_cast<std::size_t>(i)];
        if (page == nullptr) {
            continue;
        }
        TabCtrl.SelectPage(i);
        if (ViewMode == 0 || page->HoldsMasterTessel) {
            page->SwitchAllChannels(state);
        }
    }
    if (restoreSelection) {
        TabCtrl.SelectPage(remembered);
    }
}

void CTabDlg::SaveSystemInfo() {
    if (!m_services) {
        return;
    }
    ActualTab = TabCtrl.GetCurSel();
    FileDialogRequest request;
    request.Filter = "*.txt|*.txt|All files(*.*)|*.*||";
    request.FileName = "systemInfoLog.txt";
    // The file is created anew: an existing one is emptied only once the operator agreed.
    request.OverwritePrompt = true;
    const std::optional<std::string> chosen = m_services->prompter.AskSaveFileName(request);
    if (!chosen) {
        return;
    }
    const std::string path = WithTextExtension(*chosen);
    SystemInfoFile = std::fopen(path.c_str(), "w+b");
    if (SystemInfoFile == nullptr) {
        ShowMessage("logfile could not be opened");
        return;
    }
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        CLumatrelDlg* page = Units[static_cast<std::size_t>(i)];
        if (page == nullptr) {
            continue;
        }
        page->AskLogFileName = false;
        TabCtrl.SelectPage(i);
        page->ReportSystemInfo(SystemInfoFile);
    }
    std::fclose(SystemInfoFile);
    SystemInfoFile = nullptr;
    // The pages keep no pointer to a closed file.
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        if (Units[static_cast<std::size_t>(i)] != nullptr) {
            Units[static_cast<std::size_t>(i)]->InfoFile = nullptr;
        }
    }
}

void CTabDlg::ListSystemInfo() {
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        CLumatrelDlg* page = Units[static_cast<std::size_t>(i)];
        if (page == nullptr) {
            continue;
        }
        TabCtrl.SelectPage(i);
        page->ReportSystemInfo(nullptr);
    }
}

void CTabDlg::SetGlobalCurrent() {
    if (!m_services) {
        return;
    }
    CDlgGlobalCurrent dialog(*this, m_services->prompter);
    dialog.DoModal(m_services->dialogs);
}

void CTabDlg::ShowManual() {
    std::string folder;
    std::vector<char> buffer(4096);
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
        folder = buffer.data();
    }
    const std::string path = folder + "/" + ManualFileName;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        if (m_services) {
            m_services->prompter.OpenDocument(path);
        }
    } else {
        ShowMessage(Format("Manual %s could not be opened", path.c_str()));
    }
}
