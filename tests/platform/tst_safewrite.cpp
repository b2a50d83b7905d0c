#include "platform/FileIdentity.h"
#include "platform/SafeWrite.h"

#include "support/OtherUser.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIODevice>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>

using namespace brevane;
using namespace brevane::test;

namespace {

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(unreadable)");
}

bool put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

SafeWriteResult writeBytes(const QString& path, const QByteArray& bytes, WriteProblem* problem = nullptr)
{
    return writeFileSafely(path, problem, [&](QIODevice& d) { return d.write(bytes) == bytes.size(); });
}

// Hidden temporaries the writer left in a folder.
QStringList leftovers(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral(".brv-*") }, QDir::AllEntries | QDir::Hidden | QDir::System);
}

int bindSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || name.size() >= qsizetype(sizeof(address.sun_path)))
        return -1;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    return ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 ? fd : -1;
}

} // namespace

class tst_SafeWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void refusesWithoutTouching_data();
    void refusesWithoutTouching();
    void writesThroughLinks_data();
    void writesThroughLinks();
    void keepsModeAndOwner();
    void fullDiskKeepsOldFile_data();
    void fullDiskKeepsOldFile();
    void longNames_data();
    void longNames();
    void signalRemovesTemporary_data();
    void signalRemovesTemporary();
    void standardOutput();
    void sameFile_data();
    void sameFile();
};

void tst_SafeWrite::refusesWithoutTouching_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("asOrdinaryUser");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only file") << "read-only" << true << "Permission denied";
    QTest::newRow("someone else's file in a folder everyone may write") << "foreign" << true << "Permission denied";
    QTest::newRow("FIFO, never opened") << "fifo" << false << "not a regular file";
    QTest::newRow("socket") << "socket" << false << "not a regular file";
    QTest::newRow("link to a device") << "device" << false << "not a regular file";
    QTest::newRow("folder") << "folder" << false << "Is a directory";
}

void tst_SafeWrite::refusesWithoutTouching()
{
    QFETCH(QString, kind);
    QFETCH(bool, asOrdinaryUser);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(openToEveryone(dir.path()));
    const QString target = dir.filePath(QStringLiteral("target"));
    const QByteArray old("old bytes");
    int socket = -1;
    if (kind == QLatin1String("read-only") || kind == QLatin1String("foreign")) {
        QVERIFY(put(target, old));
        if (kind == QLatin1String("foreign")) {
            if (!runningAsRoot())
                QSKIP("needs root to give a file to someone else");
            QVERIFY(::chmod(QFile::encodeName(target).constData(), 0644) == 0);
        } else {
            QVERIFY(::chmod(QFile::encodeName(target).constData(), 0444) == 0);
            if (runningAsRoot())
                QVERIFY(::chown(QFile::encodeName(target).constData(), Nobody, Nobody) == 0);
        }
    } else if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(target).constData(), 0666) == 0);
    } else if (kind == QLatin1String("socket")) {
        socket = bindSocket(target);
        if (socket < 0)
            QSKIP("cannot bind a socket here");
    } else if (kind == QLatin1String("device")) {
        QVERIFY(QFile::link(QStringLiteral("/dev/null"), target));
    } else {
        QVERIFY(QDir().mkdir(target));
    }

    const auto attempt = [&]() -> int {
        WriteProblem problem;
        QElapsedTimer clock;
        clock.start();
        const SafeWriteResult r = writeBytes(target, "new", &problem);
        if (r != SafeWriteResult::OpenFailed || clock.elapsed() > 1000)
            return 1;
        if (!problem.detail().startsWith(target) || !problem.detail().endsWith(QStringLiteral(": ") + reason))
            return 2;
        return 0;
    };
    QCOMPARE(inChild(attempt, asOrdinaryUser), 0);
    if (socket >= 0)
        ::close(socket);
    if (kind == QLatin1String("read-only") || kind == QLatin1String("foreign"))
        QCOMPARE(contents(target), old);
    if (kind == QLatin1String("device"))
        QVERIFY(QFileInfo(target).isSymLink());
    QCOMPARE(leftovers(dir.path()), QStringList());
}

