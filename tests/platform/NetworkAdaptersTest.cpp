#include "platform/NetworkAdapters.h"

#include <gtest/gtest.h>

namespace {

// Units are not found on the loopback interface: enquiring there would cost every discovery
// a second. Tests and runs confined to loopback name it themselves (FixedNetworkAdapters).
TEST(SystemNetworkAdapters, LeaveOutTheLoopbackInterface) {
    SystemNetworkAdapters system;
    const auto adapters = system.Adapters();
    ASSERT_TRUE(adapters.has_value());
    for (const NetworkAdapter& adapter : *adapters) {
        EXPECT_NE(adapter.Address >> 24, 127u) << adapter.Name;
        EXPECT_NE(adapter.Name, "lo");
    }
}

} // namespace
