#include "protocol/UnitDiscovery.h"
#include "platform/NetworkAdapters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class DiscoveryAnswers : public ::testing::Test {
protected:
    DiscoveryAnswers() : discovery(adapters) {
        discovery.OnListLine = [this](const std::string& line) { lines.push_back(line); };
    }
    void Take(const std::string& datagram, int mode) {
        discovery.TakeAnswer(datagram.data(), datagram.size(), mode);
    }
    FixedNetworkAdapters adapters{{}};
    UnitDiscovery discovery;
    std::vector<std::string> lines;
};

} // namespace

TEST_F(DiscoveryAnswers, AUnitIsListedWithItsSerialNumberAddressAndState) {
    Take(std::string("x.x.x.x.04711.x.x\n\n192.168.1.20\nNC\0trailing", 40), 1);
    ASSERT_EQ(discovery.FoundCount, 1);
    EXPECT_EQ(discovery.Found[0].Address, "192.168.1.20");
    EXPECT_EQ(discovery.Found[0].SerNr, "04711");
    EXPECT_EQ(lines, std::vector<std::string>{"04711  -  192.168.1.20  -  not connected"});
}

TEST_F(DiscoveryAnswers, AnyStateButNcIsAlreadyConnected) {
    Take("a.b.c.d.5.f.g\nname\n10.0.0.5\nCO\n", 1);
    Take("a.b.c.d.6.f.g\nname\n10.0.0.6\n", 1);
    EXPECT_EQ(lines, (std::vector<std::string>{"5  -  10.0.0.5  -  already connected",
                                               "6  -  10.0.0.6  -  already connected"}));
}

TEST_F(DiscoveryAnswers, ACarriageReturnAfterTheAddressStaysOnlyForTheList) {
    Take("a.b.c.d.1.f.g\nname\n10.0.0.1\r\nNC\n", 1);
    Take("a.b.c.d.2.f.g\nname\n10.0.0.2\r\nNC\n", 0);
    EXPECT_EQ(discovery.Found[0].Address, "10.0.0.1\r");
    EXPECT_EQ(discovery.Found[1].Address, "10.0.0.2");
    EXPECT_EQ(lines, std::vector<std::string>{"1  -  10.0.0.1\r  -  not connected"});
}

TEST_F(DiscoveryAnswers, ShortDatagramsAreIgnoredAndTwelveBytesAreTaken) {
    Take("1.2.3.4.77\n\n", 0);
    Take(std::string("1.2.3.4.88\n\n").substr(0, 11), 0);
    ASSERT_EQ(discovery.FoundCount, 1);
    EXPECT_EQ(discovery.Found[0].SerNr, "77");
}

TEST_F(DiscoveryAnswers, ALineOneOfFourFieldsGivesAnEmptySerialNumber) {
    Take("a.b.c.d\nname\n10.0.0.9\nNC\n", 1);
    ASSERT_EQ(discovery.FoundCount, 1);
    EXPECT_EQ(discovery.Found[0].SerNr, "");
}

TEST_F(DiscoveryAnswers, TheSameUnitAnsweringAgainIsListedOnce) {
    Take("a.b.c.d.42.f.g\nname\n10.0.0.1\nNC\n", 1);
    Take("a.b.c.d.42.f.g\nname\n10.0.0.77\nCO\n", 1);
    EXPECT_EQ(discovery.FoundCount, 1);
    EXPECT_EQ(discovery.Found[0].Address, "10.0.0.1");
    EXPECT_EQ(lines.size(), 1u);
}

TEST_F(DiscoveryAnswers, NoMoreThanTwentyUnitsAreKept) {
    for (int i = 1; i <= 21; ++i) {
        Take("a.b.c.d." + std::to_string(i) + ".f.g\nname\n10.0.0." + std::to_string(i) + "\nNC\n",
             1);
    }
    EXPECT_EQ(discovery.FoundCount, 20);
    EXPECT_EQ(discovery.Found[19].SerNr, "20");
    EXPECT_EQ(lines.size(), 20u);
}

TEST_F(DiscoveryAnswers, MalformedTextNeverReadsPastTheDatagram) {
    const std::string bytes[] = {std::string(1000, '\n'), std::string(1000, '.'),
                                 std::string(12, '\0'),
                                 std::string("\xff\xfe.\n.\n\r\n\r") + std::string(20, 'x')};
    for (const std::string& b : bytes) {
        Take(b, 1);
        Take(b, 0);
    }
    EXPECT_LE(discovery.FoundCount, 20);
}

// What answers without a serial number or an address make of the list: a unit needs one of
// the two, or it cannot be told apart from line noise.
struct JunkRow {
    const char* Name;
    std::string Datagram;
    bool Listed;
};

class DiscoveryJunk : public ::testing::TestWithParam<JunkRow> {};

TEST_P(DiscoveryJunk, IsListedOnlyWithASerialNumberOrAnAddress) {
    FixedNetworkAdapters adapters{{}};
    UnitDiscovery discovery(adapters);
    std::vector<std::string> lines;
    discovery.OnListLine = [&](const std::string& line) { lines.push_back(line); };
    for (int mode : {1, 0}) {
        discovery.TakeAnswer(GetParam().Datagram.data(), GetParam().Datagram.size(), mode);
    }
    EXPECT_EQ(discovery.FoundCount, GetParam().Listed ? 1 : 0);
    EXPECT_EQ(lines.size(), GetParam().Listed ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DiscoveryJunk,
    ::testing::Values(JunkRow{"NulFirstThenJunk", std::string("\0junkjunkjun", 12), false},
                      JunkRow{"TwelveBlanks", std::string(12, ' '), false},
                      JunkRow{"LineFeedsOnly", std::string(12, '\n'), false},
                      JunkRow{"CarriageReturnInPlaceOfTheAddress", "a.b.c.d\nname\n\r\nNC\n",
                              false},
                      JunkRow{"AddressWithoutSerialNumber", "a.b.c.d\nname\n10.0.0.9\nNC\n", true},
                      JunkRow{"SerialNumberWithoutAddress", "a.b.c.d.77.f.g\nname\n\nNC\n", true}),
    [](const auto& info) { return std::string(info.param.Name); });
