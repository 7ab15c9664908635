#include "platform/Format.h"
#include "support/Fakes.h"
#include "unit/CLumatrelDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;

std::string ExpectedStartLine() {
    return Format("*** Start Lumatrel  *  Version %d.%d.%d.0 ***", LUMATREL_VERSION_MAJOR,
                  LUMATREL_VERSION_MINOR, LUMATREL_VERSION_PATCH);
}

TEST(PageStartUp, ANewPageShowsItsDefaults) {
    FakeServices services;
    CLumatrelDlg page(services.Services());
    EXPECT_EQ(page.Controls.OperatingMode, "Statisch"); // the window's resource text
    EXPECT_EQ(page.OnInitDialog(), 1);

    const PageControls& controls = page.Controls;
    EXPECT_EQ(controls.Interface, "--");
    EXPECT_EQ(controls.DeviceId, "1");
    EXPECT_EQ(controls.OperatingMode, "");
    for (const ChannelControls& channel : controls.Channels) {
        EXPECT_EQ(channel.CurrentEdit, "200");
        EXPECT_FALSE(channel.OnOff);
        EXPECT_EQ(channel.SliderMin, 200);
        EXPECT_EQ(channel.SliderMax, 1800);
        EXPECT_EQ(channel.SliderPos, 200);
        EXPECT_EQ(channel.SliderTickStep, 5);
        EXPECT_EQ(channel.MinLabel, "200");
        EXPECT_EQ(channel.MaxLabel, "1800mA");
    }
    // Without modules every panel is emptied: no caption, none of its controls shown.
    EXPECT_EQ(controls.Channels[3].Caption, "");
    EXPECT_FALSE(controls.Channels[3].IsVisible(PanelControl::OnOff));
    EXPECT_TRUE(controls.LogListVisible);
    EXPECT_FALSE(controls.LastLogVisible);
    EXPECT_FALSE(controls.ClearLogVisible);
    EXPECT_FALSE(controls.SaveLogVisible);

    // The box sorts what is added.
    EXPECT_EQ(controls.CommandBox.Entries, (Strings{"IF", "ILA A", "ILB A", "LC 0", "LC 1", "VR"}));
    // The start text spans two entries.
    EXPECT_EQ(controls.LogEntries,
              (Strings{ExpectedStartLine(),
                       ">> From menu chose an interface and \"connect\" to begin."}));
    EXPECT_EQ(page.LastLogText,
              ExpectedStartLine() + "\n>> From menu chose an interface and \"connect\" to begin.");

    EXPECT_EQ(page.PortRs232, "COM1");
    EXPECT_EQ(page.Baudrate, 115200);
    EXPECT_EQ(page.IpAdr, CLumatrelDlg::DefaultDeviceAddress);
    EXPECT_EQ(page.IpPort, 23);
    EXPECT_EQ(page.SliderScale, 1);
    EXPECT_EQ(page.OperatingMode, 1);
    EXPECT_EQ(page.VersionMissing, 0);
}

TEST(PageStartUp, SetsAgainWhatItOwnsAndKeepsWhatWasChosen) {
    FakeServices services;
    CLumatrelDlg page(services.Services());
    page.PortRs232 = "COM4";
    page.IpAdr = "127.0.0.1";
    page.HostName = "rkm5.local";
    page.Baudrate = 9600;
    page.IpPort = 2323;
    page.IsM35 = true;
    page.OperatingMode = 3;
    page.CurrentSetpoint = {900, 900, 900, 900};
    page.ModulesInUse = {1, 1, 1, 1};
    page.ModulesPerChannel = {2, 0, 1, 1};
    page.Controls.Channels[1].OnOff = true;
    page.Controls.Channels[1].SetSliderRange(300, 1500);
    page.Controls.Channels[1].SetSliderPos(900);

    page.OnInitDialog();
    EXPECT_EQ(page.PortRs232, "COM4");
    EXPECT_EQ(page.IpAdr, "127.0.0.1");
    EXPECT_EQ(page.HostName, "");
    EXPECT_EQ(page.Baudrate, 115200);
    EXPECT_EQ(page.IpPort, 23);
    EXPECT_FALSE(page.IsM35);
    EXPECT_EQ(page.OperatingMode, 1);
    EXPECT_EQ(page.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 200, 200}));
    EXPECT_EQ(page.ModulesInUse, (std::array<std::int32_t, 4>{}));
    EXPECT_EQ(page.ModulesPerChannel, (std::array<std::int32_t, 4>{}));
    EXPECT_FALSE(page.Controls.Channels[1].OnOff);
    EXPECT_EQ(page.Controls.Channels[1].SliderMin, 200);
    EXPECT_EQ(page.Controls.Channels[1].SliderMax, 1800);
    EXPECT_EQ(page.Controls.Channels[1].SliderPos, 200);
}

