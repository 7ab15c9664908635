#include "link/SerialSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

int SetAnyBaudRate(int fd, unsigned rate) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return errno;
    }
    settings.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = rate;
    settings.c_ospeed = rate;
    return ::ioctl(fd, TCSETS2, &settings) == 0 ? 0 : errno;
}

unsigned ReadBaudRate(int fd) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return 0;
    }
    return settings.c_ospeed;
}
