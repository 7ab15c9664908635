#include "support/Fakes.h"
#include "system/CTabDlg.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
using Pairs = std::vector<std::pair<std::int32_t, std::int32_t>>;

enum class Interpreter { Reply, Temperature, Voltage };

// One reply, what the page held before it, and what it must hold and log afterwards.
struct ReplyRow {
    const char* Name;
    Interpreter Kind;
    std::string Command;
    std::string Reply;
    std::function<void(CLumatrelDlg&)> Arrange;
    Strings Log;
    std::function<void(const CLumatrelDlg&)> Check;
};

Pairs UsedKeys(const ModuleKeyTable& table) {
    Pairs pairs;
    for (int i = 0; i < table.UsedCount(); ++i) {
        pairs.emplace_back(table.Entries()[i].Key, table.Entries()[i].Count);
    }
    return pairs;
}

// A page on the first tab of a system window, that tab selected.
class ReplyFixture {
public:
    ReplyFixture() : page(services.Services()) {
        window.Units[0] = &page;
        window.TabCtrl.AddPage("RKM5 No.1", &page, 1);
        window.TabCtrl.SelectPage(0);
        window.TabCtrl.SetSelectedItem("10001 No.1\nTesselSerNr:0201", 1);
        page.SystemWindow = &window;
    }

    void Run(Interpreter kind, const std::string& command, const std::string& reply) {
        switch (kind) {
        case Interpreter::Reply:
            page.InterpretReply(reply, command, 0);
            break;
        case Interpreter::Temperature:
            page.InterpretTemperature(reply);
            break;
        case Interpreter::Voltage:
            page.InterpretVoltage(reply);
            break;
        }
    }

    FakeServices services;
    CTabDlg window;
    CLumatrelDlg page;
};

void Serial201OnChannel(CLumatrelDlg& page, std::size_t channel, int registrations) {
    page.TesselSerNrText[channel] = "201";
    for (int i = 0; i < registrations; ++i) {
        page.SystemWindow->ChannelMap.RegisterModuleKey(201);
    }
}

const std::string kErr102 = "++ Error: Code 102, \"parameter out of range\"";

