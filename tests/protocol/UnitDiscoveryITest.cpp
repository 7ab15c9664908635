#include "SimDiscovery.h"
#include "SimUnit.h"
#include "platform/NetworkAdapters.h"
#include "protocol/UnitDiscovery.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

NetworkAdapter Loopback(std::uint32_t address, std::uint32_t mask) {
    return {"lo", address, mask};
}

struct Unit {
    Unit(const std::string& serial, const std::string& address, std::uint16_t port,
         const std::string& listen) {
        SimIdentity id;
        id.SerialNumber = serial;
        id.IpAddress = address;
        sim = std::make_unique<SimUnit>(id);
        responder = std::make_unique<SimDiscovery>(*sim, port, listen);
    }
    std::unique_ptr<SimUnit> sim;
    std::unique_ptr<SimDiscovery> responder;
};

} // namespace

TEST(Discovery, FindsAUnitOnTheLoopbackNetwork) {
    const std::uint16_t port = FreeUdpPort();
    Unit unit("04711", "127.0.0.1", port, "127.255.255.255");
    FixedNetworkAdapters adapters({Loopback(0x7F000001, 0xFF000000)});
    UnitDiscovery discovery(adapters, port);
    std::vector<std::string> lines;
    discovery.OnListLine = [&](const std::string& line) { lines.push_back(line); };

    FoundUnits found;
    std::string report;
    EXPECT_FALSE(discovery.DiscoverUnits(found, 1, report));
    EXPECT_EQ(found[0].SerNr, "04711");
    EXPECT_EQ(found[0].Address, "127.0.0.1\r");
    EXPECT_EQ(found[1].SerNr, "");
    EXPECT_EQ(lines, std::vector<std::string>{"04711  -  127.0.0.1\r  -  not connected"});
    EXPECT_EQ(report, "Error Ip-Adresse exists multiple times:");
}

TEST(Discovery, AUnitSeenOnTwoAdaptersIsListedOnce) {
    const std::uint16_t port = FreeUdpPort();
    Unit unit("500", "127.0.0.1", port, "127.255.255.255");
    FixedNetworkAdapters adapters(
        {Loopback(0x7F000001, 0xFF000000), Loopback(0x7F000001, 0xFF000000)});
    UnitDiscovery discovery(adapters, port);
    FoundUnits found;
    std::string report;
    discovery.DiscoverUnits(found, 0, report);
    EXPECT_EQ(unit.responder->Enquiries(), 2);
    EXPECT_EQ(discovery.FoundCount, 1);
    EXPECT_EQ(found[0].Address, "127.0.0.1");
}

TEST(Discovery, TwoUnitsWithOneAddressAreBothListedAndReported) {
    const std::uint16_t port = FreeUdpPort();
    // One unit behind each adapter, so the answers arrive in adapter order.
    Unit first("111", "192.168.1.20", port, "127.1.255.255");
    Unit second("222", "192.168.1.20", port, "127.2.255.255");
    FixedNetworkAdapters adapters(
        {Loopback(0x7F010001, 0xFFFF0000), Loopback(0x7F020001, 0xFFFF0000)});
    UnitDiscovery discovery(adapters, port);
    FoundUnits found;
    std::string report;
    EXPECT_TRUE(discovery.DiscoverUnits(found, 0, report));
    EXPECT_EQ(found[0].SerNr, "111");
    EXPECT_EQ(found[1].SerNr, "222");
    EXPECT_EQ(report, "Error Ip-Adresse exists multiple times:\nIp-Adr:192.168.1.20\n"
                      "    --> SerNr1 : 222\n    --> SerNr2 : 111");
}

TEST(Discovery, NoAdaptersOrAnInvalidBroadcastFindNothing) {
    FixedNetworkAdapters none({});
    UnitDiscovery discovery(none, FreeUdpPort());
    FoundUnits found;
    found[0] = {"stale", "stale"};
    std::string report;
    EXPECT_FALSE(discovery.DiscoverUnits(found, 1, report));
    EXPECT_EQ(found[0].SerNr, "");
    discovery.EnquireOnAdapter("not an address", 1);
    EXPECT_EQ(discovery.FoundCount, 0);
}
