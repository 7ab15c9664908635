#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "SimUnit.h"

namespace {

struct Exchange {
    const char* Name;
    const char* Command;
    const char* Reply;
};

void ExpectReplies(SimUnit& unit, const std::vector<Exchange>& rows) {
    for (const Exchange& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(unit.Respond(row.Command), row.Reply) << "command " << row.Command;
    }
}

// The controller temperatures of channels A to D from a "te" reply.
std::array<int, 4> ControllerTemps(const std::string& reply) {
    std::array<int, 4> temps{};
    std::size_t pos = 3; // behind "te "
    for (int& t : temps) {
        t = std::stoi(reply.substr(pos));
        pos = reply.find(',', pos);
        pos = pos == std::string::npos ? reply.size() : pos + 1;
    }
    return temps;
}

} // namespace

TEST(SimUnitTest, AnswersTheVocabularyOfAFreshUnit) {
    SimUnit unit;
    ExpectReplies(
        unit, {
                  {"hardware info carries the serial number third", "IF", "if RKM5,4.1,10001,1"},
                  {"channel hardware info names the channel", "IF B", "if B,X9,DRV 4.1"},
                  {"firmware in two-digit fields", "VR", "vr 05,01"},
                  {"device id", "ID", "id 1"},
                  {"module serial padded, with its count", "ILA A", "il 00201,1"},
                  {"each channel its own module", "ILA D", "il 00204,1"},
                  {"module current limits max,min", "ILB C", "il 1800,200"},
                  {"information part C of a plain module is zero", "ILC A", "il 0,0,0,0,0"},
                  {"operating mode", "MO", "mo 1"},
                  {"currents A to D", "IY", "iy 200,200,200,200"},
                  {"stored currents", "IY S", "iy 200,200,200,200"},
                  {"dark channels stay at ambient", "TE", "te 25-24,25-24,25-24,25-24"},
                  {"dark channels read no LED voltage", "VT", "vt 24000,0,0,0,0,0"},
                  {"no error state", "ER", "er 0"},
                  {"control flags", "FA", "fa 1"},
                  {"control flags", "FC", "fc 0"},
                  {"address kind and address", "IP", "ip M 127.0.0.1"},
                  {"temperature limits", "ST A", "st A 70,85"},
                  {"shutdown input", "SD", "sd 0"},
                  {"unknown command reports status 100", "XYZ 1", "xyz;er 100"},
                  {"empty command reports status 100", "", "er 100"},
                  {"module query without channel letter", "ILA", "il;er 101"},
                  {"module queries take only A to D", "ILB E", "il;er 101"},
                  {"current above the module maximum is refused", "IY F 1900", "iy F 200;er 102"},
                  {"current below the module minimum is refused", "IY A 100", "iy A 200;er 102"},
                  {"mode out of range keeps the mode", "MO 4", "mo 1;er 102"},
                  {"switch value other than 0 or 1", "LC A 2", "lc;er 101"},
              });
}

TEST(SimUnitTest, CurrentSwitchAndModeCommandsChangeTheState) {
    SimUnit unit;
    ExpectReplies(unit, {
                            {"E names channel A and is echoed", "IY E 700", "iy E 700"},
                            {"A names channel A too", "IY B 300", "iy B 300"},
                            {"H names channel D", "IY H 1800", "iy H 1800"},
                            {"read-out shows the three set-points", "IY", "iy 700,300,200,1800"},
                            {"trailing W is accepted", "IY G 500 W", "iy G 500"},
                            {"a bare value sets every channel", "IY 900", "iy 900,900,900,900"},
                            {"switch one channel by its own letter", "LC A 1", "lc A 1"},
                            {"switch one channel by its alias", "LC G 1", "lc G 1"},
                            {"mode set", "MO 2", "mo 2"},
                            {"mode query shows the new mode", "MO", "mo 2"},
                        });
    EXPECT_EQ(unit.OperatingMode(), 2);
    EXPECT_TRUE(unit.Channel(0).On);
    EXPECT_FALSE(unit.Channel(1).On);
    EXPECT_TRUE(unit.Channel(2).On);
    EXPECT_EQ(unit.Channel(3).Current, 900);

    EXPECT_EQ(unit.Respond("LC 0"), "lc 0");
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(unit.Channel(i).On) << "channel " << i;
    }
    EXPECT_EQ(unit.Respond("LC 1"), "lc 1");
    EXPECT_TRUE(unit.Channel(3).On);
}

