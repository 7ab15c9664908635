// Every rate the RS232 dialog offers opens the port at that rate.
#include "link/CRKM5Serio.h"
#include "support/LineSpeed.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <string>

namespace {

class SerialBaudRates : public ::testing::TestWithParam<int> {};

TEST_P(SerialBaudRates, OpenThePortAtTheRateAndRestoreItsOwnOnClose) {
    PtyPair pty;
    termios own = pty.SlaveSettings();
    ::cfsetispeed(&own, B9600);
    ::cfsetospeed(&own, B9600);
    pty.SetSlaveSettings(own);

    CRKM5Serio link;
    ASSERT_EQ(link.Open(pty.SlavePath(), GetParam()), 0) << link.m_strMessage;
    EXPECT_EQ(LineOutputSpeed(pty.SlaveHold()), static_cast<unsigned>(GetParam()));
    EXPECT_EQ(pty.SlaveSettings().c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    ASSERT_EQ(link.SendCmd("VR"), 0);
    EXPECT_EQ(pty.ReadFrame(), "\x02VR\x03");

    ASSERT_EQ(link.Close(), 0);
    EXPECT_EQ(LineOutputSpeed(pty.SlaveHold()), 9600u);
}

INSTANTIATE_TEST_SUITE_P(DialogRates, SerialBaudRates,
                         ::testing::Values(4800, 9600, 19200, 38400, 56000, 57600, 115200, 128000,
                                           256000),
                         [](const auto& info) { return std::to_string(info.param); });

} // namespace
