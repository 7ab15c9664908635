// Saving, loading and restoring whole configurations through the system window, on real files
// in folders of the tests' own.
#include "platform/IniFile.h"
#include "platform/UserProfile.h"
#include "support/SystemRig.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::string>;
namespace fsys = std::filesystem;

std::string ReadBytes(const fsys::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const fsys::path& path, const std::string& bytes) {
    fsys::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string Label(int n) {
    return "RKM5 No." + std::to_string(n) + "\nTesselSerNr:";
}

// Saves through the File menu into path.
void SaveAs(SystemRig& rig, const fsys::path& path) {
    rig.fs.prompter.FileAnswers.push_back(path.string());
    rig.system.OnMenuCommand(SystemCommand::SaveConfiguration);
}

void LoadFrom(SystemRig& rig, const fsys::path& path) {
    rig.fs.prompter.FileAnswers.push_back(path.string());
    rig.system.OnMenuCommand(SystemCommand::LoadConfiguration);
}

// A window started on services whose files the test has laid out beforehand.
struct Startup {
    FakeServices fs;
    RecordingSystemView view;
    std::unique_ptr<CTabDlg> system;

    void WriteLastConfig(const std::string& bytes) const { WriteBytes(fs.LastConfigPath(), bytes); }
    void Start(int startWithLastConfig) {
        ASSERT_TRUE(WriteStartWithLastConfig(fs.profilePath, startWithLastConfig));
        system = std::make_unique<CTabDlg>(fs.Services());
        system->SetView(&view);
        system->OnInitDialog();
    }
    CLumatrelDlg& Page(int i) const { return *system->Units[static_cast<std::size_t>(i)]; }
};

// The lines of one unit with the settings of a new page, as a new file holds them.
std::string NewUnitSections(int n) {
    const std::string i = std::to_string(n);
    return "[interface_Rkm5_" + i +
           "]\r\n"
           "MonitorTemperature=On\r\nMonitorVoltage=On\r\nMonitorError=On\r\n"
           "SerNr=no RKM5 selected\r\nUsedIf=no connection selected\r\n"
           "ChannelAssignment=0\r\nOperatingMode=1\r\nportRS232=COM1\r\nbaudrate=115200\r\n"
           "IpAdr=192.168.1.20\r\nIpPort=23\r\nmanualIp=0\r\n\r\n";
}

std::string NewCommandSection(int n) {
    return "[CommandList_Rkm5_" + std::to_string(n) +
           "]\r\ncount=6\r\nLine_0=IF\r\nLine_1=ILA A\r\nLine_2=ILB A\r\nLine_3=LC 0\r\n"
           "Line_4=LC 1\r\nLine_5=VR\r\n\r\n";
}

std::string NewChannelSection(int n) {
    return "[channelMap_Rkm5_" + std::to_string(n) +
           "]\r\nchannel_A=0\r\nchannel_B=0\r\nchannel_C=0\r\nchannel_D=0\r\n\r\n";
}

TEST(ConfigurationSave, ANewFileHasAnEmptyLineAfterEverySection) {
    SystemRig rig;
    rig.system.AddUnit();
    TempFolder temp;
    SaveAs(rig, temp.Path() / "new.ini");

    EXPECT_EQ(ReadBytes(temp.Path() / "new.ini"),
              "[General]\r\nmodeView=0\r\nActualTab=0\r\nCount_RKM5=2\r\n\r\n" +
                  NewUnitSections(0) + NewUnitSections(1) + NewCommandSection(0) +
                  NewCommandSection(1) + NewChannelSection(0) + NewChannelSection(1));
    EXPECT_TRUE(rig.fs.prompter.Messages.empty());
    const FileDialogRequest& request = rig.fs.prompter.FileRequests.at(0);
    EXPECT_EQ(request.Title, "Select IniFile to save Config");
    EXPECT_EQ(request.FileName, "Config.ini") << "a name, never a pattern";
    EXPECT_FALSE(request.OverwritePrompt);
}

TEST(ConfigurationSave, ThreeUnitsIntoAFileOfFiveRemoveTheSectionsOfTheLastTwo) {
    SystemRig rig;
    for (int i = 1; i < 5; ++i) {
        rig.system.AddUnit();
    }
    TempFolder temp;
    const fsys::path path = temp.Path() / "five.ini";
    SaveAs(rig, path);
    // Someone else's section in the same file.
    WriteBytes(path, ReadBytes(path) + "[Service]\r\nlastVisit=2024-11-02\r\n");

    rig.system.TabCtrl.SelectPage(4);
    rig.system.RemoveUnit();
    rig.system.TabCtrl.SelectPage(1);
    rig.system.RemoveUnit();
    ASSERT_EQ(rig.system.UnitCount, 3);
    SaveAs(rig, path);

    IniFile file;
    ASSERT_TRUE(file.Load(path.string()));
    EXPECT_EQ(file.ReadInt("General", "Count_RKM5", -1), 3);
    EXPECT_EQ(file.SectionNames(),
              (Strings{"General", "interface_Rkm5_0", "interface_Rkm5_1", "interface_Rkm5_2",
                       "CommandList_Rkm5_0", "CommandList_Rkm5_1", "CommandList_Rkm5_2",
                       "channelMap_Rkm5_0", "channelMap_Rkm5_1", "channelMap_Rkm5_2", "Service"}));
    EXPECT_EQ(file.Find("Service", "lastVisit"), "2024-11-02");
}

TEST(ConfigurationSave, TheModuleViewIsSavedAsItsModeWithTheFirstTab) {
    SystemRig rig;
    rig.system.AddUnit();
    rig.system.AddUnit();
    rig.system.ViewMode = 1;
    rig.system.ActualTab = 2;
    TempFolder temp;
    SaveAs(rig, temp.Path() / "tessel.ini");

    IniFile file;
    ASSERT_TRUE(file.Load((temp.Path() / "tessel.ini").string()));
    EXPECT_EQ(file.ReadInt("General", "modeView", -1), 1);
    EXPECT_EQ(file.ReadInt("General", "ActualTab", -1), 0);
    EXPECT_EQ(rig.system.ViewMode, 0);
    EXPECT_EQ(rig.system.ActualTab, 0);
    EXPECT_TRUE(rig.system.MenuBarState().IsChecked(SystemCommand::UnitView));
}

TEST(ConfigurationSave, AFileThatCannotBeWrittenIsReportedAndNothingIsLeft) {
    SystemRig rig;
    TempFolder temp;
    WriteBytes(temp.Path() / "plain", "a file, not a folder");
    const fsys::path path = temp.Path() / "plain" / "config.ini";
    SaveAs(rig, path);

    ASSERT_EQ(rig.fs.prompter.Messages.size(), 1u);
    EXPECT_EQ(rig.fs.prompter.Messages[0].rfind(
                  "configuration could not be saved: " + path.string() + "\n", 0),
              0u)
        << rig.fs.prompter.Messages[0];
    EXPECT_GT(rig.fs.prompter.Messages[0].size(), path.string().size() + 36) << "with a reason";
}

TEST(ConfigurationSave, ASaveCutOffBeforeTheReplaceLeavesThePreviousFileWhole) {
    SystemRig rig;
    TempFolder temp;
    const fsys::path path = temp.Path() / "kept.ini";
    SaveAs(rig, path);
    const std::string before = ReadBytes(path);

    rig.system.AddUnit();
    rig.Page(0).IpAdr = "10.1.1.1";
    bool reached = false;
    rig.system.BeforeConfigurationReplace = [&](const std::string& temporaryPath) {
        // The new contents are complete in the temporary file at this point.
        reached = ReadBytes(temporaryPath).find("IpAdr=10.1.1.1") != std::string::npos;
        return false;
    };
    SaveAs(rig, path);

    EXPECT_TRUE(reached);
    EXPECT_EQ(ReadBytes(path), before);
    ASSERT_EQ(rig.fs.prompter.Messages.size(), 1u);
    EXPECT_EQ(rig.fs.prompter.Messages[0].rfind("configuration could not be saved: ", 0), 0u);
}

TEST(ConfigurationSave, CancellingTheDialogWritesNothing) {
    SystemRig rig;
    rig.system.ToggleStartWithLastConfig();
    rig.system.OnMenuCommand(SystemCommand::SaveConfiguration);
    EXPECT_EQ(ReadStartWithLastConfig(rig.fs.profilePath), 0);
    EXPECT_FALSE(fsys::exists(rig.fs.profilePath));
}

// --- A program's file read back, and a file from the field.

TEST(ConfigurationLoad, AProgramWrittenFileReadsBackIntoTheSameUnits) {
    SystemRig rig;
    rig.system.AddUnit();
    rig.system.AddUnit();
    CLumatrelDlg& a = rig.Page(0);
    a.SelectedIf = a.UsedIf = "TCP";
    a.IpAdr = std::string(110, 'x') + ".hall-3.lan";
    a.IpPort = 2323;
    a.ManualIp = true;
    a.SerNr = "10001";
    a.MonitorVoltage = 0;
    a.ModulesPerChannel = {2, 2, 0, 1};
    a.Controls.CommandBox.AddSorted("IY A " + std::string(140, '5'));
    CLumatrelDlg& c = rig.Page(2);
    c.UsedIf = "RS232";
    c.PortRs232 = "/dev/ttyUSB3";
    c.Baudrate = 38400;
    c.OperatingMode = 3;
    c.ChannelAssignment = 1;
    c.MonitorError = 0;
    c.Controls.CommandBox.Entries.clear();
    TempFolder temp;
    const fsys::path path = temp.Path() / "three.ini";
    SaveAs(rig, path);

    SystemRig other;
    LoadFrom(other, path);
    ASSERT_EQ(other.system.UnitCount, 3);
    EXPECT_TRUE(other.fs.prompter.Messages.empty());
    EXPECT_EQ(other.system.TabCtrl.Labels, (Strings{Label(1), Label(2), Label(3)}));
    EXPECT_EQ(other.system.TabCtrl.GetCurSel(), 2) << "the last created tab stays selected";
    EXPECT_EQ(other.system.ViewUnits, other.system.Units);
    EXPECT_TRUE(other.system.ConfigLoaded);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const CLumatrelDlg& saved = rig.Page(i);
        const CLumatrelDlg& loaded = other.Page(i);
        EXPECT_EQ(loaded.SystemWindow, &other.system);
        EXPECT_EQ(loaded.SelectedIf,
                  saved.UsedIf == "no connection selected" ? "RS232" : saved.UsedIf);
        EXPECT_EQ(loaded.UsedIf, loaded.SelectedIf);
        EXPECT_EQ(loaded.IpAdr, saved.IpAdr);
        EXPECT_EQ(loaded.IpPort, saved.IpPort);
        EXPECT_EQ(loaded.ManualIp, saved.ManualIp);
        EXPECT_EQ(loaded.SerNr, saved.SerNr == "no RKM5 selected" ? "" : saved.SerNr);
        EXPECT_EQ(loaded.PortRs232, saved.PortRs232);
        EXPECT_EQ(loaded.Baudrate, saved.Baudrate);
        EXPECT_EQ(loaded.OperatingMode, saved.OperatingMode);
        EXPECT_EQ(loaded.ChannelAssignment, saved.ChannelAssignment);
        EXPECT_EQ(loaded.MonitorTemperature, saved.MonitorTemperature);
        EXPECT_EQ(loaded.MonitorVoltage, saved.MonitorVoltage);
        EXPECT_EQ(loaded.MonitorError, saved.MonitorError);
        EXPECT_EQ(loaded.ModulesPerChannel, saved.ModulesPerChannel);
        EXPECT_EQ(loaded.Controls.CommandBox.Entries, saved.Controls.CommandBox.Entries);
    }
    // What was read shows in the menus and toolbar.
    EXPECT_EQ(other.Page(0).Controls.MonitorChecked, (std::array<bool, 3>{true, false, true}));
    EXPECT_TRUE(other.Page(0).Controls.TcpChecked);
    EXPECT_TRUE(other.Page(2).Controls.ManualAssignmentChecked);
    EXPECT_TRUE(other.Page(2).Controls.OperatingModeChecked[3]);
}

