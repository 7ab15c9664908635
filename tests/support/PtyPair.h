#pragma once

#include "platform/UniqueFd.h"

#include <termios.h>

#include <string>

// A pseudo-terminal a test drives by hand: it writes the unit's bytes into the master, reads
// what the client sent, and holds the slave open itself to look at and set its line settings.
class PtyPair {
public:
    PtyPair();

    const std::string& SlavePath() const { return m_slavePath; }
    int Master() const { return m_master.Get(); }
    int SlaveHold() const { return m_slaveHold.Get(); }

    // Writes all bytes into the master; when this returns they wait in the slave's input.
    void Write(const std::string& bytes);
    // The bytes of one frame the client sent, STX to ETX; "" when none came within 5 s.
    std::string ReadFrame();
    // Whether bytes from the client wait at the master.
    bool ClientSentSomething();
    termios SlaveSettings() const;
    void SetSlaveSettings(const termios& settings);

private:
    UniqueFd m_master;
    UniqueFd m_slaveHold;
    std::string m_slavePath;
};
