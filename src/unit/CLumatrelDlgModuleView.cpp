#include "unit/CLumatrelDlg.h"

void CLumatrelDlg::HideChannelControls() {
    for (ChannelControls& panel : Controls.Channels) {
        for (PanelControl control :
             {PanelControl::Apply, PanelControl::OnOff, PanelControl::CurrentEdit,
              PanelControl::Slider, PanelControl::MinLabel, PanelControl::MaxLabel,
              PanelControl::CurrentLabel}) {
            panel.SetVisible(control, false);
        }
    }
    Controls.CommandLineVisible = false;
    if (m_view != nullptr) {
        m_view->Refresh();
    }
}
