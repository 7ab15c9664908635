#include "system/CTabDlg.h"

#include "link/CRkmio.h"
#include "platform/CodePage.h"
#include "platform/Format.h"
#include "protocol/Numbers.h"
#include "unit/CLumatrelDlg.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <vector>

// The two views. In the unit view Units and ViewUnits hold the same pages. In the module view
// Units holds the module pages, one per channel that reports a Tessel module, and ViewUnits
// the unit pages they were built from. The unit pages own the links; a module page borrows
// the link of its unit page, and whichever page ends a connection makes every other holder
// forget the link first (ForgetSharedLink), so that it is closed once.

namespace {

std::size_t At(int i) {
    return static_cast<std::size_t>(i);
}

bool ReportsTessel(const CLumatrelDlg& page, std::size_t c, std::int32_t s) {
    return !page.TesselSerNrText[c].empty() && ReadInteger(page.TesselSerNrText[c]) == s;
}

// A channel's current command; an M35 unit takes channel A's current without a letter.
std::string CurrentCommand(const CLumatrelDlg& page, int channel, int value) {
    if (channel == 0 && page.IsM35) {
        return Format("IY %d", value);
    }
    return Format("IY %c %d", static_cast<char>('E' + channel), value);
}

// What a module page takes over from its unit page whole. The link is shared, not copied.
void CopyGeneral(const CLumatrelDlg& from, CLumatrelDlg& to) {
    to.SerNrText = from.SerNrText;
    to.DeviceIdText = from.DeviceIdText;
    to.LastErrorText = from.LastErrorText;
    to.FirmwareText = from.FirmwareText;
    to.LogFilePath = from.LogFilePath;
    to.Link = from.Link;
    to.SerialLink = from.SerialLink;
    to.TcpLink = from.TcpLink;
    to.IsM35 = from.IsM35;
    to.PortRs232 = from.PortRs232;
    to.Baudrate = from.Baudrate;
    to.IpAdr = from.IpAdr;
    to.HostName = from.HostName;
    to.SerNr = from.SerNr;
    to.IdentifiedSerNr = from.IdentifiedSerNr;
    to.SelectedIf = from.SelectedIf;
    to.UsedIf = from.UsedIf;
    to.IpPort = from.IpPort;
    to.ChannelAssignment = from.ChannelAssignment;
    to.StatusText = from.StatusText;
    to.InterfaceText = from.InterfaceText;
    to.AskLogFileName = from.AskLogFileName;
    to.LogFileNameChosen = from.LogFileNameChosen;
    to.MonitorTemperature = from.MonitorTemperature;
    to.MonitorVoltage = from.MonitorVoltage;
    to.MonitorError = from.MonitorError;
    to.IsConnected = from.IsConnected;
    to.ClearLogWindow();
}

// A channel's current range: its labels and its slider's range.
void CopyRange(const CLumatrelDlg& from, CLumatrelDlg& to, std::size_t c) {
    to.CurrentMinText[c] = from.CurrentMinText[c];
    to.CurrentMaxText[c] = from.CurrentMaxText[c];
    const ChannelControls& source = from.Controls.Channels[c];
    to.Controls.Channels[c].SetSliderRange(source.SliderMin, source.SliderMax);
}

// One channel as the unit page knows it, with its slider and its on/off box.
void CopyChannel(const CLumatrelDlg& from, CLumatrelDlg& to, std::size_t c) {
    CopyRange(from, to, c);
    to.TesselSerNrText[c] = from.TesselSerNrText[c];
    to.TesselSerNr[c] = from.TesselSerNr[c];
    to.ModuleCountText[c] = from.ModuleCountText[c];
    to.ModulesPerChannel[c] = from.ModulesPerChannel[c];
    to.ModulesInUse[c] = from.ModulesInUse[c];
    to.CurrentSetpoint[c] = from.CurrentSetpoint[c];
    to.TemperatureText[c] = from.TemperatureText[c];
    to.TesselTemperatureText[c] = from.TesselTemperatureText[c];
    to.VoltageText[c] = from.VoltageText[c];
    const ChannelControls& source = from.Controls.Channels[c];
    ChannelControls& target = to.Controls.Channels[c];
    target.SetSliderPos(source.SliderPos);
    target.OnOff = source.OnOff;
}

// One tab of the module view: the occurrence j of Tessel Key, found on unit page Unit.
struct ModuleSlot {
    std::int32_t Key;
    int Occurrence;
    int Unit;
};

} // namespace

