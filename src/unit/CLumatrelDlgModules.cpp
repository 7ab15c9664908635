#include "unit/CLumatrelDlg.h"

void CLumatrelDlg::RecomputeChannelAssignment() {}
void CLumatrelDlg::RefreshModuleDisplay() {}
