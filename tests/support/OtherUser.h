#pragma once

// Runs part of a test in a child process, as an ordinary user when asked: permission
// checks do not apply to root, so a test running as root drops to nobody (65534) there.

#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brevane::test {

inline constexpr uid_t Nobody = 65534;

// The exit status of `fn` (0..255), or -1 when the child could not start or died.
inline int inChild(const std::function<int()>& fn, bool asOrdinaryUser = false)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (asOrdinaryUser && ::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(254);
        ::_exit(fn());
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

} // namespace brevane::test
