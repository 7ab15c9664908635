// How long discovery listens on an adapter, and what it takes in that time.
#include "SimDiscovery.h"
#include "SimUnit.h"
#include "platform/NetworkAdapters.h"
#include "protocol/UnitDiscovery.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Responder {
    Responder(const std::string& serial, std::uint16_t port, int delayMs) {
        SimIdentity id;
        id.SerialNumber = serial;
        id.IpAddress = "127.0.0.1";
        unit = std::make_unique<SimUnit>(id);
        answer = std::make_unique<SimDiscovery>(*unit, port);
        answer->SetReplyDelayMs(delayMs);
    }
    std::unique_ptr<SimUnit> unit;
    std::unique_ptr<SimDiscovery> answer;
};

std::vector<std::string> Serials(const FoundUnits& found) {
    std::vector<std::string> serials;
    for (const FoundUnit& unit : found) {
        if (!unit.SerNr.empty()) {
            serials.push_back(unit.SerNr);
        }
    }
    std::sort(serials.begin(), serials.end());
    return serials;
}

} // namespace

TEST(DiscoveryWindow, QuickAnswersDoNotUseUpTheWindowOfALateOne) {
    const std::uint16_t port = FreeUdpPort();
    std::vector<std::unique_ptr<Responder>> responders;
    for (const char* serial : {"101", "102", "103", "104", "105"}) {
        responders.push_back(std::make_unique<Responder>(serial, port, 0));
    }
    responders.push_back(std::make_unique<Responder>("650", port, 650));
    // Well behind the second the enquiry listens for.
    responders.push_back(std::make_unique<Responder>("1900", port, 1900));
    FixedNetworkAdapters adapters({{"lo", 0x7F000001, 0xFF000000}});
    UnitDiscovery discovery(adapters, port);

    FoundUnits found;
    std::string report;
    discovery.DiscoverUnits(found, 0, report);
    EXPECT_EQ(Serials(found), (std::vector<std::string>{"101", "102", "103", "104", "105", "650"}));
    EXPECT_EQ(discovery.FoundCount, 6);
}
