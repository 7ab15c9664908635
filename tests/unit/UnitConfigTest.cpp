// A unit page's three sections of a configuration file, written into and read from the file's
// image.
#include "platform/IniFile.h"
#include "support/Fakes.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

struct Page {
    Page() { page.OnInitDialog(); }
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
};

IniFile Parsed(const std::string& bytes) {
    IniFile file;
    file.Parse(bytes);
    return file;
}

TEST(UnitConfigWrite, NewSectionsHoldTheKeysInOrderAndEndWithAnEmptyLine) {
    Page p;
    CLumatrelDlg& page = p.page;
    page.MonitorVoltage = 0;
    page.SerNr = "10017";
    page.UsedIf = "TCP";
    page.ChannelAssignment = 1;
    page.OperatingMode = 2;
    page.PortRs232 = "COM4";
    page.Baudrate = 57600;
    page.IpAdr = "192.168.1.44";
    page.IpPort = 2323;
    page.ManualIp = true;
    page.Controls.CommandBox.Entries = {"IY A 500", "VR"};
    page.ModulesPerChannel = {2, 0, 1, 3};

    IniFile file;
    page.WriteInterfaceSettings(3, file, true);
    page.WriteCommandList(3, file, true);
    page.WriteChannelMap(3, file, true);
    EXPECT_EQ(file.Serialize(), "[interface_Rkm5_3]\r\n"
                                "MonitorTemperature=On\r\n"
                                "MonitorVoltage=Off\r\n"
                                "MonitorError=On\r\n"
                                "SerNr=10017\r\n"
                                "UsedIf=TCP\r\n"
                                "ChannelAssignment=1\r\n"
                                "OperatingMode=2\r\n"
                                "portRS232=COM4\r\n"
                                "baudrate=57600\r\n"
                                "IpAdr=192.168.1.44\r\n"
                                "IpPort=2323\r\n"
                                "manualIp=1\r\n"
                                "\r\n"
                                "[CommandList_Rkm5_3]\r\n"
                                "count=2\r\n"
                                "Line_0=IY A 500\r\n"
                                "Line_1=VR\r\n"
                                "\r\n"
                                "[channelMap_Rkm5_3]\r\n"
                                "channel_A=2\r\n"
                                "channel_B=0\r\n"
                                "channel_C=1\r\n"
                                "channel_D=3\r\n"
                                "\r\n");
}

TEST(UnitConfigWrite, ExistingSectionsAreUpdatedInPlaceWithoutNewEmptyLines) {
    Page p;
    p.page.ModulesPerChannel = {1, 1, 1, 1};
    p.page.Controls.CommandBox.Entries.clear();
    IniFile file = Parsed("[channelMap_Rkm5_0]\r\nchannel_A=0\r\nchannel_D=0\r\n"
                          "[CommandList_Rkm5_0]\r\ncount=2\r\nLine_0=VR\r\nLine_1=IF\r\n");
    p.page.WriteChannelMap(0, file, false);
    p.page.WriteCommandList(0, file, false);
    // New keys follow the section's last line; lines beyond the new count stay.
    EXPECT_EQ(file.Serialize(), "[channelMap_Rkm5_0]\r\nchannel_A=1\r\nchannel_D=1\r\n"
                                "channel_B=1\r\nchannel_C=1\r\n"
                                "[CommandList_Rkm5_0]\r\ncount=0\r\nLine_0=VR\r\nLine_1=IF\r\n");
}

TEST(UnitConfigWrite, SixtyCommandLinesAreSavedAsTheFirstFifty) {
    Page p;
    CommandBoxControl& box = p.page.Controls.CommandBox;
    box.Entries.clear();
    for (int i = 0; i < 60; ++i) {
        box.AddSorted("IY A " + std::to_string(1000 + i));
    }
    IniFile file;
    p.page.WriteCommandList(0, file, true);
    EXPECT_EQ(file.ReadInt("CommandList_Rkm5_0", "count", -1), 50);
    EXPECT_EQ(file.KeyNames("CommandList_Rkm5_0").size(), 51u);
    EXPECT_EQ(file.ReadString("CommandList_Rkm5_0", "Line_0", ""), "IY A 1000");
    EXPECT_EQ(file.ReadString("CommandList_Rkm5_0", "Line_49", ""), "IY A 1049");
    EXPECT_FALSE(file.Find("CommandList_Rkm5_0", "Line_50"));
    EXPECT_EQ(box.Entries.size(), 60u) << "the box itself keeps all its lines";
}

