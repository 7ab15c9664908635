#pragma once

#include "link/CIntervalTimer.h"
#include "link/CRkmio.h"
#include "platform/UniqueFd.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class Pause;

// A telnet-style session with an RKM5 unit over TCP: login from the prompt, then STX/ETX
// command frames followed by CR LF, replies followed by CR LF and the prompt ">>".
class CRKM5Tcpio : public CRkmio {
public:
    explicit CRKM5Tcpio(Pause& pause);
    CRKM5Tcpio(const CRKM5Tcpio&) = delete;
    CRKM5Tcpio& operator=(const CRKM5Tcpio&) = delete;
    ~CRKM5Tcpio() override;

    int Close() override;
    int SendCmd(const std::string& command) override;
    int GetResponse(std::string& reply) override;
    int IsOpen() override { return m_bOpen; }

    // A dotted IPv4 address, or a host name resolved to its first IPv4 address. Looking the
    // name up and connecting take at most five seconds together.
    int Open(const std::string& address, int port);

    // Looks a host name up, however long it takes: its first IPv4 address in network byte
    // order, or nothing. Runs on a thread of its own, which may outlive the link when the
    // answer comes too late. The system's resolver unless set.
    using NameResolver = std::function<std::optional<std::uint32_t>(const std::string& name)>;
    void SetResolver(NameResolver resolver) { m_resolver = std::move(resolver); }

    // Polling receive: returns 0 once the data held ends with a terminator, which is cut off.
    int ReceiveData(char* buffer, int size, int& count, int timeoutMs);
    // Polling send of count bytes with CR LF appended; size is the buffer's capacity.
    int SendData(char* buffer, int size, int& count, int timeoutMs);

    std::string m_strAddress;
    char m_szAddress[20] = {};
    std::int32_t m_nLastError = 0;
    std::string m_strMessage;
    std::int32_t m_bOpen = 0;

private:
    int FailOpen(int code, std::string message);
    void CloseSocket();
    bool WaitFor(short events, int timeoutMs);
    bool ConnectBounded(const std::string& address, int port);
    std::optional<std::uint32_t> ResolveBy(const std::string& name,
                                           std::chrono::steady_clock::time_point deadline);
    // Reads and drops what is already waiting on the socket, noting it in the trace.
    void DiscardWaiting();
    void NoteDiscarded(const char* bytes, int count);

    Pause& m_pause;
    NameResolver m_resolver;
    bool m_bLayerStarted = false;
    UniqueFd m_socket;
    std::int32_t m_nCount = 0;
    CIntervalTimer m_timer;
    double m_dResolutionUs = 0.0;
    std::int32_t m_nBufSize = 512;
    char m_sendBuf[512] = {};
    char m_recvBuf[512] = {};
    char m_szUser[34] = {};
    char m_szPassword[34] = {};
    // The terminator the last ReceiveData cut off; after a bare CR LF the prompt is still due.
    enum class Cut { None, LineEndAndPrompt, LineEnd, ColonBlank, Prompt };
    Cut m_lastCut = Cut::None;
    // The last reply (or the greeting) came without its prompt: a ">>" in front of the next
    // reply is that prompt.
    bool m_bPromptOwed = false;
};
