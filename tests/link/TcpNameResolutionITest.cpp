// Host names given for a unit are looked up within the bound of the connect.
#include "link/CRKM5Tcpio.h"
#include "support/Fakes.h"
#include "support/ScriptedPeer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace {

// A resolver that answers only once the test lets it, or after a guard time that stands for
// a name server that answers far too late.
struct HeldAnswer {
    std::mutex Mutex;
    std::condition_variable Released;
    bool Free = false;
    void Release() {
        std::lock_guard lock(Mutex);
        Free = true;
        Released.notify_all();
    }
};

std::uint32_t Loopback() {
    return htonl(INADDR_LOOPBACK);
}

} // namespace

TEST(TcpNameResolution, ANameLookedUpTooSlowlyFailsLikeARefusedConnect) {
    auto held = std::make_shared<HeldAnswer>();
    RecordingPause pause;
    CRKM5Tcpio tcp(pause);
    // The held resolver outlives the link: a lookup given up on may still be running.
    tcp.SetResolver([held](const std::string&) -> std::optional<std::uint32_t> {
        std::unique_lock lock(held->Mutex);
        held->Released.wait_for(lock, std::chrono::seconds(12), [&] { return held->Free; });
        return Loopback();
    });
    EXPECT_EQ(tcp.Open("slow-unit.example", UnusedLoopbackPort()), -4018);
    EXPECT_EQ(tcp.m_strMessage, "++ Could not connect to RKM on slow-unit.example, error code 110");
    EXPECT_EQ(tcp.IsOpen(), 0);
    held->Release();
}

TEST(TcpNameResolution, ANameIsConnectedToTheAddressItResolvesTo) {
    ScriptedPeer peer(ScriptedPeer::Login());
    RecordingPause pause;
    CRKM5Tcpio tcp(pause);
    std::string asked;
    tcp.SetResolver([&](const std::string& name) -> std::optional<std::uint32_t> {
        asked = name;
        return Loopback();
    });
    EXPECT_EQ(tcp.Open("unit.example", peer.Port()), 0) << tcp.m_strMessage;
    EXPECT_EQ(asked, "unit.example");
}

TEST(TcpNameResolution, ANameWithoutAnAddressFailsLikeARefusedConnect) {
    RecordingPause pause;
    CRKM5Tcpio tcp(pause);
    tcp.SetResolver([](const std::string&) { return std::optional<std::uint32_t>(); });
    EXPECT_EQ(tcp.Open("gone.example", 23), -4018);
    EXPECT_EQ(tcp.m_strMessage, "++ Could not connect to RKM on gone.example, error code 113");
}