// Windows-1252 and CR LF, with keys and sections of its own, as such files come from the field.
std::string FieldFile(const char* actualTab) {
    return std::string("; Lumatrel Konfiguration \x96 B\xfchne Halle 3\r\n"
                       "[General]\r\n"
                       "modeView=0\r\n"
                       "ActualTab=") +
           actualTab +
           "\r\n"
           "Count_RKM5=2\r\n"
           "Bearbeiter=J\xfcrgen Wei\xdf\r\n"
           "\r\n"
           "[interface_Rkm5_0]\r\n"
           "MonitorTemperature=On\r\n"
           "MonitorVoltage=Off\r\n"
           "MonitorError=On\r\n"
           "SerNr=10001\r\n"
           "UsedIf=TCP\r\n"
           "ChannelAssignment=0\r\n"
           "OperatingMode=1\r\n"
           "portRS232=COM3\r\n"
           "baudrate=115200\r\n"
           "IpAdr = 192.168.10.31\r\n"
           "IpPort=23\r\n"
           "manualIp=1\r\n"
           "Standort=Decke \xfc"
           "ber B\xfchne\r\n"
           "\r\n"
           "[interface_Rkm5_1]\r\n"
           "MonitorTemperature=Off\r\n"
           "MonitorVoltage=On\r\n"
           "MonitorError=Off\r\n"
           "SerNr=no RKM5 selected\r\n"
           "UsedIf=RS232\r\n"
           "ChannelAssignment=1\r\n"
           "OperatingMode=0\r\n"
           "portRS232=COM7\r\n"
           "baudrate=9600\r\n"
           "IpAdr=\r\n"
           "IpPort=23\r\n"
           "manualIp=0\r\n"
           "\r\n"
           "[CommandList_Rkm5_0]\r\n"
           "count=2\r\n"
           "Line_0=IY A 800\r\n"
           "Line_1=VR\r\n"
           "Line_2=left over from an older list\r\n"
           "\r\n"
           "[CommandList_Rkm5_1]\r\n"
           "count=0\r\n"
           "\r\n"
           "[Notizen f\xfcr den Service]\r\n"
           "; Ger\xe4t 2 getauscht\r\n"
           "Datum=02.11.2024\r\n"
           "\r\n"
           "[channelMap_Rkm5_0]\r\n"
           "channel_A=1\r\n"
           "channel_B=1\r\n"
           "channel_C=0\r\n"
           "channel_D=2\r\n"
           "\r\n"
           "[channelMap_Rkm5_1]\r\n"
           "channel_A=0\r\n"
           "channel_B=0\r\n"
           "channel_C=0\r\n"
           "channel_D=0\r\n"
           "[Ende]\r\n"
           "letzte=Zeile ohne Zeilenende";
}