void tst_SafeWrite::writesThroughLinks_data()
{
    QTest::addColumn<QStringList>("links"); // each link points at the next; the last entry is the file
    QTest::addColumn<bool>("fileExists");
    QTest::newRow("relative link") << QStringList { "a.ico", "real/b.ico" } << true;
    QTest::newRow("absolute link to a link") << QStringList { "a.ico", "@real/c.ico", "real/b.ico" } << true;
    QTest::newRow("dangling link: its file is made") << QStringList { "a.ico", "real/new.ico" } << false;
}

void tst_SafeWrite::writesThroughLinks()
{
    QFETCH(QStringList, links);
    QFETCH(bool, fileExists);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
    const auto at = [&](QString name) {
        return name.startsWith(QLatin1Char('@')) ? dir.filePath(name.mid(1)) : dir.filePath(name);
    };
    const QString file = at(links.last());
    if (fileExists)
        QVERIFY(put(file, "old"));
    for (qsizetype i = 0; i + 1 < links.size(); ++i) {
        // Relative targets are relative to the link's own folder.
        const QString next = links[i + 1].startsWith(QLatin1Char('@'))
            ? at(links[i + 1])
            : QDir(QFileInfo(at(links[i])).path()).relativeFilePath(at(links[i + 1]));
        QVERIFY(::symlink(QFile::encodeName(next).constData(), QFile::encodeName(at(links[i])).constData()) == 0);
    }
    QCOMPARE(writeBytes(at(links.first()), "new"), SafeWriteResult::Ok);
    for (qsizetype i = 0; i + 1 < links.size(); ++i)
        QVERIFY(QFileInfo(at(links[i])).isSymLink());
    QCOMPARE(contents(file), QByteArray("new"));
    QCOMPARE(leftovers(dir.path()) + leftovers(dir.filePath(QStringLiteral("real"))), QStringList());

    // A dangling link whose folder is missing is refused.
    QVERIFY(::symlink("missing/x.ico", QFile::encodeName(dir.filePath(QStringLiteral("d.ico"))).constData()) == 0);
    WriteProblem problem;
    QCOMPARE(writeBytes(dir.filePath(QStringLiteral("d.ico")), "new", &problem), SafeWriteResult::OpenFailed);
    QCOMPARE(problem.systemError, ENOENT);
}

void tst_SafeWrite::keepsModeAndOwner()
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("kept.ico"));
    const QByteArray name = QFile::encodeName(target);
    QVERIFY(put(target, "old"));
    QVERIFY(::chmod(name.constData(), 0640) == 0);
    const uid_t owner = runningAsRoot() ? Nobody : ::geteuid();
    QVERIFY(::chown(name.constData(), owner, owner == Nobody ? Nobody : ::getegid()) == 0);
    QCOMPARE(writeBytes(target, "new"), SafeWriteResult::Ok);
    struct stat st { };
    QVERIFY(::stat(name.constData(), &st) == 0);
    QCOMPARE(contents(target), QByteArray("new"));
    QCOMPARE(int(st.st_mode & 07777), 0640);
    QCOMPARE(st.st_uid, owner);

    // A new file gets the mode the umask allows.
    const mode_t mask = ::umask(027);
    const QString fresh = dir.filePath(QStringLiteral("fresh.ico"));
    QCOMPARE(writeBytes(fresh, "new"), SafeWriteResult::Ok);
    ::umask(mask);
    QVERIFY(::stat(QFile::encodeName(fresh).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
}

void tst_SafeWrite::fullDiskKeepsOldFile_data()
{
    QTest::addColumn<int>("bytes");
    QTest::newRow("small write, fails when flushed") << 4000;
    QTest::newRow("large write, fails at once") << 1000000;
}

void tst_SafeWrite::fullDiskKeepsOldFile()
{
    QFETCH(int, bytes);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("sheet.png"));
    QVERIFY(put(target, "old"));
    // The file-size limit stands in for a full disk: writes past it fail with EFBIG.
    const int status = inChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit small { 1000, 1000 };
            ::setrlimit(RLIMIT_FSIZE, &small);
            WriteProblem problem;
            if (writeBytes(target, QByteArray(bytes, 'x'), &problem) != SafeWriteResult::WriteFailed)
                return 1;
            return problem.systemError == EFBIG && problem.reason == qt_error_string(EFBIG) ? 0 : 2;
        },
        false);
    QCOMPARE(status, 0);
    QCOMPARE(contents(target), QByteArray("old"));
    QCOMPARE(leftovers(dir.path()), QStringList());
}

