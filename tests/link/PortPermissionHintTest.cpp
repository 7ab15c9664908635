#include "link/PortPermissionHint.h"
#include "link/CRKM5Serio.h"
#include "link/FormatSystemError.h"
#include "support/PtyPair.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

// A pseudo-terminal given to a group as serial ports are, with its mode taken away. The
// refusal itself is faked: tests run as root, whom no mode stops.
class PortPermissionHints : public ::testing::Test {
protected:
    void SetUp() override {
        const group* owner = ::getgrnam("dialout");
        if (owner == nullptr) {
            owner = ::getgrnam("tty");
        }
        ASSERT_NE(owner, nullptr) << "no group to give the terminal to";
        groupName = owner->gr_name;
        ASSERT_EQ(::chown(pty.SlavePath().c_str(), static_cast<uid_t>(-1), owner->gr_gid), 0);
        ASSERT_EQ(::chmod(pty.SlavePath().c_str(), 0), 0);
        ASSERT_EQ(::stat(pty.SlavePath().c_str(), &device), 0);
    }
    std::string Expected() const {
        return "Hint: the port belongs to the group " + groupName +
               "; join it with: sudo usermod -aG " + groupName + " $USER, then log in again";
    }

    PtyPair pty;
    struct stat device {};
    std::string groupName;
};

TEST_F(PortPermissionHints, ALackOfPermissionNamesTheDevicesGroup) {
    EXPECT_EQ(PortPermissionHint(EACCES, &device), Expected());
    EXPECT_EQ(PortPermissionHint(EPERM, &device), Expected());
}

TEST_F(PortPermissionHints, OtherErrorsGetNoHint) {
    for (int error : {0, ENOENT, EBUSY, EWOULDBLOCK, EIO}) {
        EXPECT_EQ(PortPermissionHint(error, &device), "") << error;
    }
}

TEST_F(PortPermissionHints, NoHintWithoutAGroupToJoin) {
    EXPECT_EQ(PortPermissionHint(EACCES, nullptr), "") << "the device could not be looked at";
    struct stat rootOwned = device;
    rootOwned.st_gid = 0;
    EXPECT_EQ(PortPermissionHint(EACCES, &rootOwned), "");
    struct stat unnamed = device;
    unnamed.st_gid = 3999999;
    ASSERT_EQ(::getgrgid(unnamed.st_gid), nullptr);
    EXPECT_EQ(PortPermissionHint(EACCES, &unnamed), "");
}

TEST_F(PortPermissionHints, ARefusedOpenEndsItsMessageWithTheHint) {
    // Opened by a user without rights, in a child process that gives root up.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(out[0]);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(2);
        }
        CRKM5Serio link;
        const int result = link.Open(pty.SlavePath(), 115200);
        const std::string text = std::to_string(result) + "|" + link.m_strMessage;
        const bool written =
            ::write(out[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(out[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 2) {
        GTEST_SKIP() << "root cannot be given up here";
    }
    EXPECT_EQ(text, "-1001|++ Error -1001: Couldn't open port " + pty.SlavePath() + "\n" +
                        FormatSystemError(EACCES) + "\n" + Expected());
}

} // namespace
