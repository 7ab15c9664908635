#pragma once

#include "SimFrames.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class SimUnit;

// A simulated unit on a serial line: a pseudo-terminal whose slave a client opens like a
// serial port. Each bare STX/ETX command frame is answered with one STX/ETX reply frame, no
// line ends. Serves on its own thread until stopped or until the device vanishes.
class SimSerialPort {
public:
    // linkName, when given, becomes a symbolic link to the slave (an existing link of that
    // name is replaced). Throws std::runtime_error when the terminal or the link fails.
    explicit SimSerialPort(SimUnit& unit, std::string linkName = "");
    SimSerialPort(const SimSerialPort&) = delete;
    SimSerialPort& operator=(const SimSerialPort&) = delete;
    ~SimSerialPort();

    // The slave's path, such as /dev/pts/3.
    const std::string& SlavePath() const { return m_slavePath; }
    const std::string& LinkName() const { return m_linkName; }
    void Stop();

    // Bytes the unit sends unasked, written at once: when this returns they wait in the
    // client's input queue.
    void Inject(const std::string& bytes);
    // The device goes away (the master is closed, the slave hangs up); returns once it has.
    void Vanish();
    bool Vanished() const { return m_vanished.load(); }
    // Every byte read goes straight back, no unit behind it: the bare round trip of the line.
    void SetEcho(bool on) { m_echo.store(on); }

private:
    void Run();
    void Serve();
    void Take(const char* data, size_t size);
    bool Answer(const std::string& command);
    bool WriteAll(const std::string& bytes);
    bool Pause(int milliseconds);
    void CloseMaster();

    SimUnit& m_unit;
    std::string m_linkName;
    std::string m_slavePath;
    bool m_linkMade = false;
    SimFd m_master;
    // The sim holds the slave open itself, so the master never sees a hang-up between two
    // clients, and sets it raw so nothing is echoed or translated before a client comes.
    SimFd m_slaveHold;
    SimFd m_wakeRead;
    SimFd m_wakeWrite;
    std::string m_frame; // the command frame being received, without its STX
    bool m_inFrame = false;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_vanishWanted{false};
    std::atomic<bool> m_vanished{false};
    std::atomic<bool> m_echo{false};
    std::mutex m_mutex; // guards writes to and the closing of the master, and m_running
    bool m_running = false;
    std::condition_variable m_vanishDone;
    std::thread m_thread;
};
