#include "unit/CLumatrelDlg.h"

#include "platform/Format.h"
#include "platform/Prompter.h"
#include "system/CTabDlg.h"

#include <cstddef>

namespace {

constexpr const char* kNotConnected = "++ Error: No host connection to RKM5 device active.";

bool InTesselView(const CTabDlg* system) {
    return system != nullptr && system->ViewMode == 1;
}

} // namespace

char CLumatrelDlg::SwitchLetter(int channel) const {
    return static_cast<char>((ChannelAssignment == 1 ? 'A' : 'E') + channel);
}

void CLumatrelDlg::ApplyCurrent(int channel) {
    if (channel < 0 || channel > 3) {
        return;
    }
    const std::size_t c = static_cast<std::size_t>(channel);
    if (Link == nullptr) {
        AppendLog(kNotConnected, 0);
        return;
    }
    if (!ReadEntries()) {
        return;
    }
    // The scale is 1 mA per step; a zero would only come from a corrupted page.
    const std::int32_t scale = SliderScale > 0 ? SliderScale : 1;
    Controls.Channels[c].SetSliderPos(CurrentSetpoint[c] / scale);
    ShowEntries();

    const int value = CurrentSetpoint[c];
    std::string command;
    if (channel == 0 && IsM35) {
        command = Format("IY %d", value);
    } else {
        // The current commands always name the channels E to H, whatever the assignment.
        command = Format("IY %c %d", static_cast<char>('E' + channel), value);
    }
    AppendLog("Sending: " + command, 0);
    std::string reply;
    ExchangeCommand(command, reply, 0);
    if (InTesselView(SystemWindow)) {
        SystemWindow->PropagateChannelCurrent(TesselSerNr[c], channel + 1);
    }
    ShowEntries();
}

void CLumatrelDlg::SwitchChannel(int channel) {
    if (channel < 0 || channel > 3) {
        return;
    }
    const std::size_t c = static_cast<std::size_t>(channel);
    if (Link == nullptr) {
        AppendLog(kNotConnected, 0);
        return;
    }
    // A refused current box has shown its message; the switch goes out all the same.
    ReadEntries();
    const int state = Controls.Channels[c].OnOff ? 1 : 0;
    const char letter = SwitchLetter(channel);
    AppendLog(Format(state == 1 ? "LED %d switched on, Send: LC %c 1"
                                : "LED %d switched off, Send: LC %c 0",
                     channel + 1, letter),
              0);
    std::string reply;
    ExchangeCommand(Format("LC %c %d", letter, state), reply, 0);
    AppendLog(reply, 0);
    if (InTesselView(SystemWindow) && ChannelAssignment == 0) {
        SystemWindow->PropagateChannelSwitch(TesselSerNr[c], channel + 1);
    }
}

void CLumatrelDlg::OnCurrentSliderReleased(int channel) {
    if (channel < 0 || channel > 3) {
        return;
    }
    const std::size_t c = static_cast<std::size_t>(channel);
    CurrentSetpoint[c] = Controls.Channels[c].SliderPos * SliderScale;
    ShowEntries();
}

void CLumatrelDlg::AllChannelsOn() {
    if (InTesselView(SystemWindow) && !HoldsMasterTessel) {
        m_services.prompter.ShowMessage("Switch on Channels only possible with MasterTessel");
        return;
    }
    SwitchAllChannels(1);
}

void CLumatrelDlg::AllChannelsOff() {
    if (InTesselView(SystemWindow) && !HoldsMasterTessel) {
        m_services.prompter.ShowMessage("Switch off Channels only possible with MasterTessel");
        return;
    }
    SwitchAllChannels(0);
}

void CLumatrelDlg::SwitchAllChannels(int state) {
    if (state == 0 || state == 1) {
        for (ChannelControls& ch : Controls.Channels) {
            ch.OnOff = state == 1;
        }
    }
    for (int channel = 0; channel < 4; ++channel) {
        SwitchChannel(channel);
    }
}
