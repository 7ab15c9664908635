#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class SimUnit;

// The telnet-style TCP session of a simulated unit on 127.0.0.1: login prompt, password
// prompt, greeting, then one framed reply with CR LF and ">>" for each framed command, until
// "q". Serves one session at a time on its own thread.
class SimTcpServer {
public:
    // port 0 takes a free port.
    explicit SimTcpServer(SimUnit& unit, std::uint16_t port = 0);
    SimTcpServer(const SimTcpServer&) = delete;
    SimTcpServer& operator=(const SimTcpServer&) = delete;
    ~SimTcpServer();

    std::uint16_t Port() const { return m_port; }
    void Stop();
    int SessionCount() const { return m_sessions.load(); }
    // The user name and password of the last login attempt.
    std::string LastUser() const;
    std::string LastPassword() const;

private:
    void Run();

    SimUnit& m_unit;
    int m_listenFd = -1;
    int m_wakeFd[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::atomic<int> m_sessions{0};
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::string m_lastUser;
    std::string m_lastPassword;
    std::thread m_thread;
};
