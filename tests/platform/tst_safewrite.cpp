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
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace brevane;
using namespace brevane::test;

class tst_SafeWrite : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void write_data();
    void write();
    void signalRemovesTemporary();
    void sameFile();
};

void tst_SafeWrite::write_data()
{
    QTest::addColumn<QString>("target"); // written as "a.ico", a link to "real/b.ico"
    QTest::addColumn<QString>("reason"); // empty: "new" is written through, else "old" stays
    QTest::newRow("read-only file, as a user") << "read-only" << "Permission denied";
    QTest::newRow("someone else's file, folder open to all") << "foreign" << "Permission denied";
    QTest::newRow("FIFO, never opened") << "fifo" << "not a regular file";
    QTest::newRow("disk full part way (file-size limit)") << "full" << "File too large";
    QTest::newRow("writer throws") << "throws" << "";
    QTest::newRow("relative link, written through") << "link" << "";
    QTest::newRow("mode 0640 and owner kept") << "mode" << "";
    QTest::newRow("250-byte name") << "250" << "";
}

void tst_SafeWrite::write()
{
    QFETCH(QString, target);
    QFETCH(QString, reason);
    const bool root = ::geteuid() == 0;
    if (target == "foreign" && !root)
        QSKIP("needs root to give a file to someone else");
    QTemporaryDir dir;
    QString path = dir.filePath("a.ico"), file = dir.filePath("real/b.ico");
    const QByteArray f = QFile::encodeName(file);
    QVERIFY(QDir(dir.path()).mkdir("real") && writeFile(file, "old") && QFile::link("real/b.ico", path));
    for (const QString& folder : { dir.path(), dir.filePath("real") })
        QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
    if (target == "read-only" || target == "foreign" || target == "mode")
        QVERIFY(::chmod(f.constData(), target == "read-only" ? 0444 : 0640) == 0
            && ::chown(f.constData(), target != "foreign" && root ? Nobody : ::geteuid(), gid_t(-1)) == 0);
    if (target == "fifo")
        QVERIFY(QFile::remove(path) && ::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
    if (target == "250")
        file = path = dir.filePath(QString(246, QLatin1Char('n')) + ".ico");

    const int status = inChild(
        [&] {
            const rlimit small { 1000, 1000 };
            if (target == "full" && (::signal(SIGXFSZ, SIG_IGN) == SIG_ERR || ::setrlimit(RLIMIT_FSIZE, &small) != 0))
                return 4;
            QElapsedTimer clock;
            clock.start();
            WriteProblem problem;
            const QByteArray bytes = target == "full" ? QByteArray(5000, 'x') : QByteArray("new");
            try {
                const SafeWriteResult r = writeFileSafely(path, &problem, [&](QIODevice& d) {
                    if (target == "throws" && d.write("partial"))
                        throw std::runtime_error("out of memory");
                    return d.write(bytes) == bytes.size();
                });
                if ((r == SafeWriteResult::Ok) != reason.isEmpty() || problem.reason != reason)
                    return 1;
            } catch (const std::runtime_error&) {
                return target == "throws" ? 3 : 1;
            }
            return clock.elapsed() < 1000 && (reason.isEmpty() || problem.detail().startsWith(path)) ? 0 : 2;
        },
        target == "read-only" || target == "foreign");
    QCOMPARE(status, target == "throws" ? 3 : 0);
    QCOMPARE(readFile(file), QByteArray(reason.isEmpty() && target != "throws" ? "new" : "old"));
    QCOMPARE(QFileInfo(dir.filePath("a.ico")).isSymLink(), target != "fifo");
    if (target == "mode") {
        struct stat st { };
        QVERIFY(::stat(f.constData(), &st) == 0);
        QCOMPARE(st.st_mode & 07777, mode_t(0640));
        QCOMPARE(st.st_uid, root ? Nobody : ::geteuid());
    }
    for (const QString& folder : { dir.path(), dir.filePath("real") })
        QCOMPARE(QDir(folder).entryList({ ".brv-*" }, QDir::AllEntries | QDir::Hidden | QDir::System), QStringList());
}

// The signal arrives while the temporary holds half the icon.
void tst_SafeWrite::signalRemovesTemporary()
{
    for (const int signal : { SIGINT, SIGTERM }) {
        QTemporaryDir dir;
        const pid_t pid = ::fork();
        if (pid == 0) {
            removeTemporariesOnSignals();
            writeFileSafely(dir.filePath("a.ico"), [&](QIODevice& d) {
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
}

void tst_SafeWrite::sameFile()
{
    QTemporaryDir dir;
    const QString in = dir.filePath("in.ico");
    QVERIFY(QDir(dir.path()).mkdir("sub") && writeFile(in, "in") && writeFile(dir.filePath("other.ico"), "in")
        && QFile::link("in.ico", dir.filePath("link.ico")));
    QVERIFY(::link(QFile::encodeName(in).constData(), QFile::encodeName(dir.filePath("hard.ico")).constData()) == 0);
    for (const auto& [output, same] : { std::pair { "sub/../in.ico", true }, { "link.ico", true }, { "hard.ico", true },
             { "other.ico", false } })
        QVERIFY2(brevane::sameFile(in, dir.filePath(output)) == same, output);
    QVERIFY(!brevane::sameFile(dir.filePath("gone.ico"), dir.filePath("gone.ico")));
}

QTEST_GUILESS_MAIN(tst_SafeWrite)
#include "tst_safewrite.moc"
