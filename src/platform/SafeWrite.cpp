#include "platform/SafeWrite.h"

#include <QFile>
#include <QIODevice>
#include <QRandomGenerator>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brevane {

namespace {

    // Temporaries in flight, for the signal handler. A fixed table of plain bytes and
    // lock-free flags: the handler may neither lock nor allocate. A write that finds the
    // table full (more writers than slots) still works, unprotected against signals.
    namespace inflight {
        constexpr int Slots = 64;
        constexpr std::size_t PathBytes = 4096;
        enum : int { Free, Claimed, Ready };
        struct Slot {
            std::atomic<int> state { Free };
            char path[PathBytes];
        };
        static_assert(std::atomic<int>::is_always_lock_free);
        Slot table[Slots];
        std::atomic<bool> installed { false };
        constexpr int Signals[] = { SIGINT, SIGTERM, SIGHUP };

        int add(const QByteArray& path)
        {
            if (path.size() >= qsizetype(PathBytes))
                return -1;
            for (int i = 0; i < Slots; ++i) {
                int expected = Free;
                if (table[i].state.compare_exchange_strong(expected, Claimed, std::memory_order_acquire)) {
                    std::memcpy(table[i].path, path.constData(), std::size_t(path.size()) + 1);
                    table[i].state.store(Ready, std::memory_order_release);
                    return i;
                }
            }
            return -1;
        }

        void remove(int slot)
        {
            if (slot >= 0)
                table[slot].state.store(Free, std::memory_order_release);
        }

        void onSignal(int signal)
        {
            const int saved = errno;
            for (Slot& s : table) {
                if (s.state.load(std::memory_order_acquire) == Ready)
                    ::unlink(s.path);
            }
            // SA_RESETHAND put the default action back; the signal stays blocked while the
            // handler runs and ends the process as soon as it returns.
            ::raise(signal);
            errno = saved;
        }

        // Keeps SIGINT, SIGTERM and SIGHUP away from this thread between creating a
        // temporary and entering it in the table, so that neither happens without the other.
        class BlockSignals {
        public:
            BlockSignals()
                : m_active(installed.load(std::memory_order_relaxed))
            {
                if (!m_active)
                    return;
                sigset_t set;
                sigemptyset(&set);
                for (int s : Signals)
                    sigaddset(&set, s);
                pthread_sigmask(SIG_BLOCK, &set, &m_old);
            }
            ~BlockSignals()
            {
                if (m_active)
                    pthread_sigmask(SIG_SETMASK, &m_old, nullptr);
            }
            BlockSignals(const BlockSignals&) = delete;
            BlockSignals& operator=(const BlockSignals&) = delete;

        private:
            bool m_active;
            sigset_t m_old;
        };
    } // namespace inflight

    // A write-only device over a file descriptor that buffers small writes, writes every
    // byte it is given (partial writes and interruptions resumed) and keeps the first
    // system error: every later write fails too.
    class DescriptorDevice : public QIODevice {
    public:
        DescriptorDevice(int fd, bool sequential)
            : m_fd(fd)
            , m_sequential(sequential)
        {
            open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        }
        ~DescriptorDevice() override { QIODevice::close(); }

        bool isSequential() const override { return m_sequential; }
        int systemError() const { return m_errno; }

        bool seek(qint64 pos) override
        {
            if (m_sequential || !drain())
                return false;
            if (::lseek(m_fd, pos, SEEK_SET) < 0) {
                m_errno = errno;
                return false;
            }
            return QIODevice::seek(pos);
        }

        // Writes what is buffered; false once anything failed.
        bool drain()
        {
            if (m_errno == 0)
                writeAll(m_buffer.constData(), m_buffer.size());
            m_buffer.clear();
            return m_errno == 0;
        }

    protected:
        qint64 readData(char*, qint64) override { return -1; }
        qint64 writeData(const char* data, qint64 length) override
        {
            if (m_errno != 0)
                return -1;
            if (m_buffer.size() + length > Chunk) {
                if (!drain())
                    return -1;
                if (length > Chunk)
                    return writeAll(data, length) ? length : -1;
            }
            m_buffer.append(data, length);
            return length;
        }

