#include "platform/FileIdentity.h"
#include "platform/SafeWrite.h"

#include "support/OtherUser.h"
#include "support/PlainFiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace brevane;
using namespace brevane::test;

namespace {

QStringList temporaries(const QString& folder)
{
    return QDir(folder).entryList({ QStringLiteral(".brv-*") }, QDir::AllEntries | QDir::Hidden | QDir::System);
}

} // namespace

class tst_SafeWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void write_data();
    void write();
    void signalRemovesTemporary_data();
    void signalRemovesTemporary();
    void sameFile_data();
    void sameFile();
};

void tst_SafeWrite::write_data()
{
    QTest::addColumn<QString>("target"); // written as "a.ico"; "file" is where its bytes land
    QTest::addColumn<QByteArray>("content"); // of "file" afterwards
    QTest::addColumn<QString>("reason"); // empty when written
    const QByteArray old("old"), made("new");
    QTest::newRow("read-only file, as a user") << "read-only" << old << "Permission denied";
    QTest::newRow("someone else's file, folder open to all") << "foreign" << old << "Permission denied";
    QTest::newRow("FIFO, never opened") << "fifo" << old << "not a regular file";
    QTest::newRow("link to a device") << "link to /dev/null" << old << "not a regular file";
    QTest::newRow("folder") << "folder" << old << "Is a directory";
    QTest::newRow("disk full part way (file-size limit)") << "full" << old << "File too large";
    QTest::newRow("relative link, written through") << "link" << made << "";
    QTest::newRow("dangling link: its file is made") << "dangling" << made << "";
    QTest::newRow("dangling link into a missing folder") << "nowhere" << QByteArray() << "No such file or directory";
    QTest::newRow("mode 0640 and owner kept") << "mode" << made << "";
    QTest::newRow("250-byte name") << "250" << made << "";
    QTest::newRow("256-byte name") << "256" << QByteArray() << "File name too long";
}

void tst_SafeWrite::write()
{
    QFETCH(QString, target);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const bool root = ::geteuid() == 0;
    QTemporaryDir dir;
    QVERIFY(::chmod(QFile::encodeName(dir.path()).constData(), 0777) == 0);
    QString path = dir.filePath(QStringLiteral("a.ico"));
    QString file = dir.filePath(QStringLiteral("real/b.ico"));
    const QByteArray f = QFile::encodeName(file);
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("real")));
    QVERIFY(::chmod(QFile::encodeName(dir.filePath(QStringLiteral("real"))).constData(), 0777) == 0);
    QVERIFY(writeFile(file, "old"));
    QVERIFY(QFile::link(QStringLiteral("real/b.ico"), path));
    if (target == QLatin1String("read-only") || target == QLatin1String("foreign") || target == QLatin1String("mode")) {
        if (target == QLatin1String("foreign") && !root)
            QSKIP("needs root to give a file to someone else");
        QVERIFY(::chmod(f.constData(), target == QLatin1String("read-only") ? 0444 : 0640) == 0);
        QVERIFY(
            ::chown(f.constData(), target != QLatin1String("foreign") && root ? Nobody : ::geteuid(), gid_t(-1)) == 0);
    } else if (target != QLatin1String("link") && target != QLatin1String("full")) {
        QVERIFY(QFile::remove(path));
        if (target == QLatin1String("fifo"))
            QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
        if (target == QLatin1String("folder"))
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("a.ico")));
        if (target.startsWith(QLatin1String("link to ")))
            QVERIFY(QFile::link(target.mid(8), path));
        if (target == QLatin1String("dangling") || target == QLatin1String("nowhere"))
            QVERIFY(QFile::remove(file)
                && QFile::link(
                    target == QLatin1String("dangling") ? QStringLiteral("real/b.ico") : QStringLiteral("no/b.ico"),
                    path));
        if (target.front().isDigit())
            file = path = dir.filePath(QString(target.toInt() - 4, QLatin1Char('n')) + QStringLiteral(".ico"));
    }

    const bool asUser = target == QLatin1String("read-only") || target == QLatin1String("foreign");
    const int status = inChild(
        [&] {
            if (target == QLatin1String("full")) {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit small { 1000, 1000 };
                ::setrlimit(RLIMIT_FSIZE, &small);
            }
            QElapsedTimer clock;
            clock.start();
            WriteProblem problem;
            const QByteArray bytes = target == QLatin1String("full") ? QByteArray(5000, 'x') : QByteArray("new");
            const SafeWriteResult r
                = writeFileSafely(path, &problem, [&](QIODevice& d) { return d.write(bytes) == bytes.size(); });
            if ((r == SafeWriteResult::Ok) != reason.isEmpty() || problem.reason != reason)
                return 1;
            return clock.elapsed() < 1000 && (reason.isEmpty() || problem.detail().startsWith(path)) ? 0 : 2;
        },
        asUser);
    QCOMPARE(status, 0);
    QCOMPARE(readFile(file), content);
    if (target == QLatin1String("link") || target.startsWith(QLatin1String("link to")))
        QVERIFY(QFileInfo(path).isSymLink());
    struct stat st { };
    if (target == QLatin1String("mode")) {
        QVERIFY(::stat(f.constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(st.st_uid, root ? Nobody : ::geteuid());
    }
    QCOMPARE(temporaries(dir.path()) + temporaries(dir.filePath(QStringLiteral("real"))), QStringList());
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
    const pid_t pid = ::fork();
    if (pid == 0) {
        removeTemporariesOnSignals();
        // The signal arrives while the temporary holds half the icon.
        writeFileSafely(dir.filePath(QStringLiteral("a.ico")), [&](QIODevice& d) {
            d.write(QByteArray(100000, 'x'));
            return ::raise(signal) == 0;
        });
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == signal);
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

void tst_SafeWrite::sameFile_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("same");
    QTest::newRow("same path") << "in.ico" << true;
    QTest::newRow("another spelling") << "sub/../in.ico" << true;
    QTest::newRow("symbolic link to the input") << "link.ico" << true;
    QTest::newRow("hard link to the input") << "hard.ico" << true;
    QTest::newRow("another file, same bytes") << "other.ico" << false;
    QTest::newRow("missing output") << "new.ico" << false;
}

void tst_SafeWrite::sameFile()
{
    QFETCH(QString, output);
    QFETCH(bool, same);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.ico"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")) && writeFile(in, "in")
        && writeFile(dir.filePath(QStringLiteral("other.ico")), "in"));
    QVERIFY(QFile::link(QStringLiteral("in.ico"), dir.filePath(QStringLiteral("link.ico"))));
    QVERIFY(::link(QFile::encodeName(in).constData(),
                QFile::encodeName(dir.filePath(QStringLiteral("hard.ico"))).constData())
        == 0);
    QCOMPARE(brevane::sameFile(in, dir.filePath(output)), same);
    QVERIFY(!brevane::sameFile(dir.filePath(QStringLiteral("gone.ico")), dir.filePath(QStringLiteral("gone.ico"))));
}

QTEST_GUILESS_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
