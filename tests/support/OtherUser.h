#pragma once

#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brevane::test {

inline constexpr uid_t Nobody = 65534;

// Runs fn in a child process: its exit status (0..255), or -1 when it could not start or died.
// Permission checks do not apply to root, so as an ordinary user a child of root drops to nobody.
inline int inChild(const std::function<int()>& fn, bool asOrdinaryUser = false)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(asOrdinaryUser && ::geteuid() == 0
                    && (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0)
                ? 254
                : fn());
    int status = 0;
    return pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ? -1 : WEXITSTATUS(status);
}

} // namespace brevane::test