    private:
        static constexpr qint64 Chunk = 64 * 1024;

        bool writeAll(const char* data, qint64 length)
        {
            while (length > 0) {
                const ssize_t n = ::write(m_fd, data, std::size_t(length));
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    m_errno = errno;
                    return false;
                }
                data += n;
                length -= n;
            }
            return true;
        }

        int m_fd;
        bool m_sequential;
        int m_errno = 0;
        QByteArray m_buffer;
    };

    QByteArray folderOf(const QByteArray& path)
    {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash < 0)
            return QByteArrayLiteral(".");
        if (slash == 0)
            return QByteArrayLiteral("/");
        return path.left(slash);
    }

    // The file a path names, links followed one by one, so that a dangling link still
    // leads to the name it holds. Fills `st` and returns true when that file exists.
    bool resolve(QByteArray& path, struct stat& st, int& error)
    {
        for (int hops = 0; hops < 40; ++hops) {
            if (::lstat(path.constData(), &st) != 0) {
                error = errno == ENOENT ? 0 : errno;
                return false;
            }
            if (!S_ISLNK(st.st_mode))
                return true;
            QByteArray link(qsizetype(st.st_size > 0 ? st.st_size : 4095) + 1, Qt::Uninitialized);
            const ssize_t n = ::readlink(path.constData(), link.data(), std::size_t(link.size()));
            if (n < 0 || n >= link.size()) {
                error = n < 0 ? errno : ENAMETOOLONG;
                return false;
            }
            link.truncate(n);
            path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
        }
        error = ELOOP;
        return false;
    }

    SafeWriteResult fail(WriteProblem* problem, SafeWriteResult result, int error, const char* reason = nullptr)
    {
        if (problem) {
            problem->systemError = error;
            problem->reason = reason ? QString::fromLatin1(reason) : error ? qt_error_string(error) : QString();
        }
        return result;
    }

    QByteArray temporaryName(const QByteArray& folder)
    {
        static constexpr char chars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        QByteArray name = folder;
        name += "/.brv-";
        for (int i = 0; i < 6; ++i)
            name += chars[QRandomGenerator::global()->bounded(int(sizeof(chars) - 1))];
        return name;
    }

    SafeWriteResult writeToStandardOutput(const std::function<bool(QIODevice&)>& write, WriteProblem* problem)
    {
        if (problem)
            *problem = WriteProblem { QStringLiteral("standard output"), QString(), 0, QString() };
        // Whatever the program printed through stdio goes first.
        std::fflush(stdout);
        DescriptorDevice out(STDOUT_FILENO, true);
        const bool written = write(out);
        if (!out.drain())
            return fail(problem, SafeWriteResult::WriteFailed, out.systemError());
        return written ? SafeWriteResult::Ok : fail(problem, SafeWriteResult::WriteFailed, 0);
    }

} // namespace

QString WriteProblem::detail() const
{
    const QString file = resolvedPath.isEmpty() ? path : path + QStringLiteral(" -> ") + resolvedPath;
    return reason.isEmpty() ? file : file + QStringLiteral(": ") + reason;
}

SafeWriteResult writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    return writeFileSafely(path, nullptr, write);
}

