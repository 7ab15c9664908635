#pragma once

#include "link/CRkmio.h"
#include "platform/UniqueFd.h"

#include <termios.h>

#include <cstdint>
#include <string>

// An RKM5 unit on a serial line (RS232, a USB adapter, an RS485 converter): a command goes
// out as one bare STX/ETX frame and the reply comes back as one. No session, no login.
// The port is a non-blocking terminal held exclusively while open; every wait is a poll.
class CRKM5Serio : public CRkmio {
public:
    CRKM5Serio() = default;
    CRKM5Serio(const CRKM5Serio&) = delete;
    CRKM5Serio& operator=(const CRKM5Serio&) = delete;
    ~CRKM5Serio() override;

    int Close() override;
    int SendCmd(const std::string& command) override;
    int GetResponse(std::string& reply) override;
    int IsOpen() override { return m_bOpen; }

    // Opens the port (named as SerialDevicePath takes it) at the baud rate with 8 data bits;
    // parity, stop bits and flow control stay as the port has them.
    int Open(const std::string& portName, int baudRate);

    // Reads what is waiting, at most maximum bytes; 0 when nothing is there. Internal to
    // GetResponse; failures are thrown.
    int ReadChunk(char* buffer, int maximum);

    std::string m_strPort;
    std::string m_strMessage;
    std::int32_t m_nError = 0;
    std::int32_t m_nSysError = 0;
    std::int32_t m_bOpen = 0;

private:
    int FailOpen(int code, int sysError, std::string message);
    [[noreturn]] void Throw(int code, int sysError, std::string message);
    [[noreturn]] void FailResponse(std::string& reply, const std::string& collected);
    int ReleasePort(int& error);
    void WaitForInput(int timeoutMs);

    char m_rxBuf[1024] = {};
    char m_txBuf[256] = {};
    UniqueFd m_port;
    termios m_savedSettings = {};
    bool m_bSettingsChanged = false;
    bool m_bExclusive = false;
};