TEST(UnitConfigWrite, AnEmptyNewCommandListLeavesNoEmptyLine) {
    Page p;
    p.page.Controls.CommandBox.Entries.clear();
    IniFile file;
    p.page.WriteCommandList(1, file, true);
    EXPECT_EQ(file.Serialize(), "[CommandList_Rkm5_1]\r\ncount=0\r\n");
}

// --- The special values of the interface section, both ways.

TEST(UnitConfigSpecialValues, NoSerialNumberAndNoInterfaceAreWrittenAsTextsAndKept) {
    Page p;
    ASSERT_EQ(p.page.SerNr, "");
    ASSERT_EQ(p.page.UsedIf, "");
    IniFile file;
    p.page.WriteInterfaceSettings(0, file, true);
    EXPECT_EQ(file.Find("interface_Rkm5_0", "SerNr"), "no RKM5 selected");
    EXPECT_EQ(file.Find("interface_Rkm5_0", "UsedIf"), "no connection selected");
    EXPECT_EQ(p.page.SerNr, "no RKM5 selected");
    EXPECT_EQ(p.page.UsedIf, "no connection selected");
}

struct ReadRow {
    const char* name;
    const char* section; // the lines of "interface_Rkm5_0"
    // What the page holds before reading: MonitorTemperature, ManualIp.
    std::int32_t monitorBefore;
    std::string selectedIf;
    std::string usedIf;
    std::string serNr;
    std::int32_t monitorTemperature;
    bool manualIp;
};

class UnitConfigRead : public ::testing::TestWithParam<ReadRow> {};

TEST_P(UnitConfigRead, GivesTheFieldsTheirValues) {
    const ReadRow& row = GetParam();
    Page p;
    p.page.MonitorTemperature = row.monitorBefore;
    p.page.SelectedIf = "TCP";
    p.page.SerNr = "old";
    p.page.ReadInterfaceSettings(0, Parsed(std::string("[interface_Rkm5_0]\r\n") + row.section));
    EXPECT_EQ(p.page.SelectedIf, row.selectedIf);
    EXPECT_EQ(p.page.UsedIf, row.usedIf);
    EXPECT_EQ(p.page.SerNr, row.serNr);
    EXPECT_EQ(p.page.MonitorTemperature, row.monitorTemperature);
    EXPECT_EQ(p.page.ManualIp, row.manualIp);
}

