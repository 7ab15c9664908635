#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// How the login prompt of a simulated unit looks.
enum class SimPrompt {
    UserAndPassword, // "Login as 'user' password 'pw': " (user and password from the identity)
    SingleName,      // "login as 'admin': " (the fixed user and password)
    Empty,           // ": " only
    NoQuotes,        // "login: "
};

// Faults that can be switched on per unit, at any time, from any thread.
struct SimFaults {
    bool RefuseConnections = false; // the listener refuses (closes) every connection
    bool CloseDuringLogin = false;  // the connection is closed after the login prompt
    bool CloseMidReply = false;     // the connection is closed after half of a reply frame
    bool ReplyWithoutStx = false;   // replies lack their leading STX
    bool ReplyWithoutEtx = false;   // replies lack their ETX (and so never complete)
    bool SplitReply = false;        // each reply goes out in several segments with pauses
    int SplitDelayMs = 20;          // pause between the segments of a split reply
    bool OversizedReply = false;    // replies carry 600 bytes of text
    bool Silent = false;            // commands are read but never answered
    bool RefuseLogin = false;       // a wrong user or password ends the session
    SimPrompt Prompt = SimPrompt::UserAndPassword;
    bool QuitWithoutLine = false; // "q" closes the session without a goodbye line
    int ReplyDelayMs = 0;         // every reply waits this long
};

// One channel of a simulated unit, with the Tessel module on it.
struct SimChannel {
    std::int32_t TesselSerNr = 0; // 0: no module on the channel
    std::int32_t ModuleCount = 0;
    std::int32_t CurrentMax = 1800;
    std::int32_t CurrentMin = 200;
    std::array<std::int32_t, 5> InfoC = {0, 0, 0, 0, 0};
    std::int32_t Current = 200; // set-point in mA
    bool On = false;
};

struct SimIdentity {
    std::string SerialNumber = "10001";
    std::string FirmwareMajor = "5";
    std::string FirmwareMinor = "1";
    std::string DeviceId = "1";
    std::string User = "rkm5";
    std::string Password = "light";
    std::string IpAddress = "127.0.0.1";
};

// The state of one simulated unit and its answers, independent of the link kind. Thread-safe:
// the link shells call Respond from their own threads while tests change state and faults.
class SimUnit {
public:
    SimUnit();
    explicit SimUnit(SimIdentity identity);

    // The reply text (without framing) to one command text (without framing).
    std::string Respond(const std::string& command);

    SimFaults Faults() const;
    void SetFaults(const SimFaults& faults);
    SimIdentity Identity() const;
    void SetIdentity(const SimIdentity& identity);
    SimChannel Channel(int index) const;
    void SetChannel(int index, const SimChannel& channel);
    int OperatingMode() const;
    void SetOperatingMode(int mode);
    int ErrorCode() const;
    void SetErrorCode(int code);

    // Every command received, in order.
    std::vector<std::string> ReceivedCommands() const;
    void ClearReceivedCommands();

private:
    std::string RespondLocked(const std::string& command);

    mutable std::mutex m_mutex;
    SimIdentity m_identity;
    SimFaults m_faults;
    std::array<SimChannel, 4> m_channels;
    int m_operatingMode = 1;
    int m_errorCode = 0;
    std::vector<std::string> m_received;
};