const ReplyRow kRows[] = {
    {"VrSetsMajorDotMinor",
     Interpreter::Reply,
     "VR",
     "vr 2,15",
     nullptr,
     {"Firmware version reported: vr 2,15"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.FirmwareText, "2.15"); }},
    {"VrAloneGivesADotAlone",
     Interpreter::Reply,
     "VR",
     "vr",
     nullptr,
     {"Firmware version reported: vr"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.FirmwareText, "."); }},
    {"StatusPartLoggedBeforeTheSummaryAndCurrentStillSet",
     Interpreter::Reply,
     "IY E 200",
     "iy A 200;er 102",
     [](CLumatrelDlg& p) { p.CurrentSetpoint[0] = 500; },
     {kErr102, "Current setting value(s) updated according to: iy A 200;er 102"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentSetpoint[0], 200);
         EXPECT_EQ(p.Controls.Channels[0].CurrentEdit, "200");
     }},
    {"StatusCodeZeroIsLoggedToo",
     Interpreter::Reply,
     "LC E 1",
     "lc E 1;er 0",
     nullptr,
     {"++ Error: Code 0, \"no error state\"", "Switch LC on/off: lc E 1;er 0"},
     nullptr},
    {"VantelmarkAtTheStartLogsNoStatusLine",
     Interpreter::Reply,
     "XX",
     "Vantelmark RKM5;ok 1",
     nullptr,
     {"** Vantelmark RKM5;ok 1 ** ok 1 **"},
     nullptr},
    {"VantelmarkInsideStillLogsTheStatusLine",
     Interpreter::Reply,
     "XX",
     "xx Vantelmark;er 5",
     nullptr,
     {"++ Error: 5 Unkonwn error code", "** xx Vantelmark;er 5 ** er 5 **"},
     nullptr},
    {"UpperCaseTokenIsUnknown",
     Interpreter::Reply,
     "VR",
     "VR 2,15",
     [](CLumatrelDlg& p) { p.FirmwareText = "1.0"; },
     {"++ reponse starts with unknown token: VR 2,15"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.FirmwareText, "1.0"); }},
    {"EmptyReplyHasNoToken",
     Interpreter::Reply,
     "VR",
     "",
     nullptr,
     {"Syntax: Command-Token not found"},
     nullptr},
    {"IfTakesTheThirdFieldAsSerialNumber",
     Interpreter::Reply,
     "IF",
     "if RKM5,HW3,10001,x",
     nullptr,
     {"Hardware Info: if RKM5,HW3,10001,x"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.SerNrText, "10001"); }},
    {"IfForAChannelOnlyLogs",
     Interpreter::Reply,
     "IF A",
     "if RKM5,HW3,10001,x",
     [](CLumatrelDlg& p) { p.SerNrText = "777"; },
     {"Hardware Info: if RKM5,HW3,10001,x"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.SerNrText, "777"); }},
    {"IlaStripsLeadingZerosAndTakesTheCount",
     Interpreter::Reply,
     "ILA B",
     "il 00123,2",
     nullptr,
     {"Tessel EEPROM-Info part A: il 00123,2"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TesselSerNrText[1], "123");
         EXPECT_EQ(p.ModuleCountText[1], "2");
         EXPECT_EQ(p.ModulesInUse[1], 2);
         // No old serial number: no key changes.
         EXPECT_EQ(UsedKeys(p.SystemWindow->ChannelMap), Pairs{});
         EXPECT_EQ(p.TesselGroupSerNr, -1);
     }},
    {"IlaWithoutFieldEmptiesSerialKeepsCountAndMovesTheKeyToZero",
     Interpreter::Reply,
     "ILA B",
     "il",
     [](CLumatrelDlg& p) {
         Serial201OnChannel(p, 1, 1);
         p.ModuleCountText[1] = "3";
         p.ModulesInUse[1] = 3;
     },
     {"Tessel EEPROM-Info part A: il"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TesselSerNrText[1], "");
         EXPECT_EQ(p.ModulesInUse[1], 0);
         EXPECT_EQ(p.ModuleCountText[1], "3");
         EXPECT_EQ(UsedKeys(p.SystemWindow->ChannelMap), (Pairs{{0, 1}}));
         EXPECT_EQ(p.TesselGroupSerNr, 0);
     }},
    {"IlaWithANewSerialReleasesTheOldKeyRegistersTheNewAndRetitlesTheTab",
     Interpreter::Reply,
     "ILA A",
     "il 0305,1",
     [](CLumatrelDlg& p) { Serial201OnChannel(p, 0, 2); },
     {"Tessel EEPROM-Info part A: il 0305,1"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TesselSerNrText[0], "305");
         EXPECT_EQ(UsedKeys(p.SystemWindow->ChannelMap), (Pairs{{201, 1}, {305, 1}}));
         EXPECT_EQ(p.TesselGroupSerNr, 305);
         EXPECT_EQ(p.SystemWindow->TabCtrl.Items[0].Title, "10001 No.1\nTesselSerNr:0305");
         EXPECT_EQ(p.SystemWindow->TabCtrl.Items[0].Image, 1);
     }},
    {"IlaWithTheSameSerialChangesNoKey",
     Interpreter::Reply,
     "ILA A",
     "il 201,1",
     [](CLumatrelDlg& p) { Serial201OnChannel(p, 0, 1); },
     {"Tessel EEPROM-Info part A: il 201,1"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(UsedKeys(p.SystemWindow->ChannelMap), (Pairs{{201, 1}}));
         EXPECT_EQ(p.TesselGroupSerNr, -1);
     }},
    {"IlaWithoutChannelLogsTheMappingLineFirst",
     Interpreter::Reply,
     "ILA",
     "il 123,1",
     nullptr,
     {"Cannot find Channel Adddres to map NumOfChannels", "Tessel EEPROM-Info part A: il 123,1"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.TesselSerNrText, (std::array<std::string, 4>{})); }},
    {"IlaDoesNotAcceptTheLettersEToH",
     Interpreter::Reply,
     "ILA E",
     "il 123,1",
     nullptr,
     {"Cannot find Channel Adddres to map NumOfChannels", "Tessel EEPROM-Info part A: il 123,1"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.TesselSerNrText, (std::array<std::string, 4>{})); }},
    {"IlbSetsMaximumWithUnitAndMinimum",
     Interpreter::Reply,
     "ILB C",
     "il 1500,300",
     nullptr,
     {"Tessel II EEPROM-Info part B: il 1500,300"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentMaxText[2], "1500mA");
         EXPECT_EQ(p.CurrentMinText[2], "300");
         EXPECT_EQ(p.Controls.Channels[2].MaxLabel, "1500mA");
         EXPECT_EQ(p.Controls.Channels[2].MinLabel, "300");
     }},
    {"IlbWithoutFieldKeepsBothLimits",
     Interpreter::Reply,
     "ILB C",
     "il",
     [](CLumatrelDlg& p) {
         p.CurrentMaxText[2] = "1400mA";
         p.CurrentMinText[2] = "250";
     },
     {"Tessel II EEPROM-Info part B: il"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentMaxText[2], "1400mA");
         EXPECT_EQ(p.CurrentMinText[2], "250");
     }},
    {"IlcStoresZeroAtTheEndAndKeepsTheRest",
     Interpreter::Reply,
     "ILC A",
     "il 250,100",
     [](CLumatrelDlg& p) {
         p.TesselInfoC[0] = {9, 9, 9, 9, 9};
     },
     {"Tessel II EEPROM-Info part C: il 250,100"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TesselInfoC[0], (std::array<std::int32_t, 5>{250, 100, 0, 9, 9}));
     }},
    {"IlcReadsAllFive",
     Interpreter::Reply,
     "ILC D",
     "il 1800,200,100,100,1000",
     nullptr,
     {"Tessel II EEPROM-Info part C: il 1800,200,100,100,1000"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TesselInfoC[3], (std::array<std::int32_t, 5>{1800, 200, 100, 100, 1000}));
     }},
    {"IlToAnotherQueryIsAWrongCommand",
     Interpreter::Reply,
     "ILD A",
     "il 1,2",
     nullptr,
     {"Wrong Command"},
     nullptr},
    {"IyReadOutOnM35GivesChannelATheLargest",
     Interpreter::Reply,
     "IY",
     "iy 500,600",
     [](CLumatrelDlg& p) { p.IsM35 = true; },
     {"actual values of current for channel A B C D read: iy 500,600"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentSetpoint, (std::array<std::int32_t, 4>{600, 600, 0, 0}));
         EXPECT_EQ(p.Controls.Channels[0].SliderPos, 600);
         // The slider stays within its range.
         EXPECT_EQ(p.Controls.Channels[2].SliderPos, 200);
         EXPECT_EQ(p.Controls.Channels[2].CurrentEdit, "0");
     }},
    {"IyReadOutWithoutM35TakesTheValuesAsTheyAre",
     Interpreter::Reply,
     "IY",
     "iy 300,400,500,600",
     nullptr,
     {"actual values of current for channel A B C D read: iy 300,400,500,600"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentSetpoint, (std::array<std::int32_t, 4>{300, 400, 500, 600}));
         EXPECT_EQ(p.Controls.Channels[3].SliderPos, 600);
     }},
    {"IyWithALetterSetsThatChannelOnly",
     Interpreter::Reply,
     "IY G 700",
     "iy G 700",
     nullptr,
     {"Current setting value(s) updated according to: iy G 700"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 700, 200}));
         EXPECT_EQ(p.Controls.Channels[2].SliderPos, 700);
         EXPECT_EQ(p.Controls.Channels[2].CurrentEdit, "700");
     }},
    {"IyWithAListSetsAllFourMissingOnesZero",
     Interpreter::Reply,
     "IY G 700",
     "iy 700",
     nullptr,
     {"Current setting value(s) updated according to: iy 700"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentSetpoint, (std::array<std::int32_t, 4>{700, 0, 0, 0}));
     }},
    {"IyListAfterSettingAppliesTheM35Rule",
     Interpreter::Reply,
     "IY 500",
     "iy 500,900,0,0",
     [](CLumatrelDlg& p) { p.IsM35 = true; },
     {"Current setting value(s) updated according to: iy 500,900,0,0"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentSetpoint, (std::array<std::int32_t, 4>{900, 900, 0, 0}));
     }},
    {"IyToADefaultCommandChangesNothing",
     Interpreter::Reply,
     "IY E 500 W",
     "iy E 500",
     nullptr,
     {"Default value(s) of current set for channel(s): iy E 500"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 200, 200}));
     }},
    {"IdSetsTheDeviceId",
     Interpreter::Reply,
     "ID",
     "id 7",
     nullptr,
     {"Device ID set: id 7"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.DeviceIdText, "7");
         EXPECT_EQ(p.Controls.DeviceId, "7");
     }},
    {"IdIgnoresTheStatusPart",
     Interpreter::Reply,
     "ID",
     "id 7;er 0",
     nullptr,
     {"++ Error: Code 0, \"no error state\"", "Device ID set: id 7;er 0"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.DeviceIdText, "7"); }},
    {"MoSetLogsTheModeThenThePowerOnNotice",
     Interpreter::Reply,
     "MO 2",
     "mo 2",
     [](CLumatrelDlg& p) { p.OperatingModeText = "Commmand-Mode"; },
     {"Operation mode set to: PWM Controlled-Mode",
      "New operation mode will come into effect after next power on!"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.OperatingMode, 2);
         EXPECT_EQ(p.OperatingModeText, "Commmand-Mode");
     }},
    {"MoQueryOfAnUnknownModeIsUndefinedAndCommandMode",
     Interpreter::Reply,
     "MO",
     "mo 7",
     [](CLumatrelDlg& p) { p.OperatingMode = 3; },
     {"Resp: mo 7, Current operation mode is: undefined"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.OperatingMode, 1); }},
    {"MoQueryOfBulbMode",
     Interpreter::Reply,
     "MO",
     "mo 0",
     nullptr,
     {"Resp: mo 0, Current operation mode is: Bulb-Mode"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.OperatingMode, 0); }},
    {"MoQueryOfAnalogModeCutsTheStatusPart",
     Interpreter::Reply,
     "MO",
     "mo 3;er 0",
     nullptr,
     {"++ Error: Code 0, \"no error state\"",
      "Resp: mo 3, Current operation mode is: Analog Controlled-Mode"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.OperatingMode, 3); }},
    {"TeKeepsTheSignOfANegativeReading",
     Interpreter::Reply,
     "TE",
     "te 31-28,-5-20,,",
     [](CLumatrelDlg& p) {
         p.TemperatureText = {"1", "1", "1", "1"};
     },
     {"Temperatures values updatetd: te 31-28,-5-20,,"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TemperatureText, (std::array<std::string, 4>{"31", "-5", "", ""}));
         EXPECT_EQ(p.TesselTemperatureText, (std::array<std::string, 4>{"28", "20", "", ""}));
     }},
    {"VtScalesTheLedReadings",
     Interpreter::Reply,
     "VT",
     "vt 24000,0,1000,0,0,0",
     nullptr,
     {"Voltages updated: vt 24000,0,1000,0,0,0"},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.InputVoltageText, "24000");
         EXPECT_EQ(p.AnalogVoltageText, "0");
         EXPECT_EQ(p.VoltageText, (std::array<std::string, 4>{"18400", "0", "0", "0"}));
     }},
    {"VtSummaryShowsTheWholeReply",
     Interpreter::Reply,
     "VT",
     "vt 1,2,3,4,5,6;er 204",
     nullptr,
     {"++ Error: Code 204, \"warning temperature exeeds limits\"",
      "Voltages updated: vt 1,2,3,4,5,6;er 204"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.VoltageText[3], "110"); }},
    {"ErZeroIsTheUnitsState",
     Interpreter::Reply,
     "ER",
     "er 0",
     nullptr,
     {"RKM5: Code 0, \"no error state\""},
     nullptr},
    {"ErOtherCodeIsAnError",
     Interpreter::Reply,
     "ER",
     "er 205",
     nullptr,
     {"++ Error: Code 205, \"maximum temperature exeeded\""},
     nullptr},
    {"IpStatic",
     Interpreter::Reply,
     "IP",
     "ip M 192.168.1.20",
     nullptr,
     {"static IP-Address: 192.168.1.20"},
     nullptr},
    {"IpDhcp",
     Interpreter::Reply,
     "IP",
     "ip D 10.0.0.7",
     nullptr,
     {"DHCP IP-Address: 10.0.0.7"},
     nullptr},
    {"IpOtherKind",
     Interpreter::Reply,
     "IP",
     "ip X 10.0.0.7",
     nullptr,
     {"IP-Address: 10.0.0.7"},
     nullptr},
    {"LcLogsOnly",
     Interpreter::Reply,
     "LC E 1",
     "lc E 1",
     nullptr,
     {"Switch LC on/off: lc E 1"},
     nullptr},
    {"SdLogsOnly",
     Interpreter::Reply,
     "SD 1",
     "sd 1",
     nullptr,
     {"Activate Shutdown Input: sd 1"},
     nullptr},
    {"FaLogsOnly", Interpreter::Reply, "FA", "fa 3", nullptr, {"Control Flags A: fa 3"}, nullptr},
    {"FbLogsOnly", Interpreter::Reply, "FB", "fb 0", nullptr, {"Control Flags B: fb 0"}, nullptr},
    {"FcLogsOnly", Interpreter::Reply, "FC", "fc 1", nullptr, {"Control Flags C: fc 1"}, nullptr},
    {"StLogsOnly",
     Interpreter::Reply,
     "ST A",
     "st 60,80",
     nullptr,
     {"set temperature limits: st 60,80"},
     nullptr},
    {"SvLogsOnly",
     Interpreter::Reply,
     "SV",
     "sv 20000,30000",
     nullptr,
     {"set voltage limits: sv 20000,30000"},
     nullptr},

    {"TemperatureReplySetsEightTextsSilently",
     Interpreter::Temperature,
     "TE",
     "te 31-28,30-27,29-26,35-30",
     nullptr,
     {},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TemperatureText, (std::array<std::string, 4>{"31", "30", "29", "35"}));
         EXPECT_EQ(p.TesselTemperatureText, (std::array<std::string, 4>{"28", "27", "26", "30"}));
     }},
    {"TemperatureReplyOfOneChannelEmptiesTheOthers",
     Interpreter::Temperature,
     "TE",
     "te 31-28",
     [](CLumatrelDlg& p) {
         p.TemperatureText = {"1", "1", "1", "1"};
     },
     {},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.TemperatureText, (std::array<std::string, 4>{"31", "", "", ""}));
         EXPECT_EQ(p.TesselTemperatureText, (std::array<std::string, 4>{"28", "", "", ""}));
     }},
    {"TemperatureNegativeTesselReading",
     Interpreter::Temperature,
     "TE",
     "te 31--5,0-0,1-1,2-2",
     nullptr,
     {},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.TesselTemperatureText[0], "-5"); }},
    {"TemperatureEmptyReply",
     Interpreter::Temperature,
     "TE",
     "",
     nullptr,
     {"++ Error: Invalid or no response from device"},
     nullptr},
    {"TemperatureUpperCaseTokenIsWrong",
     Interpreter::Temperature,
     "TE",
     "TE 31-28",
     [](CLumatrelDlg& p) { p.TemperatureText[0] = "20"; },
     {"Wrong response to TE command: TE 31-28"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.TemperatureText[0], "20"); }},
    {"TemperatureVantelmarkReply",
     Interpreter::Temperature,
     "TE",
     "Vantelmark x;note 1",
     nullptr,
     {"** Vantelmark x ** note 1 **"},
     nullptr},
    {"TemperatureStatusPartLoggedAndReadingsTaken",
     Interpreter::Temperature,
     "TE",
     "te 31-28,30-27,29-26,35-30;er 205",
     nullptr,
     {"++ Error: Code 205, \"maximum temperature exeeded\""},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.TesselTemperatureText[3], "30"); }},
    {"VoltageReplySetsAllReadingsSilently",
     Interpreter::Voltage,
     "VT",
     "vt 24100,3300,1000,950.5,0,12",
     nullptr,
     {},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.InputVoltageText, "24100");
         EXPECT_EQ(p.AnalogVoltageText, "3300");
         EXPECT_EQ(p.VoltageText, (std::array<std::string, 4>{"18400", "17489", "0", "220"}));
     }},
    {"VoltageStatusPartLoggedAndReadingsTaken",
     Interpreter::Voltage,
     "VT",
     "vt 24100,3300,1000,1000,1000,1000;er 204",
     nullptr,
     {"++ Error: Code 204, \"warning temperature exeeds limits\""},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.InputVoltageText, "24100");
         EXPECT_EQ(p.VoltageText, (std::array<std::string, 4>{"18400", "18400", "18400", "18400"}));
     }},
    {"VoltageMissingValuesGiveEmptyTextsAndZeroMillivolts",
     Interpreter::Voltage,
     "VT",
     "vt 24100",
     nullptr,
     {},
     [](const CLumatrelDlg& p) {
         EXPECT_EQ(p.InputVoltageText, "24100");
         EXPECT_EQ(p.AnalogVoltageText, "");
         EXPECT_EQ(p.VoltageText, (std::array<std::string, 4>{"0", "0", "0", "0"}));
     }},
    {"VoltageEmptyReply",
     Interpreter::Voltage,
     "VT",
     "",
     nullptr,
     {"Syntax: Command-Token not found"},
     nullptr},
    {"VoltageOtherTokenIsWrong",
     Interpreter::Voltage,
     "VT",
     "te 1-2",
     [](CLumatrelDlg& p) { p.InputVoltageText = "1"; },
     {"Wrong response to VT command: te 1-2"},
     [](const CLumatrelDlg& p) { EXPECT_EQ(p.InputVoltageText, "1"); }},
    {"VoltageVantelmarkWithoutVtToken",
     Interpreter::Voltage,
     "VT",
     "Vantelmark RKM5",
     nullptr,
     {"** Vantelmark RKM5 **  **"},
     nullptr},
};