SafeWriteResult writeFileSafely(
    const QString& path, WriteProblem* problem, const std::function<bool(QIODevice&)>& write)
{
    if (problem)
        *problem = WriteProblem { path, QString(), 0, QString() };
    if (path.isEmpty())
        return fail(problem, SafeWriteResult::OpenFailed, ENOENT);

    QByteArray target = QFile::encodeName(path);
    struct stat st { };
    int error = 0;
    const bool exists = resolve(target, st, error);
    if (problem && target != QFile::encodeName(path))
        problem->resolvedPath = QFile::decodeName(target);
    if (error != 0)
        return fail(problem, SafeWriteResult::OpenFailed, error);
    if (exists) {
        if (S_ISDIR(st.st_mode))
            return fail(problem, SafeWriteResult::OpenFailed, EISDIR);
        // Never opened: a FIFO would block, a device or socket is no file to replace.
        if (!S_ISREG(st.st_mode))
            return fail(problem, SafeWriteResult::OpenFailed, 0, "not a regular file");
        // What opening it for writing would say: a read-only file, or someone else's in a
        // folder this user may write, is refused rather than replaced.
        if (::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
            return fail(problem, SafeWriteResult::OpenFailed, errno);
    }

    // Created with O_EXCL under a random name; a clash is retried, anything else is the
    // folder refusing new files. A new file gets the usual mode (umask applied); a
    // replaced one starts private and takes the old file's mode before any byte is written.
    const QByteArray folder = folderOf(target);
    QByteArray temporary;
    int fd = -1;
    int slot = -1;
    for (int attempt = 0; attempt < 32 && fd < 0; ++attempt) {
        temporary = temporaryName(folder);
        const inflight::BlockSignals quiet;
        fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
        if (fd >= 0)
            slot = inflight::add(temporary);
        else if (errno != EEXIST)
            return fail(problem, SafeWriteResult::OpenFailed, errno);
    }
    if (fd < 0)
        return fail(problem, SafeWriteResult::OpenFailed, EEXIST);

    // Removed on every way out but success, an exception from `write` included.
    struct Discard {
        const QByteArray& name;
        int& fd;
        int slot;
        bool keep = false;
        ~Discard()
        {
            if (fd >= 0)
                ::close(fd);
            if (!keep)
                ::unlink(name.constData());
            inflight::remove(slot);
        }
    } discard { temporary, fd, slot };

    if (exists) {
        mode_t mode = st.st_mode & 07777;
        if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0)
            mode &= ~mode_t(S_ISUID | S_ISGID); // not ours to give
        if (mode != 0600 && ::fchmod(fd, mode) != 0)
            return fail(problem, SafeWriteResult::OpenFailed, errno);
    }

    DescriptorDevice device(fd, false);
    const bool written = write(device);
    if (!device.drain())
        return fail(problem, SafeWriteResult::WriteFailed, device.systemError());
    if (!written)
        return fail(problem, SafeWriteResult::WriteFailed, 0);
    const int closed = ::close(fd);
    fd = -1;
    if (closed != 0)
        return fail(problem, SafeWriteResult::WriteFailed, errno);
    if (::rename(temporary.constData(), target.constData()) != 0)
        return fail(problem, SafeWriteResult::WriteFailed, errno);
    discard.keep = true;
    return SafeWriteResult::Ok;
}

SafeWriteResult writeStandardOutput(const QByteArray& bytes, WriteProblem* problem)
{
    return writeToStandardOutput([&bytes](QIODevice& out) { return out.write(bytes) == bytes.size(); }, problem);
}

SafeWriteResult writeStandardOutput(WriteProblem* problem, const std::function<bool(QIODevice&)>& write)
{
    return writeToStandardOutput(write, problem);
}

void removeTemporariesOnSignals()
{
    if (inflight::installed.exchange(true))
        return;
    // Past a file-size limit a write then fails with EFBIG, reported like a full disk, instead
    // of the process ending with its temporary left behind.
    struct sigaction sizeLimit { };
    if (::sigaction(SIGXFSZ, nullptr, &sizeLimit) == 0 && sizeLimit.sa_handler == SIG_DFL)
        ::signal(SIGXFSZ, SIG_IGN);
    for (int s : inflight::Signals) {
        struct sigaction old { };
        if (::sigaction(s, nullptr, &old) != 0 || old.sa_handler == SIG_IGN)
            continue;
        struct sigaction action { };
        action.sa_handler = inflight::onSignal;
        sigemptyset(&action.sa_mask);
        for (int other : inflight::Signals)
            sigaddset(&action.sa_mask, other);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(s, &action, nullptr);
    }
}

} // namespace brevane