TEST(ConfigurationLoad, AFieldFileIsReadAndSavedBackOtherwiseUnchanged) {
    TempFolder temp;
    const fsys::path path = temp.Path() / "halle3.ini";
    WriteBytes(path, FieldFile("1"));
    SystemRig rig;
    LoadFrom(rig, path);

    ASSERT_EQ(rig.system.UnitCount, 2);
    EXPECT_TRUE(rig.fs.prompter.Messages.empty());
    EXPECT_EQ(rig.Page(0).SelectedIf, "TCP");
    EXPECT_EQ(rig.Page(0).IpAdr, "192.168.10.31");
    EXPECT_TRUE(rig.Page(0).ManualIp);
    EXPECT_EQ(rig.Page(0).MonitorVoltage, 0);
    EXPECT_EQ(rig.Page(0).ModulesPerChannel, (std::array<std::int32_t, 4>{1, 1, 0, 2}));
    EXPECT_EQ(rig.Page(0).Controls.CommandBox.Entries, (Strings{"IY A 800", "VR"}));
    EXPECT_EQ(rig.Page(1).SelectedIf, "RS232");
    EXPECT_EQ(rig.Page(1).SerNr, "");
    EXPECT_EQ(rig.Page(1).PortRs232, "COM7");
    EXPECT_EQ(rig.Page(1).Baudrate, 9600);
    EXPECT_EQ(rig.Page(1).OperatingMode, 0);
    EXPECT_EQ(rig.Page(1).ChannelAssignment, 1);
    EXPECT_TRUE(rig.Page(1).Controls.CommandBox.Entries.empty());

    // The load does not take the file's tab; the save stores the window's.
    SaveAs(rig, path);
    EXPECT_TRUE(rig.fs.prompter.Messages.empty());
    EXPECT_EQ(ReadBytes(path), FieldFile("0"));
}