void CTabDlg::ShowUnitView() {
    // Shown already or not, the unit view is rebuilt: its tabs numbered afresh in tab order,
    // titled after their units, the connected units' currents and monitoring read again.
    RestoreUnitView();
    ViewMode = 0;
    Controls.ModuleViewChecked = false;
    Controls.UnitViewChecked = true;
    Controls.Toolbar[7].Image = SystemToolbarImage::ModuleView;
    Controls.Toolbar[6].Image = SystemToolbarImage::UnitView;
    Refresh();
}

void CTabDlg::ShowModuleView() {
    // Built again from its own module pages, the view would lose its unit pages.
    if (ViewMode == 1) {
        return;
    }
    bool anyOpen = false;
    for (CLumatrelDlg* page : Units) {
        if (page != nullptr && page->Link != nullptr && page->Link->IsOpen()) {
            anyOpen = true;
        }
    }
    if (!anyOpen) {
        ShowMessage("no connection to RKM5, TesselView not possible");
        Controls.UnitViewChecked = true;
        Controls.ModuleViewChecked = false;
        Refresh();
        return;
    }
    EnterModuleView();
}

void CTabDlg::EnterModuleView() {
    if (ViewMode == 1) {
        return;
    }
    ViewMode = 1;
    Controls.ModuleViewChecked = true;
    Controls.UnitViewChecked = false;
    Controls.Toolbar[7].Image = SystemToolbarImage::ModuleViewInModuleView;
    Controls.Toolbar[6].Image = SystemToolbarImage::UnitViewInModuleView;
    BuildModuleView();
    Refresh();
}

int CTabDlg::FindTesselUnit(std::int32_t s, int j) const {
    int count = 0;
    for (int u = 0; u < kMaxUnits; ++u) {
        const CLumatrelDlg* page = ViewUnits[At(u)];
        if (page == nullptr) {
            break;
        }
        // An unconnected unit reports no module; the connected ones after it still count.
        if (page->Link == nullptr) {
            continue;
        }
        for (std::size_t c = 0; c < 4; ++c) {
            if (ReportsTessel(*page, c, s) && ++count == j) {
                return u;
            }
        }
    }
    return -1;
}

int CTabDlg::FindTesselChannel(const CLumatrelDlg& page, std::int32_t s, int j) {
    if (page.Link == nullptr || j < 1) {
        return -1;
    }
    std::vector<int> matching;
    for (std::size_t c = 0; c < 4; ++c) {
        if (ReportsTessel(page, c, s)) {
            matching.push_back(static_cast<int>(c));
        }
    }
    if (matching.empty()) {
        return -1;
    }
    return matching[At((j - 1) % static_cast<int>(matching.size()))];
}

