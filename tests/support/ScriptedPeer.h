#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A loopback TCP peer that accepts one connection and plays a fixed script of bytes, so a
// test can put exactly the bytes it wants on the wire. After the script it records every
// line it receives until the other side closes, then closes too.
class ScriptedPeer {
public:
    struct Step {
        enum Kind { Send, ExpectLine, Pause, Close } What;
        std::string Data;
        int Ms = 0;
    };
    static Step Send(std::string bytes) { return {Step::Send, std::move(bytes), 0}; }
    static Step ExpectLine() { return {Step::ExpectLine, {}, 0}; }
    static Step Pause(int ms) { return {Step::Pause, {}, ms}; }
    static Step Close() { return {Step::Close, {}, 0}; }
    // The prompts and greeting of a unit whose login names user "u" and password "p".
    static std::vector<Step> Login();

    // After the script, a line "q" is answered with "bye" CR LF and the connection closed;
    // with answerQuit false it is closed without a word.
    explicit ScriptedPeer(std::vector<Step> steps, bool answerQuit = true);
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;
    ~ScriptedPeer();

    std::uint16_t Port() const { return m_port; }
    // Lines received so far, without their CR LF.
    std::vector<std::string> Lines() const;
    // Waits until the peer has closed its side.
    void Join();

private:
    void Run();
    bool ReadLine(int fd, std::string& line);

    std::vector<Step> m_steps;
    bool m_answerQuit = true;
    int m_listen = -1;
    std::uint16_t m_port = 0;
    std::string m_pending;
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::thread m_thread;
};

// A loopback port on which nothing listens.
std::uint16_t UnusedLoopbackPort();
