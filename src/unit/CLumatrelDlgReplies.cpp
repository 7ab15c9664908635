#include "unit/CLumatrelDlg.h"

// The interpreters take the replies apart into the page's members; until the vocabulary is
// in place a reply is taken as it is.
void CLumatrelDlg::InterpretReply(const std::string&, const std::string&, int) {}
void CLumatrelDlg::InterpretTemperature(const std::string&) {}
void CLumatrelDlg::InterpretVoltage(const std::string&) {}