TEST(ConfigurationLoad, IsRefusedWhileAUnitIsConnected) {
    SystemRig rig;
    rig.system.AddUnit();
    rig.Connect(1, 0);
    ASSERT_NE(rig.Page(1).Link, nullptr);
    TempFolder temp;
    WriteBytes(temp.Path() / "one.ini", "[General]\r\nCount_RKM5=1\r\n");
    CLumatrelDlg* const before = &rig.Page(0);

    LoadFrom(rig, temp.Path() / "one.ini");

    EXPECT_EQ(rig.fs.prompter.Messages,
              Strings{"Load only possible if all connections are closed"});
    EXPECT_TRUE(rig.fs.prompter.FileRequests.empty()) << "no file dialog";
    EXPECT_EQ(rig.system.UnitCount, 2);
    EXPECT_EQ(&rig.Page(0), before);
    EXPECT_FALSE(rig.system.ConfigLoaded);
}

TEST(ConfigurationLoad, ALoadedConfigurationEnablesConnectAll) {
    SystemRig rig;
    TempFolder temp;
    const fsys::path path = temp.Path() / "sim.ini";
    WriteBytes(path, "[General]\r\nCount_RKM5=1\r\n[interface_Rkm5_0]\r\nUsedIf=TCP\r\n"
                     "IpAdr=127.0.0.1\r\nIpPort=" +
                         std::to_string(rig.servers[0]->Port()) + "\r\n");
    LoadFrom(rig, path);
    rig.system.ConnectAll();
    ASSERT_NE(rig.Page(0).Link, nullptr);
    EXPECT_EQ(rig.Page(0).SerNr, "10001");
    const FileDialogRequest& request = rig.fs.prompter.FileRequests.at(0);
    EXPECT_EQ(request.Title, "Select IniFile to Open Config");
    EXPECT_EQ(request.FileName, "tl2.ini");
    EXPECT_EQ(request.InitialFolder, rig.fs.configurationFolder);
}

