#include "support/LineSpeed.h"

// The kernel's own termios, which carries the rate as a number; it cannot share a translation
// unit with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

unsigned LineOutputSpeed(int fd) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0) {
        return 0;
    }
    return settings.c_ospeed;
}