INSTANTIATE_TEST_SUITE_P(
    Unit, UnitConfigRead,
    ::testing::Values(
        ReadRow{"NoConnectionSelectedReadsAsRs232", "UsedIf=no connection selected\r\n", 1, "RS232",
                "RS232", "", 1, false},
        ReadRow{"NoRkm5SelectedReadsAsNoSerialNumber", "SerNr=no RKM5 selected\r\nUsedIf=TCP\r\n",
                1, "TCP", "TCP", "", 1, false},
        ReadRow{"MissingKeysGiveTheFileDefaults", "", 0, "", "", "", 1, false},
        ReadRow{"OffClearsTheSwitch", "MonitorTemperature=Off\r\n", 1, "", "", "", 0, false},
        ReadRow{"OnSetsTheSwitch", "MonitorTemperature=On\r\n", 0, "", "", "", 1, false},
        ReadRow{"OtherTextLeavesTheSwitchAlone", "MonitorTemperature=on\r\n", 0, "", "", "", 0,
                false},
        ReadRow{"AnyNonZeroManualIpReadsAsSet", "manualIp=7\r\nSerNr=4711\r\n", 1, "", "", "4711",
                1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitConfigReadDefaults, AnEmptyFileGivesTheFileDefaults) {
    Page p;
    p.page.Baudrate = 9600;
    p.page.IpPort = 80;
    p.page.OperatingMode = 3;
    p.page.ChannelAssignment = 1;
    p.page.ModulesPerChannel = {1, 2, 3, 4};
    const IniFile empty;
    p.page.ReadInterfaceSettings(0, empty);
    p.page.ReadCommandList(0, empty);
    p.page.ReadChannelMap(0, empty);
    EXPECT_EQ(p.page.PortRs232, "");
    EXPECT_EQ(p.page.Baudrate, 115200);
    EXPECT_EQ(p.page.IpAdr, "");
    EXPECT_EQ(p.page.IpPort, 23);
    EXPECT_EQ(p.page.OperatingMode, 1);
    EXPECT_EQ(p.page.ChannelAssignment, 0);
    EXPECT_EQ(p.page.MonitorVoltage, 1);
    EXPECT_EQ(p.page.MonitorError, 1);
    EXPECT_TRUE(p.page.Controls.CommandBox.Entries.empty());
    EXPECT_EQ(p.page.ModulesPerChannel, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
}

TEST(UnitConfigReadCommands, TheListIsReplacedAndSortedAndBoundedByFifty) {
    Page p;
    std::string section = "[CommandList_Rkm5_2]\r\ncount=2000000000\r\n";
    for (int i = 0; i < 55; ++i) {
        section += "Line_" + std::to_string(i) + "=TE " + std::to_string(99 - i) + "\r\n";
    }
    p.page.ReadCommandList(2, Parsed(section));
    const Strings& entries = p.page.Controls.CommandBox.Entries;
    ASSERT_EQ(entries.size(), 50u);
    EXPECT_EQ(entries.front(), "TE 50") << "sorted, and the default entries are gone";
    EXPECT_EQ(entries.back(), "TE 99");

    p.page.ReadCommandList(2, Parsed("[CommandList_Rkm5_2]\r\ncount=-3\r\nLine_0=VR\r\n"));
    EXPECT_TRUE(p.page.Controls.CommandBox.Entries.empty());
}

// --- Numbers outside what their field can hold are refused, by key, and the default taken.

struct RangeRow {
    const char* name;
    const char* line; // one line of "interface_Rkm5_0" or "channelMap_Rkm5_0"
    std::int32_t CLumatrelDlg::*field;
    std::int32_t expected;
    const char* refused; // the start of the message naming the key; "" for none
};

void PrintTo(const RangeRow& row, std::ostream* os) {
    *os << row.name;
}

class UnitConfigRange : public ::testing::TestWithParam<RangeRow> {};

TEST_P(UnitConfigRange, RefusesWhatItsFieldCannotHold) {
    const RangeRow& row = GetParam();
    Page p;
    p.page.Baudrate = 4800;
    p.page.IpPort = 80;
    p.page.OperatingMode = 3;
    p.page.ChannelAssignment = 1;
    IniFile file;
    file.SetPath("/configs/halle3.ini");
    file.Parse(std::string("[interface_Rkm5_0]\r\n") + row.line + "\r\n");
    p.page.ReadInterfaceSettings(0, file);
    EXPECT_EQ(p.page.*row.field, row.expected);
    if (*row.refused == '\0') {
        EXPECT_TRUE(p.fs.prompter.Messages.empty());
    } else {
        ASSERT_EQ(p.fs.prompter.Messages.size(), 1u);
        const std::string& message = p.fs.prompter.Messages[0];
        EXPECT_EQ(message.rfind(row.refused, 0), 0u) << message;
        EXPECT_NE(message.find("/configs/halle3.ini"), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Unit, UnitConfigRange,
    ::testing::Values(
        RangeRow{"PortBeyondSixteenBitsIsRefused", "IpPort=67859", &CLumatrelDlg::IpPort, 23,
                 "IpPort=67859 in [interface_Rkm5_0] of /configs/halle3.ini is out of range "
                 "(1 to 65535); 23 is used"},
        RangeRow{"HighestPortIsKept", "IpPort=65535", &CLumatrelDlg::IpPort, 65535, ""},
        RangeRow{"LowestPortIsKept", "IpPort=1", &CLumatrelDlg::IpPort, 1, ""},
        RangeRow{"PortZeroIsRefused", "IpPort=0", &CLumatrelDlg::IpPort, 23, "IpPort=0 "},
        RangeRow{"NegativePortIsRefused", "IpPort=-23", &CLumatrelDlg::IpPort, 23, "IpPort=-23 "},
        RangeRow{"PortThatIsNoNumberIsRefused", "IpPort=telnet", &CLumatrelDlg::IpPort, 23,
                 "IpPort=telnet "},
        RangeRow{"EmptyPortTakesTheDefaultQuietly", "IpPort=", &CLumatrelDlg::IpPort, 23, ""},
        RangeRow{"NegativeBaudRateIsRefused", "baudrate=-9600", &CLumatrelDlg::Baudrate, 115200,
                 "baudrate=-9600 in [interface_Rkm5_0] of /configs/halle3.ini is out of range "
                 "(at least 1); 115200 is used"},
        RangeRow{"BaudRateZeroIsRefused", "baudrate=0", &CLumatrelDlg::Baudrate, 115200,
                 "baudrate=0 "},
        RangeRow{"BaudRateOffTheDialogsListIsKept", "baudrate=250000", &CLumatrelDlg::Baudrate,
                 250000, ""},
        RangeRow{"OperatingModeAboveAnalogIsRefused", "OperatingMode=4",
                 &CLumatrelDlg::OperatingMode, 1, "OperatingMode=4 "},
        RangeRow{"BulbModeIsKept", "OperatingMode=0", &CLumatrelDlg::OperatingMode, 0, ""},
        RangeRow{"AnalogModeIsKept", "OperatingMode=3", &CLumatrelDlg::OperatingMode, 3, ""},
        RangeRow{"AssignmentOtherThanAutomaticOrManualIsRefused", "ChannelAssignment=2",
                 &CLumatrelDlg::ChannelAssignment, 0, "ChannelAssignment=2 "},
        RangeRow{"ManualAssignmentIsKept", "ChannelAssignment=1", &CLumatrelDlg::ChannelAssignment,
                 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnitConfigRange, ModulesPerChannelBeyondFourAreRefusedChannelByChannel) {
    Page p;
    IniFile file;
    file.Parse("[channelMap_Rkm5_1]\r\nchannel_A=4\r\nchannel_B=5\r\nchannel_C=-1\r\n"
               "channel_D=0\r\n");
    p.page.ReadChannelMap(1, file);
    EXPECT_EQ(p.page.ModulesPerChannel, (std::array<std::int32_t, 4>{4, 0, 0, 0}));
    ASSERT_EQ(p.fs.prompter.Messages.size(), 2u);
    EXPECT_EQ(p.fs.prompter.Messages[0],
              "channel_B=5 in [channelMap_Rkm5_1] is out of range (0 to 4); 0 is used");
    EXPECT_EQ(p.fs.prompter.Messages[1].rfind("channel_C=-1 ", 0), 0u);
}

// --- Values come back whole, whatever their length or their ends.

TEST(UnitConfigRoundTrip, LongAndBlankEndedValuesReadBackWhole) {
    const std::string longLine = "IY A " + std::string(150, '7');
    const std::string longHost = std::string(120, 'h') + ".example.lan";
    const Strings lines = {" LC 1", "\"quoted\"", "'half", longLine, "tab\tinside"};

    Page writer;
    writer.page.IpAdr = longHost;
    writer.page.PortRs232 = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    writer.page.Controls.CommandBox.Entries.clear();
    for (const std::string& line : lines) {
        writer.page.Controls.CommandBox.AddSorted(line);
    }
    IniFile file;
    writer.page.WriteInterfaceSettings(0, file, true);
    writer.page.WriteCommandList(0, file, true);

    Page reader;
    const IniFile again = Parsed(file.Serialize());
    reader.page.ReadInterfaceSettings(0, again);
    reader.page.ReadCommandList(0, again);
    EXPECT_EQ(reader.page.IpAdr, longHost);
    EXPECT_EQ(reader.page.PortRs232, writer.page.PortRs232);
    EXPECT_EQ(reader.page.Controls.CommandBox.Entries, writer.page.Controls.CommandBox.Entries);
}

TEST(UnitConfigRoundTrip, ALineEndInAValueCannotStartAKeyOfItsOwn) {
    Page p;
    p.page.IpAdr = "10.0.0.1\r\n[General]\r\nCount_RKM5=20";
    IniFile file;
    p.page.WriteInterfaceSettings(0, file, true);
    const IniFile again = Parsed(file.Serialize());
    EXPECT_EQ(again.SectionNames(), Strings{"interface_Rkm5_0"});
    EXPECT_EQ(again.Find("interface_Rkm5_0", "IpAdr"), "10.0.0.1");
}

} // namespace
