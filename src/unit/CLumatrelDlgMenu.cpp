#include "unit/CLumatrelDlg.h"

#include "dialogs/CChannelMap.h"
#include "platform/Format.h"
#include "platform/Prompter.h"
#include "platform/SystemView.h"
#include "system/CTabDlg.h"

#include <algorithm>

namespace {

// The leading decimal digits of a text, 0 when there are none.
std::int32_t LeadingDigits(const std::string& text) {
    std::int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        if (value <= 100000000) {
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

constexpr const char* kM35ManualRefusal =
    ">> manualMode with M35 not allowed-> use automatic: Manual data ignored!";

} // namespace

UnitMenuBar CLumatrelDlg::MenuBarState() const {
    using C = UnitCommand;
    UnitMenuBar bar = UnitPageMenu();
    bar.SetChecked(C::SelectTcp, Controls.TcpChecked);
    bar.SetChecked(C::SelectRs232, Controls.Rs232Checked);
    bar.SetChecked(C::HideLog, Controls.HideLogWindowChecked);
    bar.SetChecked(C::AutomaticAssignment, Controls.AutomaticAssignmentChecked);
    bar.SetChecked(C::ManualAssignment, Controls.ManualAssignmentChecked);
    bar.SetChecked(C::BulbMode, Controls.OperatingModeChecked[0]);
    bar.SetChecked(C::CommandMode, Controls.OperatingModeChecked[1]);
    bar.SetChecked(C::PwmMode, Controls.OperatingModeChecked[2]);
    bar.SetChecked(C::AnalogMode, Controls.OperatingModeChecked[3]);
    bar.SetChecked(C::MonitorTemperature, Controls.MonitorChecked[0]);
    bar.SetChecked(C::MonitorVoltage, Controls.MonitorChecked[1]);
    bar.SetChecked(C::MonitorError, Controls.MonitorChecked[2]);
    bar.SetEnabled(C::Connect, Controls.ConnectItemsEnabled);
    bar.SetEnabled(C::Disconnect, Controls.ConnectItemsEnabled);
    bar.SetEnabled(C::ManualAssignment, Controls.ManualAssignmentEnabled);
    return bar;
}

void CLumatrelDlg::OnMenuCommand(UnitCommand id) {
    using C = UnitCommand;
    switch (id) {
    case C::Connect:
        ConnectSelected();
        break;
    case C::Disconnect:
        DisconnectSelected();
        break;
    case C::SelectTcp:
        SelectInterface(true);
        break;
    case C::SelectRs232:
        SelectInterface(false);
        break;
    case C::Configure:
        ConfigureSelected();
        break;
    case C::SaveLog:
        SaveLogWindowToFile();
        break;
    case C::ClearLog:
        ClearLogWindow();
        break;
    case C::RunCommandFile:
        RunCommandFile();
        break;
    case C::HideLog:
        ToggleHideLogWindow();
        break;
    case C::AutomaticAssignment:
        ToggleAutomaticAssignment();
        break;
    case C::ManualAssignment:
        ToggleManualAssignment();
        break;
    case C::ChannelMapConfiguration:
        ConfigureChannelMap();
        break;
    case C::AllChannelsOn:
        AllChannelsOn();
        break;
    case C::AllChannelsOff:
        AllChannelsOff();
        break;
    case C::CommandMode:
        ChooseOperatingMode(1);
        break;
    case C::BulbMode:
        ChooseOperatingMode(0);
        break;
    case C::PwmMode:
        ChooseOperatingMode(2);
        break;
    case C::AnalogMode:
        ChooseOperatingMode(3);
        break;
    case C::MonitorTemperature:
        ToggleMonitorTemperature();
        break;
    case C::MonitorVoltage:
        ToggleMonitorVoltage();
        break;
    case C::MonitorError:
        ToggleMonitorError();
        break;
    case C::None:
        break;
    }
}

void CLumatrelDlg::OnToolbarButton(int index) {
    if (index >= 0 && index < static_cast<int>(Controls.Toolbar.size())) {
        OnMenuCommand(Controls.Toolbar[static_cast<std::size_t>(index)].Id);
    }
}

std::string CLumatrelDlg::ToolbarTooltip(UnitCommand id) const {
    const auto& buttons = Controls.Toolbar;
    const auto it = std::find_if(buttons.begin(), buttons.end(),
                                 [id](const auto& button) { return button.Id == id; });
    return it == buttons.end() ? std::string() : it->Tooltip;
}

bool CLumatrelDlg::OnKeyDown(Key key, bool ctrl) {
    switch (key) {
    case Key::F5:
        AllChannelsOn();
        return true;
    case Key::F6:
        AllChannelsOff();
        return true;
    case Key::F7:
        PlacePageAtTabStrip();
        return true;
    default:
        break;
    }
    if (!ctrl) {
        return true;
    }
    CTabDlg* system = SystemWindow;
    switch (key) {
    case Key::A:
        if (system != nullptr) {
            system->AddUnit();
        }
        return true;
    case Key::R:
        // Removing the unit may release this page: nothing of it is touched afterwards.
        if (system != nullptr) {
            system->RemoveUnit();
        }
        return false;
    case Key::D:
        DisconnectSelected();
        return true;
    case Key::C:
        ConnectSelected();
        return true;
    case Key::F:
        if (system != nullptr) {
            system->LoadConfiguration();
        }
        return true;
    default:
        return true;
    }
}

void CLumatrelDlg::ConnectSelected() {
    if (SystemWindow != nullptr && SystemWindow->ViewMode != 0) {
        m_services.prompter.ShowMessage("Connect nur in RKM5-View möglich");
        return;
    }
    if (SelectedIf == "TCP") {
        ConnectTcp();
    } else if (SelectedIf == "RS232") {
        ConnectRs232();
    }
}

void CLumatrelDlg::DisconnectSelected() {
    if (SystemWindow != nullptr && SystemWindow->ViewMode != 0) {
        m_services.prompter.ShowMessage("Disconnect nur in RKM5-View möglich");
        return;
    }
    if (SelectedIf == "TCP") {
        DisconnectTcp();
    } else if (SelectedIf == "RS232") {
        DisconnectRs232();
    }
}

void CLumatrelDlg::SelectInterface(bool tcp) {
    // The chosen item's own check mark decides: a checked item hands over to the other one.
    const bool wasChecked = tcp ? Controls.TcpChecked : Controls.Rs232Checked;
    const bool tcpNow = tcp ? !wasChecked : wasChecked;
    Controls.TcpChecked = tcpNow;
    Controls.Rs232Checked = !tcpNow;
    SelectedIf = tcpNow ? "TCP" : "RS232";
    ShowEntries();
}

void CLumatrelDlg::ConfigureSelected() {
    if (SelectedIf == "TCP") {
        ConfigureTcp();
    } else {
        ConfigureRs232();
        SelectedIf = "RS232";
    }
}

namespace {

// The two ways of the Channels menu's assignment items, with the M35 refusal.
void UseManualAssignment(CLumatrelDlg& page, Prompter& prompter) {
    page.Controls.ManualAssignmentChecked = true;
    page.Controls.AutomaticAssignmentChecked = false;
    page.ChannelAssignment = 1;
    if (page.IsM35) {
        page.Controls.ManualAssignmentChecked = false;
        page.Controls.AutomaticAssignmentChecked = true;
        prompter.ShowMessage(kM35ManualRefusal);
        page.ChannelAssignment = 0;
    }
}

void UseAutomaticAssignment(CLumatrelDlg& page) {
    page.Controls.ManualAssignmentChecked = false;
    page.Controls.AutomaticAssignmentChecked = true;
    page.ChannelAssignment = 0;
    for (std::size_t c = 0; c < 4; ++c) {
        page.ModulesInUse[c] = LeadingDigits(page.ModuleCountText[c]);
    }
}

} // namespace

void CLumatrelDlg::ToggleAutomaticAssignment() {
    if (Controls.AutomaticAssignmentChecked) {
        UseManualAssignment(*this, m_services.prompter);
    } else {
        UseAutomaticAssignment(*this);
    }
    RecomputeChannelAssignment();
    RefreshModuleDisplay();
}

void CLumatrelDlg::ToggleManualAssignment() {
    if (Controls.ManualAssignmentChecked) {
        UseAutomaticAssignment(*this);
    } else {
        UseManualAssignment(*this, m_services.prompter);
    }
    RecomputeChannelAssignment();
    RefreshModuleDisplay();
}

void CLumatrelDlg::PlacePageAtTabStrip() {
    if (SystemWindow != nullptr && SystemWindow->View() != nullptr) {
        SystemWindow->View()->PlacePageAtTabStrip(*this);
    }
}

void CLumatrelDlg::SetConnectItemsEnabled(int flag) {
    if (flag != 0 && flag != 1) {
        return;
    }
    const bool enabled = flag == 1;
    Controls.Toolbar[0].Image = enabled ? UnitToolbarImage::Connect : UnitToolbarImage::Grey;
    Controls.Toolbar[1].Image = enabled ? UnitToolbarImage::Disconnect : UnitToolbarImage::Grey;
    Controls.ConnectItemsEnabled = enabled;
    if (m_view != nullptr) {
        m_view->Refresh();
    }
}

void CLumatrelDlg::GreyManualAssignment(int flag) {
    Controls.ManualAssignmentEnabled = flag != 1;
    if (m_view != nullptr) {
        m_view->Refresh();
    }
}

void CLumatrelDlg::ConfigureChannelMap() {
    CChannelMap dialog(*this, m_services.prompter);
    if (dialog.DoModal(m_services.dialogs) != 1) {
        return;
    }
    AppendLog(Format(">>Channel mapping done, seleted: A->%d, B->%d, C->%d, D->%d",
                     ModulesPerChannel[0], ModulesPerChannel[1], ModulesPerChannel[2],
                     ModulesPerChannel[3]),
              0);
    if (Link != nullptr) {
        RecomputeChannelAssignment();
        RefreshModuleDisplay();
    }
}

void CLumatrelDlg::CommonCurrentRange(std::int32_t& low, std::int32_t& high) const {
    low = Controls.Channels[0].SliderMin;
    high = Controls.Channels[0].SliderMax;
    for (const ChannelControls& channel : Controls.Channels) {
        low = std::max<std::int32_t>(low, channel.SliderMin);
        high = std::min<std::int32_t>(high, channel.SliderMax);
    }
}