void CTabDlg::BuildModuleView() {
    ViewUnits.fill(nullptr);
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        ViewUnits[At(i)] = Units[At(i)];
    }
    // The unit pages' windows close while the module view is shown, and their timers with
    // them; the pages keep their state and their links.
    for (CLumatrelDlg* unit : ViewUnits) {
        if (unit != nullptr) {
            unit->StopMonitorTimers();
        }
    }
    while (TabCtrl.GetCount() > 0) {
        Refresh();
        TabCtrl.SelectPage(0);
        TabCtrl.RemoveSelectedPage();
    }
    Units.fill(nullptr);
    UnitCount = 0;
    ErrorCount = 0;

    // The tabs in the table's order: the channels of one module together.
    std::vector<ModuleSlot> slots;
    int notShown = 0;
    const auto& entries = ChannelMap.Entries();
    for (const ModuleKeyTable::Entry& entry : entries) {
        if (entry.Key == -1) {
            break;
        }
        for (int j = 1; j <= entry.Count; ++j) {
            const int unit = FindTesselUnit(entry.Key, j);
            if (unit < 0) {
                break; // a count that no connected unit bears out any more
            }
            if (static_cast<int>(slots.size()) >= kMaxUnits) {
                ++notShown;
                continue;
            }
            slots.push_back({entry.Key, j, unit});
        }
    }
    if (notShown > 0) {
        ShowMessage(Format("maximum of %d Tessel tabs reached\n%d more Tessel channels are not "
                           "shown",
                           kMaxUnits, notShown));
    }

    for (const ModuleSlot& slot : slots) {
        CLumatrelDlg* page = AddUnitPage();
        if (page == nullptr) {
            break;
        }
        const CLumatrelDlg& unit = *ViewUnits[At(slot.Unit)];
        TabCtrl.SelectPage(UnitCount - 1);
        SetTabTitle(Format("TesselSerNr:%d\n%s:%s", static_cast<int>(slot.Key),
                           unit.SelectedIf.c_str(), unit.SerNr.c_str()),
                    unit.IsConnected != 0 ? 1 : 0, -1);
        CopyGeneral(unit, *page);
        // The page reads every channel's actual current below, and checks every current box
        // against its range labels when one is applied: each channel keeps its unit's range.
        for (std::size_t c = 0; c < 4; ++c) {
            CopyRange(unit, *page, c);
        }
        const int channel = FindTesselChannel(unit, slot.Key, slot.Occurrence);
        if (channel >= 0) {
            // A module that spans several channels brings the channels it covers along.
            const int spanned = std::max(1, unit.ModulesInUse[At(channel)]);
            for (int c = channel; c < channel + spanned && c < 4; ++c) {
                CopyChannel(unit, *page, At(c));
            }
        }
        page->IsModulePage = true;
        page->HoldsMasterTessel = slot.Occurrence == 1;
        page->TesselGroupSerNr = slot.Key;
        page->RefreshMenuAndToolbar();
    }

    for (int k = 0; k < UnitCount; ++k) {
        CLumatrelDlg& page = *Units[At(k)];
        page.RefreshModuleDisplay();
        page.UpdateMonitoring();
        page.ReadUnitCurrents();
        page.SetConnectItemsEnabled(0);
        page.GreyManualAssignment(1);
        if (!page.HoldsMasterTessel) {
            page.HideChannelControls();
        }
    }

    int lastMaster = 0;
    for (int k = 0; k < UnitCount; ++k) {
        if (Units[At(k)]->HoldsMasterTessel) {
            lastMaster = k;
        }
    }
    TabCtrl.SelectPage(lastMaster);
    EqualiseGroupCurrents();
}

void CTabDlg::RestoreUnitView() {
    std::vector<CLumatrelDlg*> modulePages;
    for (int i = 0; i < UnitCount && i < kMaxUnits; ++i) {
        if (Units[At(i)] != nullptr) {
            modulePages.push_back(Units[At(i)]);
        }
    }
    while (TabCtrl.GetCount() > 0) {
        Refresh();
        TabCtrl.SelectPage(0);
        TabCtrl.RemoveSelectedPage();
    }
    Units.fill(nullptr);
    UnitCount = 0;

    // The unit pages themselves return: they kept their state, their logs, their command
    // histories and their links while the module view was shown.
    for (int k = 0; k < kMaxUnits && ViewUnits[At(k)] != nullptr; ++k) {
        CLumatrelDlg& page = *ViewUnits[At(k)];
        TabCtrl.AddPage(Format("RKM5 No.%d\nTesselSerNr:", TabCtrl.NextUnitNumber()), &page, 0);
        Units[At(UnitCount)] = &page;
        ++UnitCount;
        TabCtrl.SelectPage(k);
        if (page.IsConnected != 0) {
            SetTabTitle(Format("%s:%s\nTesselSerNr:%s %s %s %s", page.SelectedIf.c_str(),
                               page.SerNr.c_str(), page.TesselSerNrText[0].c_str(),
                               page.TesselSerNrText[1].c_str(), page.TesselSerNrText[2].c_str(),
                               page.TesselSerNrText[3].c_str()),
                        1, -1);
        } else {
            SetTabTitle("RKM5: ", 0, 0);
        }
        page.IsModulePage = false;
        page.HoldsMasterTessel = false;
        page.RefreshModuleDisplay();
        page.UpdateMonitoring();
        page.ReadUnitCurrents();
        page.SetConnectItemsEnabled(1);
        page.GreyManualAssignment(0);
    }
    ViewUnits = Units;
    for (CLumatrelDlg* page : modulePages) {
        ReleaseUnusedPage(page);
    }
}

