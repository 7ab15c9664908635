#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class SimUnit;
class SimInputBuffer;
struct SimInput;
struct SimFaults;

// The telnet-style TCP session of a simulated unit on 127.0.0.1: login prompt, password
// prompt, greeting, then one framed reply with CR LF and ">>" for each framed command, until
// "q". Serves one session at a time on its own thread.
//
// Texts on the wire:
//   login prompt     "Login as '<user>' password '<password>': "   (SimPrompt::UserAndPassword)
//                    "Welcome to RKM5\r\nlogin as 'admin': "         (SimPrompt::SingleName)
//                    ": "                                            (SimPrompt::Empty)
//                    "login: "                                       (SimPrompt::NoQuotes)
//   password prompt  "Password: "
//   greeting         "\r\nRKM5 ready\r\n>>"
//   refusal          "\r\nLogin incorrect\r\n", then the connection is closed
//   reply            STX text ETX CR LF ">>", in one send (the faults in SimUnit.h vary it)
//   after "q"        "Goodbye\r\n", then the connection is closed
class SimTcpServer {
public:
    // port 0 takes a free port; the address is one of the loopback net's (host byte order).
    // Throws std::system_error when the port cannot be had.
    explicit SimTcpServer(SimUnit& unit, std::uint16_t port = 0,
                          std::uint32_t loopbackAddress = 0x7F000001);
    SimTcpServer(const SimTcpServer&) = delete;
    SimTcpServer& operator=(const SimTcpServer&) = delete;
    ~SimTcpServer();

    std::uint16_t Port() const { return m_port; }
    // Ends the session in progress and the listener; returns once the thread has ended.
    void Stop();
    // Connections accepted so far, refused ones included.
    int SessionCount() const { return m_sessions.load(); }
    // Sessions the client ended with "q".
    int QuitCount() const;
    // Waits until at least count sessions were ended with "q", or timeoutMs passed (a guard
    // against a hung test, not a measure); returns QuitCount() >= count.
    bool WaitForQuits(int count, int timeoutMs) const;
    // Bytes the unit sends unasked in the session in progress, at once: when this returns
    // they wait in the client's input queue. False when no session is in progress.
    bool Inject(const std::string& bytes);
    // The user name and password of the last login attempt.
    std::string LastUser() const;
    std::string LastPassword() const;

    static constexpr const char* kPasswordPrompt = "Password: ";
    static constexpr const char* kGreeting = "\r\nRKM5 ready\r\n>>";
    static constexpr const char* kRefusal = "\r\nLogin incorrect\r\n";
    static constexpr const char* kGoodbye = "Goodbye\r\n";

private:
    void Run();
    void Serve(int fd);
    bool Login(int fd, SimInputBuffer& input);
    bool Answer(int fd, const std::string& command);
    bool ReadInput(int fd, SimInputBuffer& input, SimInput& next);
    bool SendAll(int fd, const std::string& data);
    bool SendLocked(int fd, const std::string& data);
    // Waits ms milliseconds; false when the server is being stopped.
    bool Pause(int ms);

    SimUnit& m_unit;
    int m_listenFd = -1;
    int m_wakeFd[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::atomic<int> m_sessions{0};
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    // Guards every send, so that injected bytes never land inside a reply.
    std::mutex m_sendMutex;
    int m_sessionFd = -1;
    mutable std::condition_variable m_quitSeen;
    int m_quits = 0;
    std::string m_lastUser;
    std::string m_lastPassword;
    std::thread m_thread;
};