TEST(PageStartUp, AFilledCommandBoxGetsNoDefaultEntries) {
    FakeServices services;
    CLumatrelDlg page(services.Services());
    page.Controls.CommandBox.AddSorted("TE");
    page.OnInitDialog();
    EXPECT_EQ(page.Controls.CommandBox.Entries, Strings{"TE"});
}

TEST(PageStartUp, AboutLineShowsTheVersionOfTheBuild) {
    EXPECT_EQ(CLumatrelDlg::AboutVersionLine(),
              Format("Lumatrel Version (64bit) = %d.%d.%d", LUMATREL_VERSION_MAJOR,
                     LUMATREL_VERSION_MINOR, LUMATREL_VERSION_PATCH));
}

TEST(CommandBoxControl, SortsIgnoringLetterCaseAndPutsEqualEntriesAfter) {
    CommandBoxControl box;
    EXPECT_EQ(box.AddSorted("vr"), 0);
    EXPECT_EQ(box.AddSorted("IF"), 0);
    EXPECT_EQ(box.AddSorted("VR"), 2);
    EXPECT_EQ(box.AddSorted("lc 1"), 1);
    EXPECT_EQ(box.Entries, (Strings{"IF", "lc 1", "vr", "VR"}));
}

// One read-back of a current box: what it holds, the channel's range labels, and the outcome.
struct EntryRow {
    const char* Name;
    std::size_t Channel;
    const char* Text;
    const char* MinText;
    const char* MaxText;
    bool Accepted;
    const char* Message; // shown when refused
    std::int32_t Setpoint;
};

const EntryRow kEntryRows[] = {
    {"WithinTheDefaultRange", 1, "250", "200", "1800mA", true, "", 250},
    {"LowerBoundAccepted", 0, "200", "200", "1800mA", true, "", 200},
    {"UpperBoundAccepted", 3, "1800", "200", "1800mA", true, "", 1800},
    {"BlanksAroundAccepted", 2, " 300 ", "200", "1800mA", true, "", 300},
    {"BelowTheRangeNamesBothBounds", 1, "150", "200", "1800mA", false,
     "Enter an integer between 200 and 1800.", 200},
    {"AboveTheRangeNamesBothBounds", 2, "1801", "200", "1800mA", false,
     "Enter an integer between 200 and 1800.", 200},
    {"ModuleLimitsAreTheBounds", 3, "1600", "300", "1500mA", false,
     "Enter an integer between 300 and 1500.", 200},
    {"NegativeValueIsOutOfRange", 0, "-5", "200", "1800mA", false,
     "Enter an integer between 200 and 1800.", 200},
    {"LettersAreNoInteger", 0, "12a", "200", "1800mA", false, "Enter an integer.", 200},
    {"EmptyBoxIsNoInteger", 1, "", "200", "1800mA", false, "Enter an integer.", 200},
    {"FractionIsNoInteger", 2, "250.5", "200", "1800mA", false, "Enter an integer.", 200},
};

class CurrentEntries : public testing::TestWithParam<EntryRow> {};

