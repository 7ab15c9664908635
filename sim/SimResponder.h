#pragma once

#include <string>

#include "SimUnit.h"

// Turns one command text into the unit's reply text and the state change it causes. Pure: no
// locking, no I/O; SimUnit wraps it with its lock and the link shells add the framing.
//
// Replies begin with the command's token in lower case, a blank and the values. A command the
// unit cannot carry out gets the status part ";er <code>" (100 unknown command, 101 unknown
// parameter, 102 parameter out of range). The unit's error state (ErrorCode) rides along as
// ";er <code>" only on the monitoring replies "te" and "vt": clients cut replies such as "vr"
// by character position, so a status part there would change what they read.
class SimResponder {
public:
    static std::string Respond(SimUnitState& state, const std::string& command);

    // The text the unit sends in place of its hardware info when the maker's text is armed.
    static const char* MakerText();
};
