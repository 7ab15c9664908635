#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialogs/Crs232Config.h"
#include "platform/UniqueFd.h"
#include "support/Fakes.h"
#include "support/PtyPair.h"
#include "support/TempFolder.h"
#include "unit/CLumatrelDlg.h"

namespace {

namespace fs = std::filesystem;

using Labels = std::vector<std::string>;

// A fake device folder: what it holds and which of its ports another holder has locked.
struct PortListCase {
    const char* name;
    std::vector<std::string> files;
    std::vector<std::string> folders;
    std::vector<std::string> busy;
    std::vector<std::pair<std::string, std::string>> byId; // link name, target under the root
    Labels expected;
};

class PortList : public ::testing::TestWithParam<PortListCase> {};

TEST_P(PortList, ListsThePortsThatCanBeOpenedNow) {
    const PortListCase& row = GetParam();
    TempFolder root;
    for (const std::string& file : row.files) {
        root.Touch(file);
    }
    for (const std::string& folder : row.folders) {
        fs::create_directories(root.Path() / folder);
    }
    for (const auto& [link, target] : row.byId) {
        fs::create_directories(root.Path() / "serial" / "by-id");
        fs::create_symlink(fs::path("../..") / target, root.Path() / "serial" / "by-id" / link);
    }
    std::vector<UniqueFd> holders;
    for (const std::string& name : row.busy) {
        holders.emplace_back(::open((root.Path() / name).c_str(), O_RDWR | O_CLOEXEC));
        ASSERT_EQ(::flock(holders.back().Get(), LOCK_EX | LOCK_NB), 0);
    }
    Labels labels;
    for (const SerialPortEntry& port : ProbeSerialPorts(root.Path().string())) {
        labels.push_back(port.Label());
    }
    EXPECT_EQ(labels, row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, PortList,
    ::testing::Values(
        PortListCase{"AscendingByKindThenNumber",
                     {"ttyUSB1", "ttyS10", "ttyAMA0", "ttyS2", "ttyACM0", "ttyUSB0", "ttyS0"},
                     {},
                     {},
                     {},
                     {"ttyS0", "ttyS2", "ttyS10", "ttyUSB0", "ttyUSB1", "ttyACM0", "ttyAMA0"}},
        PortListCase{"OtherDevicesAreNoPorts",
                     {"null", "tty1", "ttyS", "ttySX1", "ttyUSB0.bak", "console", "ttyS1"},
                     {},
                     {},
                     {},
                     {"ttyS1"}},
        PortListCase{"LockedPortIsBusyAndNotListed",
                     {"ttyS0", "ttyS1", "ttyUSB0"},
                     {},
                     {"ttyS1", "ttyUSB0"},
                     {},
                     {"ttyS0"}},
        PortListCase{"PortThatDoesNotOpenIsNotListed", {"ttyS1"}, {"ttyS0"}, {}, {}, {"ttyS1"}},
        PortListCase{
            "StableNameShownBesideTheKernelName",
            {"ttyUSB0", "ttyUSB1", "ttyACM0"},
            {},
            {},
            {{"usb-FTDI_FT232R_A1-if00-port0", "ttyUSB1"}, {"usb-Arduino_Uno_75-if00", "ttyACM0"}},
            {"ttyUSB0", "ttyUSB1 (usb-FTDI_FT232R_A1-if00-port0)",
             "ttyACM0 (usb-Arduino_Uno_75-if00)"}},
        PortListCase{"NoPortsGiveAnEmptyList", {"null"}, {}, {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortListMissingFolder, GivesAnEmptyList) {
    EXPECT_TRUE(ProbeSerialPorts("/lumatrel-no-such-folder").empty());
}

class Crs232ConfigDialog : public ::testing::Test {
protected:
    Crs232ConfigDialog() {
        for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyUSB0"}) {
            root.Touch(name);
        }
        fs::create_directories(root.Path() / "serial" / "by-id");
        fs::create_symlink("../../ttyUSB0", root.Path() / "serial" / "by-id" / "usb-FTDI_X");
        page.SerialDeviceRoot = root.Path().string();
        page.PortRs232 = "COM1";
        page.Baudrate = 115200;
    }

    // Opens the dialog as the page does, has the script act on it, and returns the result.
    int Run(std::function<int(Crs232Config&)> script) {
        fs.dialogs.OnRs232 = std::move(script);
        Crs232Config dialog(page, fs.prompter, page.SerialDeviceRoot);
        const int result = dialog.DoModal(fs.dialogs);
        shown.emplace(dialog);
        return result;
    }

    static int PressOk(Crs232Config&) { return 1; }

    TempFolder root;
    FakeServices fs;
    CLumatrelDlg page{fs.Services()};
    // The dialog's state once it was closed.
    std::optional<Crs232Config> shown;
};

// A port setting and the entry the port list opens with.
struct PortSelectionCase {
    const char* name;
    std::string setting;
    std::string selected;
};

class Crs232PortSelection : public Crs232ConfigDialog,
                            public ::testing::WithParamInterface<PortSelectionCase> {};

TEST_P(Crs232PortSelection, OpensOnTheConfiguredPortElseTheFirst) {
    const PortSelectionCase& row = GetParam();
    page.PortRs232 = row.setting;
    ASSERT_EQ(Run(PressOk), 1);
    EXPECT_EQ(shown->PortList.SelectedText(), row.selected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Crs232PortSelection,
    ::testing::Values(PortSelectionCase{"KernelName", "ttyS2", "ttyS2"},
                      PortSelectionCase{"ComNameMeansTtySOneLower", "COM2", "ttyS1"},
                      PortSelectionCase{"DevicePath", "/dev/ttyUSB0", "ttyUSB0 (usb-FTDI_X)"},
                      PortSelectionCase{"StableNamePath", "/dev/serial/by-id/usb-FTDI_X",
                                        "ttyUSB0 (usb-FTDI_X)"},
                      PortSelectionCase{"UnlistedPortSelectsTheFirst", "COM9", "ttyS0"},
                      PortSelectionCase{"EmptySettingSelectsTheFirst", "", "ttyS0"}),
    [](const auto& info) { return std::string(info.param.name); });

// A configured baud rate, the entry the baud list opens with, and what OK stores.
struct BaudCase {
    const char* name;
    int configured;
    std::string selected;
    int stored;
};

class Crs232Baud : public Crs232ConfigDialog, public ::testing::WithParamInterface<BaudCase> {};

TEST_P(Crs232Baud, OpensOnTheConfiguredRateElse115200) {
    const BaudCase& row = GetParam();
    page.Baudrate = row.configured;
    ASSERT_EQ(Run(PressOk), 1);
    EXPECT_EQ(shown->BaudList.SelectedText(), row.selected);
    EXPECT_EQ(page.Baudrate, row.stored);
}

INSTANTIATE_TEST_SUITE_P(Rows, Crs232Baud,
                         ::testing::Values(BaudCase{"ListedRate", 9600, "9600", 9600},
                                           BaudCase{"LastEntry", 256000, "256000", 256000},
                                           BaudCase{"UnlistedRate", 14400, "115200", 115200},
                                           BaudCase{"Zero", 0, "115200", 115200}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Crs232ConfigDialog, ListsAndDefaultsAsTheDialogShowsThem) {
    ASSERT_EQ(Run(PressOk), 1);
    EXPECT_EQ(shown->PortList.Entries,
              (Labels{"ttyS0", "ttyS1", "ttyS2", "ttyUSB0 (usb-FTDI_X)",
                      (root.Path() / "serial" / "by-id" / "usb-FTDI_X").string()}));
    EXPECT_EQ(shown->BaudList.Entries, (Labels{"4800", "9600", "19200", "38400", "56000", "57600",
                                               "115200", "128000", "256000"}));
    EXPECT_EQ(shown->DataBitsList.Entries, (Labels{"5", "7", "8"}));
    EXPECT_EQ(shown->DataBitsList.SelectedText(), "8");
    EXPECT_EQ(shown->StopBitsList.Entries, (Labels{"1", "2"}));
    EXPECT_EQ(shown->StopBitsList.SelectedText(), "1");
    EXPECT_EQ(shown->ParityList.Entries, (Labels{"NON", "EVEN", "ODD"}));
    EXPECT_EQ(shown->ParityList.SelectedText(), "NON");
}

TEST_F(Crs232ConfigDialog, OkStoresTheChosenPortAndRateOnly) {
    const std::string ipBefore = page.IpAdr;
    ASSERT_EQ(Run([](Crs232Config& d) {
                  d.PortList.Select("ttyUSB0 (usb-FTDI_X)");
                  d.BaudList.Select("57600");
                  d.DataBitsList.Select("7");
                  d.StopBitsList.Select("2");
                  d.ParityList.Select("EVEN");
                  return 1;
              }),
              1);
    EXPECT_EQ(page.PortRs232, "ttyUSB0") << "the kernel name, not the label";
    EXPECT_EQ(page.Baudrate, 57600);
    EXPECT_EQ(shown->PortText, "ttyUSB0");
    EXPECT_EQ(shown->BaudText, "57600");
    EXPECT_EQ(page.IpAdr, ipBefore);
}

TEST_F(Crs232ConfigDialog, TheStableNameIsAnEntryOfItsOwnAndStaysTheSetting) {
    const std::string byId = (root.Path() / "serial" / "by-id" / "usb-FTDI_X").string();
    ASSERT_EQ(Run([&byId](Crs232Config& d) {
                  d.OnPortSelected(static_cast<int>(d.PortList.Entries.size()) - 1);
                  EXPECT_EQ(d.PortEdit, byId);
                  return d.OnOK() ? 1 : 2;
              }),
              1);
    EXPECT_EQ(page.PortRs232, byId) << "the name that survives replugging";
    // Opened again, the dialog shows that name, not the port it leads to now.
    ASSERT_EQ(Run(PressOk), 1);
    EXPECT_EQ(shown->PortList.SelectedText(), byId);
    EXPECT_EQ(page.PortRs232, byId);
}

TEST_F(Crs232ConfigDialog, APortBehindAStableNameEntryIsSelectedByItsOwnEntry) {
    fs::create_symlink("../../ttyS0", root.Path() / "serial" / "by-id" / "pci-serial0");
    page.PortRs232 = "COM3";
    ASSERT_EQ(Run(PressOk), 1);
    EXPECT_EQ(shown->PortList.SelectedText(), "ttyS2");
    EXPECT_EQ(page.PortRs232, "ttyS2");
}

// A name typed into the port box, and whether OK takes it.
struct TypedPortCase {
    const char* name;
    // What is typed; "{pty}" stands for a pseudo-terminal's path, "{root}" for the folder.
    std::string typed;
    bool accepted;
    // What the refusal message says after the quoted name, "{root}" standing for the folder.
    std::string refusalEnd;
};

void PrintTo(const TypedPortCase& row, std::ostream* os) {
    *os << row.name;
}

class Crs232TypedPort : public Crs232ConfigDialog,
                        public ::testing::WithParamInterface<TypedPortCase> {
protected:
    std::string Expand(std::string text) const {
        for (const auto& [key, value] :
             {std::pair<std::string, std::string>{"{pty}", pty.SlavePath()},
              {"{root}", root.Path().string()}}) {
            for (auto at = text.find(key); at != std::string::npos; at = text.find(key)) {
                text.replace(at, key.size(), value);
            }
        }
        return text;
    }
    PtyPair pty;
};

TEST_P(Crs232TypedPort, IsStoredOnlyWhenItIsACharacterDevice) {
    const TypedPortCase& row = GetParam();
    fs::create_symlink(pty.SlavePath(), root.Path() / "link-to-pty");
    page.PortRs232 = "ttyS1";
    const std::string typed = Expand(row.typed);
    bool okTook = false;
    const int result = Run([&](Crs232Config& d) {
        d.OnPortTextChanged(typed);
        EXPECT_EQ(d.PortList.Selection, -1);
        okTook = d.OnOK();
        // A refusal keeps the dialog open; the person then cancels.
        return okTook ? 1 : 2;
    });
    EXPECT_EQ(okTook, row.accepted);
    if (row.accepted) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(page.PortRs232, typed);
        EXPECT_TRUE(fs.prompter.Messages.empty());
    } else {
        EXPECT_EQ(result, 2);
        EXPECT_EQ(page.PortRs232, "ttyS1");
        ASSERT_EQ(fs.prompter.Messages.size(), 1u);
        EXPECT_EQ(fs.prompter.Messages[0],
                  "Serial port \"" + typed + "\" cannot be used: " + Expand(row.refusalEnd));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Crs232TypedPort,
    ::testing::Values(
        TypedPortCase{"PseudoTerminal", "{pty}", true, ""},
        TypedPortCase{"SymbolicLinkToATerminal", "{root}/link-to-pty", true, ""},
        TypedPortCase{"RegularFile", "{root}/ttyS0", false,
                      "{root}/ttyS0 is not a character device."},
        TypedPortCase{"Folder", "{root}/serial", false, "{root}/serial is not a character device."},
        TypedPortCase{"MissingPath", "{root}/ttyUSB7", false, "{root}/ttyUSB7 does not exist."},
        TypedPortCase{"RelativeNameIsTakenUnderDev", "lumatrel-no-such-port", false,
                      "/dev/lumatrel-no-such-port does not exist."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Crs232ConfigDialog, TypedTextEqualToAnEntrySelectsIt) {
    ASSERT_EQ(Run([](Crs232Config& d) {
                  d.OnPortTextChanged("ttyS2");
                  EXPECT_EQ(d.PortList.SelectedText(), "ttyS2");
                  return d.OnOK() ? 1 : 2;
              }),
              1);
    EXPECT_EQ(page.PortRs232, "ttyS2");
}

TEST_F(Crs232ConfigDialog, ARunnerThatAnswersOkForARefusedNameCancels) {
    page.PortRs232 = "ttyS1";
    EXPECT_EQ(Run([this](Crs232Config& d) {
                  d.OnPortTextChanged((root.Path() / "ttyS0").string());
                  return 1;
              }),
              2);
    EXPECT_EQ(page.PortRs232, "ttyS1");
    EXPECT_EQ(fs.prompter.Messages.size(), 1u);
}

TEST_F(Crs232ConfigDialog, CancelChangesNothing) {
    EXPECT_EQ(Run([](Crs232Config& d) {
                  d.PortList.Select("ttyS2");
                  d.BaudList.Select("4800");
                  return 2;
              }),
              2);
    EXPECT_EQ(page.PortRs232, "COM1");
    EXPECT_EQ(page.Baudrate, 115200);
}

TEST_F(Crs232ConfigDialog, NoPortsMakeOkStoreAnEmptyPort) {
    fs::remove_all(root.Path());
    fs::create_directories(root.Path());
    ASSERT_EQ(Run(PressOk), 1);
    EXPECT_TRUE(shown->PortList.Entries.empty());
    EXPECT_EQ(shown->PortList.Selection, -1);
    EXPECT_EQ(page.PortRs232, "");
}

TEST_F(Crs232ConfigDialog, EachOpeningProbesAnew) {
    ASSERT_EQ(Run(PressOk), 1);
    root.Touch("ttyACM3");
    ASSERT_EQ(Run(PressOk), 1);
    EXPECT_EQ(shown->PortList.Entries.back(), "ttyACM3");
}

TEST_F(Crs232ConfigDialog, ConfigureRs232LogsTheChoiceOnOkOnly) {
    fs.dialogs.OnRs232 = [](Crs232Config& d) {
        d.PortList.Select("ttyS2");
        d.BaudList.Select("9600");
        return 1;
    };
    page.ConfigureRs232();
    EXPECT_EQ(fs.dialogs.Runs, 1);
    ASSERT_FALSE(page.Controls.LogEntries.empty());
    EXPECT_EQ(page.Controls.LogEntries.back(),
              "RS232 Com device selected. Port: ttyS2, baudrate 9600");
    EXPECT_EQ(page.PortRs232, "ttyS2");

    const size_t entries = page.Controls.LogEntries.size();
    fs.dialogs.OnRs232 = [](Crs232Config& d) {
        d.BaudList.Select("4800");
        return 2;
    };
    page.ConfigureRs232();
    EXPECT_EQ(page.Controls.LogEntries.size(), entries);
    EXPECT_EQ(page.Baudrate, 9600);
}

} // namespace
