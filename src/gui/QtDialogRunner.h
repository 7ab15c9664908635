#pragma once

#include "dialogs/SetupDialogRunner.h"

class QWidget;

// Shows the setup dialogs as modal Qt dialogs over the active window.
class QtDialogRunner : public SetupDialogRunner {
public:
    int RunModal(Crs232Config& dialog) override;
    int RunModal(CTcpConfig& dialog) override;
    int RunModal(CChannelMap& dialog) override;
    int RunModal(CDlgGlobalCurrent& dialog) override;
};