class Replies : public testing::TestWithParam<ReplyRow> {};

TEST_P(Replies, SetMembersAndLog) {
    const ReplyRow& row = GetParam();
    ReplyFixture fx;
    if (row.Arrange) {
        row.Arrange(fx.page);
    }
    const std::size_t before = fx.page.Controls.LogEntries.size();
    fx.Run(row.Kind, row.Command, row.Reply);
    const Strings& entries = fx.page.Controls.LogEntries;
    EXPECT_EQ(Strings(entries.begin() + static_cast<std::ptrdiff_t>(before), entries.end()),
              row.Log);
    if (row.Check) {
        row.Check(fx.page);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Replies, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<ReplyRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(ChangeModuleKey, RetitlingCutsAtTheFirstMarkerOrReplacesTheWholeTitle) {
    ReplyFixture fx;
    fx.window.TabCtrl.SetSelectedItem("NC:10001 TesselSerNr:0001 TesselSerNr:0002", 0);
    fx.page.ChangeModuleKey("1", "42");
    EXPECT_EQ(fx.window.TabCtrl.Items[0].Title, "NC:10001 TesselSerNr:0042");
    EXPECT_EQ(fx.window.TabCtrl.Items[0].Image, 0);

    fx.window.TabCtrl.SetSelectedItem("no marker", 1);
    fx.page.ChangeModuleKey("42", "12345");
    EXPECT_EQ(fx.window.TabCtrl.Items[0].Title, "TesselSerNr:12345");
}

TEST(ChangeModuleKey, OnlyTheFirst255CharactersOfTheTitleCount) {
    ReplyFixture fx;
    // The marker lies beyond what is read of the title, so no marker is found and the title
    // read goes as a whole.
    fx.window.TabCtrl.SetSelectedItem(std::string(255, 'x') + "TesselSerNr:0001", 1);
    fx.page.ChangeModuleKey("1", "2");
    EXPECT_EQ(fx.window.TabCtrl.Items[0].Title, "TesselSerNr:0002");

    fx.window.TabCtrl.SetSelectedItem(std::string(254, 'x') + "TesselSerNr:0002", 1);
    fx.page.ChangeModuleKey("2", "3");
    EXPECT_EQ(fx.window.TabCtrl.Items[0].Title, "TesselSerNr:0003");

    fx.window.TabCtrl.SetSelectedItem(std::string(243, 'x') + "TesselSerNr:0003", 1);
    fx.page.ChangeModuleKey("3", "4");
    EXPECT_EQ(fx.window.TabCtrl.Items[0].Title, std::string(243, 'x') + "TesselSerNr:0004");
}

TEST(ChangeModuleKey, WithoutASystemWindowOnlyTheGroupChanges) {
    FakeServices services;
    CLumatrelDlg page(services.Services());
    page.ChangeModuleKey("201", "305");
    EXPECT_EQ(page.TesselGroupSerNr, 305);
}

TEST(InterpretReply, ReportsToTheCallersLogTarget) {
    ReplyFixture fx;
    std::FILE* info = std::tmpfile();
    ASSERT_NE(info, nullptr);
    fx.page.InfoFile = info;
    fx.page.InterpretReply("mo 1;er 0", "MO 1", 1);
    std::rewind(info);
    std::string written(256, '\0');
    written.resize(std::fread(written.data(), 1, written.size(), info));
    fx.page.InfoFile = nullptr;
    std::fclose(info);
    EXPECT_EQ(written, "++ Error: Code 0, \"no error state\"\n"
                       "Operation mode set to: Commmand-Mode\n"
                       "New operation mode will come into effect after next power on!\n");
}

} // namespace
