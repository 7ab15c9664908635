#pragma once

#include "dialogs/SetupDialogRunner.h"

// For runs without a person at a screen: every setup dialog is cancelled at once.
class CancellingDialogRunner : public SetupDialogRunner {
public:
    int RunModal(Crs232Config&) override { return 2; }
    int RunModal(CTcpConfig&) override { return 2; }
    int RunModal(CChannelMap&) override { return 2; }
    int RunModal(CDlgGlobalCurrent&) override { return 2; }
};
