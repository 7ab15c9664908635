#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class SimUnit;

// Answers the discovery enquiry of a simulated unit. It listens on a loopback address
// (by default the loopback net's broadcast address, which receives the enquiries sent there)
// and answers from 127.0.0.1 with the unit's serial number, address and connection state.
class SimDiscovery {
public:
    SimDiscovery(SimUnit& unit, std::uint16_t port, std::string listenAddress = "127.255.255.255");
    SimDiscovery(const SimDiscovery&) = delete;
    SimDiscovery& operator=(const SimDiscovery&) = delete;
    ~SimDiscovery();

    void Stop();
    // Whether the unit reports itself as connected ("CO") instead of not connected ("NC").
    void SetConnected(bool connected) { m_connected = connected; }
    // Replaces the answer with fixed bytes (for malformed answers); empty restores it.
    void SetRawAnswer(std::string bytes);
    // Each answer goes out this long after its enquiry arrived (0 at once).
    void SetReplyDelayMs(int ms) { m_replyDelayMs = ms; }
    int Enquiries() const { return m_enquiries.load(); }

    // The answer datagram for a unit.
    static std::string Answer(const std::string& serial, const std::string& address,
                              bool connected);

private:
    void Run();

    SimUnit& m_unit;
    int m_listenFd = -1;
    int m_replyFd = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<bool> m_connected{false};
    std::atomic<int> m_enquiries{0};
    std::atomic<int> m_replyDelayMs{0};
    std::mutex m_mutex;
    std::string m_raw;
    std::thread m_thread;
};