TEST_P(CurrentEntries, AreValidatedAgainstTheRangeLabels) {
    const EntryRow& row = GetParam();
    FakeServices services;
    CLumatrelDlg page(services.Services());
    page.CurrentMinText[row.Channel] = row.MinText;
    page.CurrentMaxText[row.Channel] = row.MaxText;
    page.ShowEntries();
    page.Controls.Channels[row.Channel].CurrentEdit = row.Text;

    EXPECT_EQ(page.ReadEntries(), row.Accepted);
    EXPECT_EQ(page.CurrentSetpoint[row.Channel], row.Setpoint);
    if (row.Accepted) {
        EXPECT_TRUE(services.prompter.Messages.empty());
        EXPECT_EQ(page.Controls.FailedControl, 0);
    } else {
        EXPECT_EQ(services.prompter.Messages, Strings{row.Message});
        EXPECT_EQ(page.Controls.FailedControl,
                  kChannelControlIds[row.Channel]
                      .Controls[static_cast<std::size_t>(PanelControl::CurrentEdit)]);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, CurrentEntries, testing::ValuesIn(kEntryRows),
                         [](const testing::TestParamInfo<EntryRow>& info) {
                             return std::string(info.param.Name);
                         });

TEST(ReadEntries, StopsAtTheFirstRefusedBoxInChannelOrder) {
    FakeServices services;
    CLumatrelDlg page(services.Services());
    page.ShowEntries();
    PageControls& controls = page.Controls;
    controls.Channels[0].CurrentEdit = "400";
    controls.Channels[1].CurrentEdit = "x";
    controls.Channels[2].CurrentEdit = "90";
    controls.Channels[3].CurrentEdit = "900";
    controls.DeviceId = "5";

    EXPECT_FALSE(page.ReadEntries());
    // Only the first failure is reported; later boxes and members are not read.
    EXPECT_EQ(services.prompter.Messages, Strings{"Enter an integer."});
    EXPECT_EQ(services.prompter.Icons, std::vector<MessageIcon>{MessageIcon::Warning});
    EXPECT_EQ(controls.FailedControl, 1006);
    EXPECT_EQ(page.CurrentSetpoint, (std::array<std::int32_t, 4>{400, 200, 200, 200}));
    EXPECT_EQ(page.DeviceIdText, "1");
}

TEST(ReadEntries, ReadsEveryBoundControlWhenAllBoxesAreValid) {
    FakeServices services;
    CLumatrelDlg page(services.Services());
    page.Controls.FailedControl = 1005;
    page.ShowEntries();
    page.Controls.Channels[3].CurrentEdit = "1750";
    page.Controls.DeviceId = "5";
    EXPECT_TRUE(page.ReadEntries());
    EXPECT_EQ(page.CurrentSetpoint, (std::array<std::int32_t, 4>{200, 200, 200, 1750}));
    EXPECT_EQ(page.DeviceIdText, "5");
    EXPECT_EQ(page.InterfaceText, "--");
    EXPECT_EQ(page.CurrentMaxText[3], "1800mA");
    EXPECT_EQ(page.Controls.FailedControl, 0);
}

TEST(ShowEntries, ReplacesWhatWasTypedButNotReadBack) {
    FakeServices services;
    CLumatrelDlg page(services.Services());
    page.Controls.Channels[0].CurrentEdit = "999";
    page.AppendLog("x", 0);
    EXPECT_EQ(page.Controls.Channels[0].CurrentEdit, "200");
}

TEST(ChannelControls, SliderKeepsItsPositionWithinItsRange) {
    ChannelControls channel;
    channel.SetSliderPos(5000);
    EXPECT_EQ(channel.SliderPos, 1800);
    channel.SetSliderPos(-3);
    EXPECT_EQ(channel.SliderPos, 200);
    channel.SetSliderPos(1000);
    channel.SetSliderRange(300, 900);
    EXPECT_EQ(channel.SliderPos, 900);
}

} // namespace