void tst_SafeWrite::longNames_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("written");
    QTest::newRow("250 bytes") << 250 << true;
    QTest::newRow("255 bytes, the limit") << 255 << true;
    QTest::newRow("256 bytes") << 256 << false;
}

void tst_SafeWrite::longNames()
{
    QFETCH(int, length);
    QFETCH(bool, written);
    QTemporaryDir dir;
    const QString target = dir.filePath(QString(length - 4, QLatin1Char('n')) + QStringLiteral(".ico"));
    WriteProblem problem;
    QCOMPARE(writeBytes(target, "new", &problem) == SafeWriteResult::Ok, written);
    QCOMPARE(contents(target) == "new", written);
    if (!written)
        QCOMPARE(problem.systemError, ENAMETOOLONG);
}

void tst_SafeWrite::signalRemovesTemporary_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void tst_SafeWrite::signalRemovesTemporary()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("a.ico"));
    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        removeTemporariesOnSignals();
        // The signal arrives while the temporary holds half the icon.
        writeFileSafely(target, [&](QIODevice& d) {
            d.write(QByteArray(100000, 'x'));
            ::raise(signal);
            return true;
        });
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFSIGNALED(status));
    QCOMPARE(WTERMSIG(status), signal);
    QCOMPARE(leftovers(dir.path()), QStringList());
    QVERIFY(!QFile::exists(target));
}

void tst_SafeWrite::standardOutput()
{
    // /dev/full fails every write with ENOSPC, as a full disk behind a redirection does.
    const int status = inChild(
        [] {
            const int full = ::open("/dev/full", O_WRONLY);
            if (full < 0 || ::dup2(full, STDOUT_FILENO) < 0)
                return 3;
            WriteProblem problem;
            if (writeStandardOutput(QByteArray("icon bytes"), &problem) != SafeWriteResult::WriteFailed)
                return 1;
            return problem.systemError == ENOSPC ? 0 : 2;
        },
        false);
    if (status == 3)
        QSKIP("no /dev/full here");
    QCOMPARE(status, 0);
}

void tst_SafeWrite::sameFile_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("same");
    QTest::newRow("same path") << "in.ico"
                               << "in.ico" << true;
    QTest::newRow("another spelling") << "in.ico"
                                      << "sub/../in.ico" << true;
    QTest::newRow("symbolic link to the input") << "in.ico"
                                                << "link.ico" << true;
    QTest::newRow("hard link to the input") << "in.ico"
                                            << "hard.ico" << true;
    QTest::newRow("another file") << "in.ico"
                                  << "other.ico" << false;
    QTest::newRow("missing output") << "in.ico"
                                    << "new.ico" << false;
    QTest::newRow("both missing") << "gone.ico"
                                  << "gone.ico" << false;
}

void tst_SafeWrite::sameFile()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(bool, same);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QVERIFY(put(dir.filePath(QStringLiteral("in.ico")), "in"));
    QVERIFY(put(dir.filePath(QStringLiteral("other.ico")), "in"));
    QVERIFY(QFile::link(QStringLiteral("in.ico"), dir.filePath(QStringLiteral("link.ico"))));
    QVERIFY(::link(QFile::encodeName(dir.filePath(QStringLiteral("in.ico"))).constData(),
                QFile::encodeName(dir.filePath(QStringLiteral("hard.ico"))).constData())
        == 0);
    QCOMPARE(brevane::sameFile(dir.filePath(input), dir.filePath(output)), same);
}

QTEST_GUILESS_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