TEST(SimUnitTest, TemperatureRisesWhileOnAndFallsWhenOff) {
    SimUnit unit;
    unit.Respond("IY E 1800");
    unit.Respond("LC E 1");
    std::array<int, 4> previous = ControllerTemps(unit.Respond("TE"));
    for (int tick = 0; tick < 3; ++tick) {
        const std::array<int, 4> now = ControllerTemps(unit.Respond("TE"));
        EXPECT_GT(now[0], previous[0]) << "tick " << tick;
        EXPECT_EQ(now[1], 25) << "a dark channel stays at ambient";
        previous = now;
    }
    const std::string lit = unit.Respond("VT");
    EXPECT_NE(lit, "vt 24000,0,0,0,0,0") << "a lit channel reads an LED voltage";

    unit.Respond("LC 0");
    const int hot = previous[0];
    EXPECT_LT(ControllerTemps(unit.Respond("TE"))[0], hot);
    EXPECT_EQ(unit.Respond("VT"), "vt 24000,0,0,0,0,0");
}

TEST(SimUnitTest, LayoutsReportModulesPerChannel) {
    struct Row {
        const char* Name;
        std::array<int, 4> Layout;
        std::array<const char*, 4> ModuleReplies; // "ILA A" to "ILA D"
        std::array<const char*, 4> LimitReplies;  // "ILB A" to "ILB D"
    };
    const Row rows[] = {
        {"one module per channel",
         {1, 1, 1, 1},
         {"il 00301,1", "il 00302,1", "il 00303,1", "il 00304,1"},
         {"il 1800,200", "il 1800,200", "il 1800,200", "il 1800,200"}},
        {"a module on A and B reports its serial on both",
         {2, 0, 1, 1},
         {"il 00301,2", "il 00301,0", "il 00302,1", "il 00303,1"},
         {"il 1800,200", "il 1800,200", "il 1800,200", "il 1800,200"}},
        {"one module spanning all four channels",
         {4, 0, 0, 0},
         {"il 00301,4", "il 00301,0", "il 00301,0", "il 00301,0"},
         {"il 1800,200", "il 1800,200", "il 1800,200", "il 1800,200"}},
        {"free channels report no module and no limits",
         {1, 0, 0, 1},
         {"il 00301,1", "il 00000,0", "il 00000,0", "il 00302,1"},
         {"il 1800,200", "il 0,0", "il 0,0", "il 1800,200"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        SimUnit unit;
        unit.SetLayout(row.Layout, 301);
        const std::string letters = "ABCD";
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(unit.Respond(std::string("ILA ") + letters[i]), row.ModuleReplies[i]);
            EXPECT_EQ(unit.Respond(std::string("ILB ") + letters[i]), row.LimitReplies[i]);
        }
    }
    SimUnit unit;
    EXPECT_THROW(unit.SetLayout({5, 0, 0, 0}), std::invalid_argument);
}

TEST(SimUnitTest, VariantsAndFirmwareReleases) {
    SimUnit m35;
    m35.SetLayout({1, 1, 1, 0});
    m35.SetM35(true);
    EXPECT_EQ(m35.Respond("ILC A"), "il 1800,200,100,100,1000");
    EXPECT_EQ(m35.Respond("ILC D"), "il 0,0,0,0,0") << "a free channel has no part C";

    struct Row {
        const char* Name;
        const char* Major;
        const char* Minor;
        const char* Reply;
    };
    const Row rows[] = {
        {"at the release threshold", "4", "23", "vr 04,23"},
        {"one minor above the threshold", "4", "24", "vr 04,24"},
        {"major release 5", "5", "0", "vr 05,00"},
        {"three-digit minor kept whole", "5", "100", "vr 05,100"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        SimIdentity identity;
        identity.FirmwareMajor = row.Major;
        identity.FirmwareMinor = row.Minor;
        SimUnit unit(identity);
        EXPECT_EQ(unit.Respond("VR"), row.Reply);
    }
}

TEST(SimUnitTest, MakerTextAnswersOneInfoQuery) {
    SimUnit unit;
    unit.ArmMakerText();
    const std::string first = unit.Respond("IF");
    EXPECT_EQ(first.rfind("Vantelmark", 0), 0u) << first;
    EXPECT_EQ(unit.Respond("IF"), "if RKM5,4.1,10001,1");
}

TEST(SimUnitTest, ErrorStateRidesOnMonitoringRepliesOnly) {
    SimUnit unit;
    unit.SetErrorCode(204);
    EXPECT_EQ(unit.Respond("ER"), "er 204");
    EXPECT_EQ(unit.Respond("VT"), "vt 24000,0,0,0,0,0;er 204");
    EXPECT_EQ(unit.Respond("TE"), "te 25-24,25-24,25-24,25-24;er 204");
    EXPECT_EQ(unit.Respond("VR"), "vr 05,01") << "position-read replies stay clean";
    unit.SetErrorCode(0);
    EXPECT_EQ(unit.Respond("VT"), "vt 24000,0,0,0,0,0");

    EXPECT_EQ(unit.ReceivedCommands(), (std::vector<std::string>{"ER", "VT", "TE", "VR", "VT"}));
}