struct OddFileRow {
    const char* name;
    std::string bytes;
    int units;
    std::string message; // the text the message begins with
};

class ConfigurationOddFile : public ::testing::TestWithParam<OddFileRow> {};

TEST_P(ConfigurationOddFile, LoadsWhatItCanAndSaysSo) {
    const OddFileRow& row = GetParam();
    TempFolder temp;
    const fsys::path path = temp.Path() / "odd.ini";
    WriteBytes(path, row.bytes);
    SystemRig rig;
    LoadFrom(rig, path);

    EXPECT_EQ(rig.system.UnitCount, row.units);
    EXPECT_EQ(rig.system.TabCtrl.GetCount(), row.units);
    ASSERT_EQ(rig.fs.prompter.Messages.size(), 1u);
    EXPECT_EQ(rig.fs.prompter.Messages[0].rfind(row.message, 0), 0u) << rig.fs.prompter.Messages[0];
    EXPECT_TRUE(rig.system.ConfigLoaded);
}

std::string TwentyFiveUnits() {
    std::string bytes = "[General]\r\nCount_RKM5=25\r\n";
    for (int n = 0; n < 25; ++n) {
        bytes += "[interface_Rkm5_" + std::to_string(n) +
                 "]\r\nSerNr=" + std::to_string(20000 + n) + "\r\n";
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    System, ConfigurationOddFile,
    ::testing::Values(
        OddFileRow{"MoreThanTwentyUnitsLoadTheFirstTwenty", TwentyFiveUnits(), 20,
                   "the configuration holds 25 RKM5 units, only the first 20 are loaded"},
        OddFileRow{"BinaryBytesLoadOneDefaultUnit",
                   std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe=\x01", 20), 1,
                   "no configuration found in "},
        OddFileRow{"AnEmptyFileLoadsOneDefaultUnit", "", 1, "no configuration found in "},
        OddFileRow{"OnlyOtherProgramsSectionsLoadOneDefaultUnit",
                   "[Service]\r\nlastVisit=2024-11-02\r\n[interface_Rkm5_x]\r\nSerNr=1\r\n", 1,
                   "no configuration found in "},
        OddFileRow{"ANegativeUnitCountIsRefused", "[General]\r\nCount_RKM5=-2\r\n", 1,
                   "Count_RKM5=-2 in [General] of "},
        OddFileRow{"AUtf16FileIsRefusedWithItsReason",
                   std::string("\xFF\xFE[\0G\0e\0n\0e\0r\0a\0l\0]\0\r\0\n\0", 24), 1,
                   "configuration could not be read: "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigurationLoad, TwentyUnitsFromAFileOfTwentyFiveKeepTheirOwnSections) {
    TempFolder temp;
    WriteBytes(temp.Path() / "many.ini", TwentyFiveUnits());
    SystemRig rig;
    LoadFrom(rig, temp.Path() / "many.ini");
    ASSERT_EQ(rig.system.UnitCount, 20);
    EXPECT_EQ(rig.Page(19).SerNr, "20019");
    EXPECT_EQ(rig.system.TabCtrl.Labels.back(), Label(20));
}

// A file that holds the program's sections, whatever else it holds, is a configuration.
TEST(ConfigurationLoad, AUnitSectionAloneOrGeneralAloneIsAConfiguration) {
    for (const char* bytes : {"[Service]\r\nx=1\r\n[interface_Rkm5_0]\r\nSerNr=4711\r\n",
                              "[general]\r\nCount_RKM5=1\r\n[Service]\r\nx=1\r\n"}) {
        SCOPED_TRACE(bytes);
        TempFolder temp;
        WriteBytes(temp.Path() / "cfg.ini", bytes);
        SystemRig rig;
        LoadFrom(rig, temp.Path() / "cfg.ini");
        EXPECT_TRUE(rig.fs.prompter.Messages.empty()) << rig.fs.prompter.Messages.at(0);
        EXPECT_EQ(rig.system.UnitCount, 1);
    }
}

// Files as editors save them: with a UTF-8 byte order mark, or with the carriage returns of
// old Macintosh editors as their only line ends.
struct EditorFileRow {
    const char* name;
    std::string mark;
    std::string end;
};

class ConfigurationFromAnEditor : public ::testing::TestWithParam<EditorFileRow> {};

TEST_P(ConfigurationFromAnEditor, LoadsEveryUnitAndKeepsItsFormWhenSaved) {
    const EditorFileRow& row = GetParam();
    const std::string& e = row.end;
    TempFolder temp;
    const fsys::path path = temp.Path() / "editor.ini";
    WriteBytes(path, row.mark + "[General]" + e + "Count_RKM5=2" + e + e + "[interface_Rkm5_0]" +
                         e + "SerNr=31001" + e + "[interface_Rkm5_1]" + e + "SerNr=31002" + e +
                         "portRS232=/dev/ttyUSB\xC3\xB6" + e);
    SystemRig rig;
    LoadFrom(rig, path);
    EXPECT_TRUE(rig.fs.prompter.Messages.empty()) << rig.fs.prompter.Messages.at(0);
    ASSERT_EQ(rig.system.UnitCount, 2);
    EXPECT_EQ(rig.Page(0).SerNr, "31001");
    EXPECT_EQ(rig.Page(1).SerNr, "31002");

    SaveAs(rig, path);
    const std::string saved = ReadBytes(path);
    EXPECT_EQ(saved.rfind(row.mark + "[General]" + e + "Count_RKM5=2" + e, 0), 0u) << saved;
    IniFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.SectionNames().front(), "General");
    EXPECT_EQ(file.ReadInt("General", "Count_RKM5", -1), 2);
    EXPECT_EQ(file.ReadString("interface_Rkm5_1", "SerNr", ""), "31002");
    // Every line the save added ends as the file's own lines do.
    std::string others = saved;
    for (std::size_t at = others.find(e); at != std::string::npos; at = others.find(e, at)) {
        others.erase(at, e.size());
    }
    EXPECT_EQ(others.find_first_of("\r\n"), std::string::npos) << saved;
    if (!row.mark.empty()) {
        EXPECT_EQ(rig.Page(1).PortRs232, "/dev/ttyUSB\xC3\xB6") << "the marked file is UTF-8";
        EXPECT_NE(saved.find("portRS232=/dev/ttyUSB\xC3\xB6" + e), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(System, ConfigurationFromAnEditor,
                         ::testing::Values(EditorFileRow{"Utf8ByteOrderMark", "\xEF\xBB\xBF",
                                                         "\r\n"},
                                           EditorFileRow{"CarriageReturnsOnly", "", "\r"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConfigurationSave, AUnitLostAfterConnectingFromItsMenuIsSavedUnderTheSerialNumberItReported) {
    SystemRig rig;
    rig.Connect(0, 0);
    ASSERT_NE(rig.Page(0).Link, nullptr);
    SimFaults faults;
    faults.CloseMidReply = true;
    rig.sims[0].SetFaults(faults);
    std::string reply;
    rig.Page(0).ExchangeCommand("VR", reply, 0);
    ASSERT_EQ(rig.Page(0).Link, nullptr);

    TempFolder temp;
    SaveAs(rig, temp.Path() / "lost.ini");
    IniFile file;
    ASSERT_TRUE(file.Load(temp.Path() / "lost.ini"));
    EXPECT_EQ(file.ReadString("interface_Rkm5_0", "SerNr", ""), "10001");
}

// --- The exit paths and the start.

TEST(ConfigurationExit, NoToTheQuestionStoresOnlyTheStartFlag) {
    SystemRig rig;
    rig.system.OnMenuCommand(SystemCommand::StartWithLastConfig);
    EXPECT_EQ(ReadStartWithLastConfig(rig.fs.profilePath), 0) << "stored only by a save";

    rig.system.OnExitButton();

    EXPECT_EQ(rig.fs.prompter.Questions, Strings{"no interface opened, save last config anyway?"});
    EXPECT_FALSE(fsys::exists(rig.fs.LastConfigPath()));
    EXPECT_EQ(ReadStartWithLastConfig(rig.fs.profilePath), 1);
    EXPECT_EQ(rig.system.ModalResult, 1);
}

TEST(ConfigurationExit, YesToTheQuestionWritesLastConfigIntoANewFolder) {
    SystemRig rig;
    rig.fs.prompter.YesNoAnswers.push_back(true);
    ASSERT_FALSE(fsys::exists(rig.fs.configurationFolder));
    rig.system.OnClose();
    EXPECT_EQ(ReadBytes(rig.fs.LastConfigPath()),
              "[General]\r\nmodeView=0\r\nActualTab=0\r\nCount_RKM5=1\r\n\r\n" +
                  NewUnitSections(0) + NewCommandSection(0) + NewChannelSection(0));
    EXPECT_TRUE(rig.fs.prompter.FileRequests.empty()) << "no file dialog at exit";
}

TEST(ConfigurationExit, AConnectedFirstUnitOrALoadedConfigurationSavesWithoutAsking) {
    for (bool connect : {true, false}) {
        SCOPED_TRACE(connect ? "connected" : "loaded");
        SystemRig rig;
        if (connect) {
            rig.Connect(0, 0);
        } else {
            TempFolder temp;
            WriteBytes(temp.Path() / "two.ini", "[General]\r\nCount_RKM5=2\r\n");
            LoadFrom(rig, temp.Path() / "two.ini");
        }
        rig.system.TabCtrl.SelectPage(rig.system.UnitCount - 1);
        rig.system.OnMenuCommand(SystemCommand::ExitProgram);
        EXPECT_TRUE(rig.fs.prompter.Questions.empty());
        IniFile file;
        ASSERT_TRUE(file.Load(rig.fs.LastConfigPath()));
        EXPECT_EQ(file.ReadInt("General", "Count_RKM5", -1), rig.system.UnitCount);
        EXPECT_EQ(file.ReadInt("General", "ActualTab", -1), rig.system.UnitCount - 1);
        EXPECT_TRUE(rig.view.ExitProcess);
    }
}

TEST(ConfigurationExit, CancelLeavesLastConfigAndTheProfileAlone) {
    SystemRig rig;
    rig.fs.prompter.YesNoAnswers.push_back(true);
    rig.system.ToggleStartWithLastConfig();
    rig.system.OnCancelButton();
    EXPECT_FALSE(fsys::exists(rig.fs.LastConfigPath()));
    EXPECT_FALSE(fsys::exists(rig.fs.profilePath));
    EXPECT_TRUE(rig.fs.prompter.Questions.empty());
}

TEST(ConfigurationExit, ALastConfigThatCannotBeReadIsNeverReplaced) {
    Startup start;
    const std::string notepad("\xFF\xFE[\0G\0e\0n\0e\0r\0a\0l\0]\0\r\0\n\0", 24);
    start.WriteLastConfig(notepad);
    start.Start(1);
    ASSERT_EQ(start.fs.prompter.Messages.size(), 1u);
    EXPECT_EQ(start.fs.prompter.Messages[0].rfind(
                  "configuration could not be read: " + start.fs.LastConfigPath() + "\n", 0),
              0u)
        << start.fs.prompter.Messages[0];
    EXPECT_NE(start.fs.prompter.Messages[0].find("UTF-16"), std::string::npos);

    start.system->OnExitButton();
    ASSERT_EQ(start.fs.prompter.Messages.size(), 2u);
    EXPECT_EQ(start.fs.prompter.Messages[1].rfind("configuration could not be saved: ", 0), 0u)
        << start.fs.prompter.Messages[1];
    EXPECT_EQ(ReadBytes(start.fs.LastConfigPath()), notepad);
}

TEST(ConfigurationExit, ALastConfigThatCannotBeWrittenIsReported) {
    SystemRig rig;
    rig.fs.prompter.YesNoAnswers.push_back(true);
    // The configuration folder cannot be made: a file stands where a folder should be.
    WriteBytes(fsys::path(rig.fs.configurationFolder).parent_path().parent_path(), "");
    rig.system.OnExitButton();
    ASSERT_EQ(rig.fs.prompter.Messages.size(), 1u);
    EXPECT_EQ(rig.fs.prompter.Messages[0].rfind(
                  "configuration could not be saved: " + rig.fs.LastConfigPath() + "\n", 0),
              0u)
        << rig.fs.prompter.Messages[0];
    EXPECT_EQ(rig.system.ModalResult, 1) << "the program still ends";
}

TEST(ConfigurationStart, TheFlagWithoutAFileSaysSoAndKeepsTheDefaultUnit) {
    Startup start;
    start.Start(1);
    EXPECT_EQ(start.fs.prompter.Messages, Strings{"no last Config saved"});
    EXPECT_EQ(start.system->UnitCount, 1);
    EXPECT_EQ(start.system->TabCtrl.Labels, Strings{Label(1)});
    EXPECT_TRUE(start.system->MenuBarState().IsChecked(SystemCommand::StartWithLastConfig));
    EXPECT_FALSE(start.system->ConfigLoaded);
    const CLumatrelDlg& page = start.Page(0);
    EXPECT_EQ(page.SelectedIf, "RS232");
    EXPECT_EQ(page.PortRs232, "COM1");
    EXPECT_EQ(page.IpAdr, CLumatrelDlg::DefaultDeviceAddress);
    EXPECT_EQ(page.Controls.MonitorChecked, (std::array<bool, 3>{true, true, true}));
}

std::string ThreeUnitLastConfig() {
    return "[General]\r\nmodeView=1\r\nActualTab=2\r\nCount_RKM5=3\r\n\r\n"
           "[interface_Rkm5_0]\r\nMonitorError=Off\r\nUsedIf=TCP\r\nIpAdr=10.0.0.7\r\n"
           "IpPort=2300\r\nSerNr=10007\r\nOperatingMode=2\r\n\r\n"
           "[interface_Rkm5_2]\r\nUsedIf=no connection selected\r\nportRS232=COM9\r\n\r\n"
           "[CommandList_Rkm5_0]\r\ncount=1\r\nLine_0=IY B 900\r\n\r\n"
           "[channelMap_Rkm5_0]\r\nchannel_A=3\r\n";
}

TEST(ConfigurationStart, TheFlagRestoresEveryUnitAndSelectsTheSavedTab) {
    Startup start;
    start.WriteLastConfig(ThreeUnitLastConfig());
    start.Start(1);
    CTabDlg& system = *start.system;
    EXPECT_TRUE(start.fs.prompter.Messages.empty());
    ASSERT_EQ(system.UnitCount, 3);
    EXPECT_EQ(system.TabCtrl.Labels, (Strings{Label(1), Label(2), Label(3)}));
    EXPECT_EQ(system.TabCtrl.GetCurSel(), 2);
    EXPECT_EQ(system.ActualTab, 2);
    EXPECT_EQ(system.ConfigViewMode, 1);
    EXPECT_EQ(system.ViewMode, 0) << "the module view follows Connect all";
    EXPECT_TRUE(system.ConfigLoaded);
    EXPECT_EQ(system.ViewUnits, system.Units);
    EXPECT_EQ(start.Page(0).SelectedIf, "TCP");
    EXPECT_EQ(start.Page(0).IpPort, 2300);
    EXPECT_EQ(start.Page(0).MonitorError, 0);
    EXPECT_EQ(start.Page(0).Controls.CommandBox.Entries, Strings{"IY B 900"});
    EXPECT_EQ(start.Page(0).ModulesPerChannel[0], 3);
    EXPECT_EQ(start.Page(2).SelectedIf, "RS232");
    EXPECT_EQ(start.Page(2).PortRs232, "COM9");
    EXPECT_EQ(start.Page(1).SelectedIf, "") << "a unit without a section takes the defaults";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(start.Page(i).SystemWindow, &system);
    }
}

TEST(ConfigurationStart, WithoutTheFlagOnlyTheFirstUnitsInterfaceIsTaken) {
    Startup start;
    start.WriteLastConfig(ThreeUnitLastConfig());
    start.Start(0);
    CTabDlg& system = *start.system;
    EXPECT_TRUE(start.fs.prompter.Messages.empty());
    ASSERT_EQ(system.UnitCount, 1);
    EXPECT_FALSE(system.ConfigLoaded);
    EXPECT_FALSE(system.MenuBarState().IsChecked(SystemCommand::StartWithLastConfig));
    const CLumatrelDlg& page = start.Page(0);
    EXPECT_EQ(page.SelectedIf, "TCP");
    EXPECT_EQ(page.IpAdr, "10.0.0.7");
    EXPECT_EQ(page.SerNr, "10007");
    EXPECT_EQ(page.OperatingMode, 2);
    EXPECT_EQ(page.Controls.MonitorChecked, (std::array<bool, 3>{true, true, false}));
    EXPECT_TRUE(page.Controls.TcpChecked);
    EXPECT_EQ(page.Controls.CommandBox.Entries.size(), 6u) << "the command list is not read";
    EXPECT_EQ(page.ModulesPerChannel[0], 0) << "nor the modules per channel";
}

TEST(ConfigurationStart, SaveAndRestoreMeetAcrossTwoRuns) {
    Startup first;
    first.Start(0);
    first.system->AddUnit();
    first.Page(1).IpAdr = "10.9.8.7";
    first.system->ToggleStartWithLastConfig();
    first.fs.prompter.YesNoAnswers.push_back(true);
    first.system->OnExitButton();

    // The second run finds both files where the first left them.
    Startup second;
    fsys::copy_file(first.fs.LastConfigPath(), [&] {
        fsys::create_directories(second.fs.configurationFolder);
        return second.fs.LastConfigPath();
    }());
    second.Start(ReadStartWithLastConfig(first.fs.profilePath));
    ASSERT_EQ(second.system->UnitCount, 2);
    EXPECT_EQ(second.Page(1).IpAdr, "10.9.8.7");
    EXPECT_EQ(second.system->TabCtrl.GetCurSel(), 1);
}

} // namespace
