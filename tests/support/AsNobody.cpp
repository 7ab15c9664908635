#include "support/AsNobody.h"

#include <errno.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

bool RunAsNobody(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        // The group goes first: once the user is nobody it may no longer change it.
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobodyGid) == 0 && ::setuid(kNobodyUid) == 0;
        ::_exit(dropped && body() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
