#include "palette/Palette.h"
#include "platform/Error.h"
#include "platform/Limits.h"

#include "support/OtherUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace brevane;
using namespace brevane::test;

class tst_PaletteFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void save_data();
    void save();
    void load_data();
    void load();
};

void tst_PaletteFile::save_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<qint32>("number");
    QTest::newRow("read-only file, as a user") << "read-only" << qint32(err::PermissionDenied);
    QTest::newRow("disk full part way") << "full" << qint32(err::DeviceIo);
}

// The old palette stays; the error keeps the run-time number and text and names the file.
void tst_PaletteFile::save()
{
    QFETCH(QString, situation);
    QFETCH(qint32, number);
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther
            | QFile::ExeOther));
    const QString path = dir.filePath(QStringLiteral("old.pal"));
    Palette palette;
    palette.saveJasc(path);
    const bool readOnly = situation == QLatin1String("read-only");
    if (readOnly)
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    const int status = inChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit small { 1000, 1000 };
            if (!readOnly)
                ::setrlimit(RLIMIT_FSIZE, &small);
            palette.createStandard256();
            try {
                palette.saveJasc(path);
            } catch (const Error& e) {
                return e.number() == number && e.description() == Error::runtimeDescription(number)
                        && e.source() == QLatin1String("Brevane.cPalette") && e.detail().startsWith(path + ": ")
                    ? 0
                    : 2;
            }
            return 1;
        },
        readOnly);
    QCOMPARE(status, 0);
    QCOMPARE(QFileInfo(path).size(), 13); // the empty palette saved first
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("old.pal") });
}

void tst_PaletteFile::load_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<qint32>("number"); // 0: loads
    QTest::addColumn<bool>("jasc"); // what looksLikeJasc says
    QTest::newRow("2 GiB, sparse") << "huge" << qint32(err::OutOfMemory) << true;
    QTest::newRow("FIFO, never opened") << "fifo" << qint32(err::PathFileAccess) << false;
    QTest::newRow("as large as allowed") << "limit" << qint32(0) << true;
    QTest::newRow("as saveJasc writes it") << "own" << qint32(0) << true;
    QTest::newRow("colour lines only") << "lines" << qint32(0) << false;
}

void tst_PaletteFile::load()
{
    QFETCH(QString, kind);
    QFETCH(qint32, number);
    QFETCH(bool, jasc);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("in.pal"));
    QFile f(path);
    if (kind == QLatin1String("fifo")) {
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
    } else {
        const QByteArray head = kind == QLatin1String("own") ? "JASC\r\n0100\r\n1\r\n1 2 3"
            : kind == QLatin1String("lines")                 ? "1 2 3\r\n"
                                                             : "JASC-PAL\r\n0100\r\n1\r\n1 2 3\r\n";
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(head) == head.size());
        if (kind == QLatin1String("huge") || kind == QLatin1String("limit"))
            QVERIFY(f.resize(kind == QLatin1String("huge") ? qint64(2) << 30 : limits::MaxPaletteFileBytes));
        f.close();
    }
    QCOMPARE(Palette::looksLikeJasc(path), jasc);
    Palette palette;
    try {
        palette.loadJasc(path);
        QCOMPARE(number, 0);
        QCOMPARE(palette.count(), 1);
    } catch (const Error& e) {
        QCOMPARE(e.number(), number);
        QVERIFY2(e.detail().startsWith(path + QStringLiteral(": ")), qPrintable(e.detail()));
    }
}

QTEST_GUILESS_MAIN(tst_PaletteFile)
#include "tst_palettefile.moc"