void CTabDlg::ForgetSharedLink(const CLumatrelDlg& page) {
    for (CLumatrelDlg* other : PagesSharingLink(&page)) {
        ForgetLink(*other);
        for (ChannelControls& channel : other->Controls.Channels) {
            channel.OnOff = false;
        }
        if (other->IsModulePage) {
            const auto at = std::find(Units.begin(), Units.end(), other);
            if (at != Units.end()) {
                const int remembered = TabCtrl.GetCurSel();
                TabCtrl.SelectPage(static_cast<int>(at - Units.begin()));
                SetTabTitle("NC:" + other->SerNr, 0, -1);
                TabCtrl.SelectPage(remembered);
            }
        } else {
            // The unit behind the module view is gone: its modules are no longer reported.
            other->ResetUnitDisplay();
        }
    }
}

void CTabDlg::KeepReportedSerNrOfSharers(const CLumatrelDlg& page) {
    for (CLumatrelDlg* other : PagesSharingLink(&page)) {
        other->KeepReportedSerNr();
    }
}

CTabDlg::TabItemLook CTabDlg::TabItemDrawing(int index, bool selected) const {
    TabItemLook look;
    if (ViewMode == 1) {
        look.Red = 255;
        look.Green = 255;
        look.Blue = selected ? 0 : 200;
        look.Bold = index >= 0 && index < UnitCount && index < kMaxUnits &&
                    Units[At(index)] != nullptr && Units[At(index)]->HoldsMasterTessel;
    } else {
        const int grey = selected ? 230 : 255;
        look.Red = look.Green = look.Blue = grey;
    }
    return look;
}

void CTabDlg::ErrorSummaryReport(std::int32_t code, const std::string&, const std::string& serNr,
                                 std::int32_t tesselGroupSerNr) {
    if (ViewMode == 0) {
        ErrorSummary = "";
    } else {
        const std::string serial = FromCp1252(ToCp1252(serNr));
        const int group = static_cast<int>(tesselGroupSerNr);
        const bool first = ErrorCount == 0;
        std::string part;
        if (code != 0) {
            part = Format(first ? "Error %d at Tessel %d at Rkm5 %s"
                                : ",Error %d at Tessel %d at Rkm5 %s",
                          static_cast<int>(code), group, serial.c_str());
        } else {
            part =
                Format(first ? "no errors detecte:Tessel %d at Rkm5 %s" : ",Tessel %d at Rkm5 %s",
                       group, serial.c_str());
        }
        ErrorSummary = first ? part : ErrorSummary + part;
        ++ErrorCount;
    }
    if (ErrorCount >= UnitCount) {
        ErrorCount = 0;
    }
    Refresh();
}

// --- Channel propagation in the module view.

namespace {

// One past the last tab of the group whose master is on tab s, with key as its Tessel; s + 1
// when tab s holds no master of that Tessel, so that nothing is carried on.
int GroupEnd(const CTabDlg& system, int s, std::int32_t key) {
    const int count = std::min(system.UnitCount, CTabDlg::kMaxUnits);
    if (s < 0 || s >= count) {
        return s + 1;
    }
    const CLumatrelDlg* master = system.Units[At(s)];
    if (master == nullptr || !master->HoldsMasterTessel || master->TesselGroupSerNr != key) {
        return s + 1;
    }
    int end = s + 1;
    while (end < count && system.Units[At(end)] != nullptr &&
           !system.Units[At(end)]->HoldsMasterTessel &&
           system.Units[At(end)]->TesselGroupSerNr == key) {
        ++end;
    }
    return end;
}

} // namespace

