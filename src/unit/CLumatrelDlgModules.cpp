#include "unit/CLumatrelDlg.h"

void CLumatrelDlg::RecomputeChannelAssignment() {}
void CLumatrelDlg::RefreshModuleDisplay() {}
void CLumatrelDlg::IdentifyUnit() {}
void CLumatrelDlg::UpdateMonitoring() {}
