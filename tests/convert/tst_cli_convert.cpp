#include "support/IconCheck.h"

#include <QTemporaryDir>
#include <QTest>

using namespace brevane::test;

// The conversion itself is tested on the engine; here the options reach it and the exit codes tell.
class tst_CliConvert : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void usageErrors_data();
    void usageErrors();
    void options_data();
    void options();
    void failuresGoOn();
    void neverReplacesAnInput();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_out;
};

void tst_CliConvert::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
}

void tst_CliConvert::usageErrors_data()
{
    QTest::addColumn<QStringList>("args"); // OUT and PIC stand for the folder and a good picture
    QTest::newRow("no target folder") << QStringList { "PIC" };
    QTest::newRow("no picture") << QStringList { "-o", "OUT" };
    QTest::newRow("size 12") << QStringList { "-o", "OUT", "-s", "12", "PIC" };
    QTest::newRow("3 bits") << QStringList { "-o", "OUT", "-b", "3", "PIC" };
    QTest::newRow("colour component 300") << QStringList { "-o", "OUT", "-t", "300,0,0", "PIC" };
    QTest::newRow("short hex colour") << QStringList { "-o", "OUT", "-t", "#FFF", "PIC" };
    QTest::newRow("unknown option") << QStringList { "-o", "OUT", "--scale", "PIC" };
    QTest::newRow("missing folder") << QStringList { "-o", "OUT/missing", "PIC" };
    QTest::newRow("folder whose parent is missing") << QStringList { "-o", "OUT/a/b", "PIC" };
}

void tst_CliConvert::usageErrors()
{
    QFETCH(QStringList, args);
    const QString pic = writePicture(m_dir->path(), QStringLiteral("p.bmp"), patternPicture(20, 20, qRgb(255, 0, 255)));
    for (QString& a : args)
        a.replace(QLatin1String("OUT"), m_out->path()).replace(QLatin1String("PIC"), pic);
    const ToolRun r = runCli(QStringLiteral("convert"), args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(r.out.isEmpty());
    QVERIFY(filesIn(m_out->path()).isEmpty());
}

void tst_CliConvert::options_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QRgb>("background"); // what pads a small picture
    QTest::addColumn<QRgb>("transparent");
    const QRgb tl = qRgb(255, 0, 255);
    const QRgb none = qRgb(0, 0, 1); // nowhere in the picture
    QTest::newRow("defaults: auto size, 24 bits, top-left") << QStringList {} << 20 << 32 << 24 << tl << tl;
    QTest::newRow("-s 16 crops a 100 wide") << QStringList { "-s", "16" } << 100 << 16 << 24 << tl << tl;
    QTest::newRow("-t R,G,B pads to 48") << QStringList { "-s", "48", "-t", "1,2,3" } << 10 << 48 << 24 << qRgb(1, 2, 3)
                                         << qRgb(1, 2, 3);
    QTest::newRow("-t hex") << QStringList { "-s", "32", "-t", "#0A141E" } << 40 << 32 << 24 << qRgb(10, 20, 30)
                            << qRgb(10, 20, 30);
    QTest::newRow("-t none: nothing see-through")
        << QStringList { "-t", "none", "-s", "32" } << 40 << 32 << 24 << tl << none;
    QTest::newRow("-b 8") << QStringList { "-b", "8", "-t", "none" } << 32 << 32 << 8 << tl << none;
}

void tst_CliConvert::options()
{
    QFETCH(QStringList, options);
    QFETCH(int, width);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(QRgb, background);
    QFETCH(QRgb, transparent);
    const QImage picture = patternPicture(width, 64, qRgb(255, 0, 255));
    const QString pic = writePicture(m_dir->path(), QStringLiteral("pic.bmp"), picture);
    const ToolRun r
        = runCli(QStringLiteral("convert"), QStringList { "-o", m_out->path() } + options + QStringList { pic });
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty()); // quiet without -v
    const QString icon = m_out->filePath(QStringLiteral("pic.ico"));
    QCOMPARE(icotoolList(icon), (QList<ListedImage> { { size, size, bits } }));
    if (bits == 24) {
        const QString diff = iconDiffers(icon, picture, size, background, transparent);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
}

void tst_CliConvert::failuresGoOn()
{
    const QString a = writePicture(m_dir->path(), QStringLiteral("a.bmp"), patternPicture(20, 20, qRgb(255, 0, 255)));
    const QString bad = writeFile(m_dir->path(), QStringLiteral("bad.jpg"), "no picture here");
    const QString missing = m_dir->filePath(QStringLiteral("missing.gif"));
    const QString c
        = writePicture(m_dir->path(), QStringLiteral("c.png"), patternPicture(20, 20, qRgb(255, 0, 255)), "PNG");
    const ToolRun r = runCli(QStringLiteral("convert"), { "-v", "-o", m_out->path(), a, bad, missing, c });
    QCOMPARE(r.exitCode, 1);
    const QStringList errors = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 2);
    QVERIFY2(errors[0].contains(bad), qPrintable(errors[0]));
    QVERIFY2(errors[1].contains(missing), qPrintable(errors[1]));
    // -v names each icon written.
    QCOMPARE(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        (QStringList { m_out->filePath(QStringLiteral("a.ico")), m_out->filePath(QStringLiteral("c.ico")) }));
    QCOMPARE(filesIn(m_out->path()), (QStringList { "a.ico", "c.ico" }));
}

void tst_CliConvert::neverReplacesAnInput()
{
    const QString self = writePicture(m_dir->path(), QStringLiteral("self.ico"), patternPicture(20, 20, 0), "PNG");
    const QString other = writePicture(m_dir->path(), QStringLiteral("other.bmp"), patternPicture(20, 20, 0));
    QFile f(self);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    const ToolRun r = runCli(QStringLiteral("convert"), { "-o", m_dir->path(), self, other });
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(self), qPrintable(r.err));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(icotoolList(m_dir->filePath(QStringLiteral("other.ico"))), sizes24({ 32 }));
}

QTEST_GUILESS_MAIN(tst_CliConvert)
#include "tst_cli_convert.moc"