void CTabDlg::PropagateChannelCurrent(std::int32_t key, int n) {
    const int s = TabCtrl.GetCurSel();
    if (ViewMode != 1 || n < 1 || n > 4 || s < 0 || s >= UnitCount || s >= kMaxUnits) {
        return;
    }
    const CLumatrelDlg& source = *Units[At(s)];
    const int value = source.CurrentSetpoint[At(n - 1)];
    const int end = GroupEnd(*this, s, key);
    for (int t = s + 1; t < end; ++t) {
        TabCtrl.SelectPage(t);
        CLumatrelDlg& target = *Units[At(t)];
        int channel = FindTesselChannel(target, key, 2);
        if (channel < 0) {
            // A connected page without the module would have another module driven.
            if (target.Link != nullptr) {
                continue;
            }
            channel = 0;
        }
        const std::string command = CurrentCommand(target, channel, value);
        target.AppendLog("Sending: " + command, 0);
        std::string reply;
        target.ExchangeCommand(command, reply, 0);
        target.AppendLog(reply, 0);
        target.ShowEntries();
    }
    TabCtrl.SelectPage(s);
}

void CTabDlg::PropagateChannelSwitch(std::int32_t key, int n) {
    const int s = TabCtrl.GetCurSel();
    if (ViewMode != 1 || n < 1 || n > 4 || s < 0 || s >= UnitCount || s >= kMaxUnits) {
        return;
    }
    const CLumatrelDlg& source = *Units[At(s)];
    const int state = source.Controls.Channels[At(n - 1)].OnOff ? 1 : 0;
    const int end = GroupEnd(*this, s, key);
    for (int t = s + 1; t < end; ++t) {
        TabCtrl.SelectPage(t);
        CLumatrelDlg& target = *Units[At(t)];
        int channel = FindTesselChannel(target, key, 2);
        if (channel < 0) {
            if (target.Link != nullptr) {
                continue;
            }
            channel = 0;
        }
        target.Controls.Channels[At(channel)].OnOff = state == 1;
        const char letter = static_cast<char>('E' + channel);
        target.AppendLog(Format(state == 1 ? "LED %d switched on, Send: LC %c 1"
                                           : "LED %d switched off, Send: LC %c 0",
                                channel + 1, letter),
                         0);
        std::string reply;
        target.ExchangeCommand(Format("LC %c %d", letter, state), reply, 0);
        target.AppendLog(reply, 0);
        target.ShowEntries();
    }
    TabCtrl.SelectPage(s);
}

void CTabDlg::EqualiseGroupCurrents() {
    const int count = std::min(UnitCount, kMaxUnits);
    int first = 0;
    while (first < count) {
        CLumatrelDlg* master = Units[At(first)];
        if (master == nullptr || !master->HoldsMasterTessel) {
            ++first;
            continue;
        }
        const std::int32_t key = master->TesselGroupSerNr;
        const int end = GroupEnd(*this, first, key);
        if (end - first > 1) {
            std::optional<std::int32_t> lowest;
            for (int k = first; k < end; ++k) {
                const CLumatrelDlg& page = *Units[At(k)];
                const int channel = FindTesselChannel(page, key, k - first + 1);
                if (channel >= 0) {
                    const std::int32_t value = page.CurrentSetpoint[At(channel)];
                    lowest = lowest ? std::min(*lowest, value) : value;
                }
            }
            for (int k = first; lowest && k < end; ++k) {
                CLumatrelDlg& page = *Units[At(k)];
                const int channel = FindTesselChannel(page, key, k - first + 1);
                if (channel < 0) {
                    continue;
                }
                page.CurrentSetpoint[At(channel)] = *lowest;
                const std::int32_t scale = page.SliderScale > 0 ? page.SliderScale : 1;
                page.Controls.Channels[At(channel)].SetSliderPos(*lowest / scale);
                const std::string command = CurrentCommand(page, channel, *lowest);
                page.AppendLog("Sending: " + command, 0);
                std::string reply;
                page.ExchangeCommand(command, reply, 0);
                page.AppendLog(reply, 0);
            }
            Refresh();
        }
        first = end;
    }
}
// --- end channel propagation
