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

// Faults that can be switched on per unit, at any time, from any thread. The link shells read
// them afresh for every connection and every reply.
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
    bool RefuseLogin = false;       // every login is refused, even with the right credentials
    SimPrompt Prompt = SimPrompt::UserAndPassword;
    bool QuitWithoutLine = false; // "q" closes the session without a goodbye line
    int ReplyDelayMs = 0;         // every reply waits this long
    // A stray frame rides behind each reply in the same write (over TCP with its own CR LF
    // and ">>"), left on the line for the next command to find (a client that reads up to
    // the ETX only must discard it).
    bool StaleBytesAfterReply = false;
    // TCP only: the ">>" behind each reply goes out in a segment of its own, PromptDelayMs
    // after the reply's CR LF (and before the next command is read).
    bool PromptInSeparateSegment = false;
    int PromptDelayMs = 20;
    // On the serial line (SimSerialPort) CloseMidReply closes the pseudo-terminal, so the
    // device vanishes in the middle of the exchange.
};

// One channel of a simulated unit, with the Tessel module on it.
struct SimChannel {
    std::int32_t TesselSerNr = 0; // 0: no module on the channel
    std::int32_t ModuleCount = 0; // channels the module starting here spans; 0 on covered ones
    std::int32_t CurrentMax = 1800;
    std::int32_t CurrentMin = 200;
    std::array<std::int32_t, 5> InfoC = {0, 0, 0, 0, 0};
    std::int32_t Current = 200; // set-point in mA
    bool On = false;
    std::int32_t ControllerTemp = 25; // °C, follows current and switch state
    std::int32_t TesselTemp = 24;     // °C, 0 without a module
    std::int32_t WarnTemp = 70;       // "ST" limits in °C
    std::int32_t MaxTemp = 85;
};

struct SimIdentity {
    std::string SerialNumber = "10001";
    std::string FirmwareMajor = "5";
    std::string FirmwareMinor = "1";
    // Units answer "VR" with two-digit fields ("vr 05,01"); some releases write the major
    // number as it stands ("vr 5,01").
    bool FirmwareTwoDigitMajor = true;
    std::string DeviceId = "1";
    std::string User = "rkm5";
    std::string Password = "light";
    std::string IpAddress = "127.0.0.1";
    std::string AddressKind = "M"; // "M" static address, "D" DHCP
    std::string HardwareRev = "4.1";
};

// Everything a unit remembers; the responder works on it (SimResponder.h).
struct SimUnitState {
    SimIdentity Identity;
    std::array<SimChannel, 4> Channels;
    int OperatingMode = 1;
    int ErrorCode = 0;
    std::int32_t InputVoltageMv = 24000;
    std::int32_t AnalogVoltageMv = 0;
    bool MakerTextPending = false;      // the next "IF" is answered with the maker's text
    std::string ErrorReplyToken = "er"; // the token that begins the answer to "ER"
};

// The state of one simulated unit and its answers, independent of the link kind. Thread-safe:
// the link shells call Respond from their own threads while tests change state and faults.
class SimUnit {
public:
    // Modules per channel 1,1,1,1 with Tessel serial numbers 201 to 204.
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
    // The token the unit begins its answer to "ER" with, "er" unless a test wants a unit
    // that answers out of form ("ER 5", "err 5").
    void SetErrorReplyToken(const std::string& token);
    SimUnitState State() const;

    // Lays the Tessel modules out: modulesPerChannel[i] is the number of channels the module
    // starting on channel i spans (0: none starts there). Modules get serial numbers from
    // firstTesselSerNr on; a channel covered by a module reports that module's serial number
    // with count 0; a free channel reports serial 0, count 0 and limits 0.
    // Throws std::invalid_argument for counts outside 0..4.
    void SetLayout(const std::array<int, 4>& modulesPerChannel,
                   std::int32_t firstTesselSerNr = 201);
    // The M35 variant: every channel with a module reports a non-zero information part C.
    void SetM35(bool m35);
    // The next "IF" is answered with the maker's text instead of the hardware info, once.
    void ArmMakerText();

    // Every command received, in order.
    std::vector<std::string> ReceivedCommands() const;
    void ClearReceivedCommands();

private:
    static void CheckIndex(int index);

    mutable std::mutex m_mutex;
    SimUnitState m_state;
    SimFaults m_faults;
    std::vector<std::string> m_received;
};
