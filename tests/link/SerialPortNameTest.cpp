#include <gtest/gtest.h>

#include <string>

#include "link/SerialPortName.h"

namespace {

struct NameCase {
    const char* name;
    std::string port;
    std::string path;
};

class SerialPortName : public ::testing::TestWithParam<NameCase> {};

TEST_P(SerialPortName, MapsToTheDevicePath) {
    EXPECT_EQ(SerialDevicePath(GetParam().port), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SerialPortName,
    ::testing::Values(NameCase{"ComOneIsTtyS0", "COM1", "/dev/ttyS0"},
                      NameCase{"ComNumbersCountFromOne", "COM12", "/dev/ttyS11"},
                      NameCase{"ComInAnyLetterCase", "com3", "/dev/ttyS2"},
                      NameCase{"ComZeroIsNoComName", "COM0", "/dev/COM0"},
                      NameCase{"ComWithTrailingTextIsNoComName", "COM1a", "/dev/COM1a"},
                      NameCase{"ComBeyond256IsNoComName", "COM999", "/dev/COM999"},
                      NameCase{"AbsolutePathAsIs", "/dev/serial/by-id/usb-X",
                               "/dev/serial/by-id/usb-X"},
                      NameCase{"KernelNameUnderDev", "ttyUSB0", "/dev/ttyUSB0"},
                      NameCase{"RelativePathUnderDev", "pts/3", "/dev/pts/3"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
