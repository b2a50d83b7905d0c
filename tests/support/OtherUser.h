#pragma once

// Runs part of a test as an ordinary user: permission checks do not apply to root, so a
// test running as root forks a child that drops to nobody (65534) first.

#include <QDir>
#include <QFile>
#include <QString>

#include <functional>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brevane::test {

inline constexpr uid_t Nobody = 65534;

inline bool runningAsRoot()
{
    return ::geteuid() == 0;
}

// The exit status of `fn` (0..255) run in a child process, as nobody when asked and the
// test is root; -1 when the child could not start or died.
inline int inChild(const std::function<int()>& fn, bool asOrdinaryUser)
{
    const pid_t pid = ::fork();
    if (pid < 0)
        return -1;
    if (pid == 0) {
        if (asOrdinaryUser && runningAsRoot()
            && (::setgroups(0, nullptr) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(254);
        ::_exit(fn());
    }
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Lets the child of inChildAsOrdinaryUser into a folder made by the test.
inline bool openToEveryone(const QString& folder)
{
    return ::chmod(QFile::encodeName(folder).constData(), 0777) == 0;
}

} // namespace brevane::test
