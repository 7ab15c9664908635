#pragma once

class CChannelMap;
class CDlgGlobalCurrent;
class CTcpConfig;
class Crs232Config;

// Runs a setup dialog modally. The front end shows the dialog's control state, writes the
// person's choices into it and returns when the person closes the dialog: 1 for OK, 2 for
// Cancel. The dialog's own logic (filling the lists, storing the choice) stays in the core.
// A dialog whose OK button may refuse (CChannelMap::OnApply, CDlgGlobalCurrent::OnOK) is
// closed with 1 only after its handler agreed; it stays open otherwise.
class SetupDialogRunner {
public:
    virtual ~SetupDialogRunner() = default;
    virtual int RunModal(Crs232Config& dialog) = 0;
    virtual int RunModal(CTcpConfig& dialog) = 0;
    virtual int RunModal(CChannelMap& dialog) = 0;
    virtual int RunModal(CDlgGlobalCurrent& dialog) = 0;
};
