#include "IconCheck.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane::test;

namespace {

struct CliRun {
    int exitCode = -1;
    QString out;
    QStringList errLines;
};

CliRun convert(const QStringList& args)
{
    QProcess cli;
    cli.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), QStringList { QStringLiteral("convert") } + args);
    CliRun r;
    if (!cli.waitForFinished(60000))
        return r;
    r.exitCode = cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1;
    r.out = QString::fromLocal8Bit(cli.readAllStandardOutput());
    // Qt's own start-up chatter is not ours.
    const QStringList lines
        = QString::fromLocal8Bit(cli.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& l : lines)
        if (!l.startsWith(QLatin1String("QStandardPaths:")))
            r.errLines.append(l);
    return r;
}

} // namespace

class tst_CliConvert : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void usageErrors_data();
    void usageErrors();
    void pixelsAndFormats_data();
    void pixelsAndFormats();
    void autoSizes();
    void failuresGoOn();
    void neverReplacesAnInput();
    void verboseNamesEachFile();

private:
    QString save(const QImage& img, const QString& name, const char* format = "BMP")
    {
        const QString path = m_dir->filePath(name);
        if (!img.save(path, format))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
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
    const QString pic = save(patternPicture(20, 20, qRgb(255, 0, 255)), QStringLiteral("p.bmp"));
    for (QString& a : args)
        a.replace(QLatin1String("OUT"), m_out->path()).replace(QLatin1String("PIC"), pic);
    const CliRun r = convert(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!r.errLines.isEmpty());
    QVERIFY(r.out.isEmpty());
    QVERIFY(QDir(m_out->path()).entryList(QDir::Files).isEmpty());
}

void tst_CliConvert::pixelsAndFormats_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QRgb>("background"); // what pads a small picture
    QTest::addColumn<QRgb>("transparent");
    QTest::addColumn<bool>("seeThrough"); // whether transparent pixels come out see-through
    const QRgb tl = qRgb(255, 0, 255);
    QTest::newRow("defaults: auto size, 24 bits, top-left") << QStringList {} << 20 << 32 << 24 << tl << tl << true;
    QTest::newRow("100 wide cropped to 16") << QStringList { "-s", "16" } << 100 << 16 << 24 << tl << tl << true;
    QTest::newRow("10 wide padded to 48 with R,G,B")
        << QStringList { "-s", "48", "-t", "1,2,3" } << 10 << 48 << 24 << qRgb(1, 2, 3) << qRgb(1, 2, 3) << true;
    QTest::newRow("hex colour") << QStringList { "-s", "32", "-t", "#0A141E" } << 40 << 32 << 24 << qRgb(10, 20, 30)
                                << qRgb(10, 20, 30) << true;
    // Without padding: whether the icon document honours the cleared flag is its own matter.
    QTest::newRow("none: nothing see-through") << QStringList { "-t", "none", "-s", "32" } << 40 << 32 << 24
                                               << qRgb(255, 255, 250) << qRgb(255, 255, 250) << false;
}

void tst_CliConvert::pixelsAndFormats()
{
    QFETCH(QStringList, options);
    QFETCH(int, width);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(QRgb, background);
    QFETCH(QRgb, transparent);
    QFETCH(bool, seeThrough);
    const QImage picture = patternPicture(width, 64, qRgb(255, 0, 255));
    const QString pic = save(picture, QStringLiteral("pic.bmp"));
    const CliRun r = convert(QStringList { "-o", m_out->path() } + options + QStringList { pic });
    QCOMPARE(r.errLines, QStringList());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty()); // quiet without -v
    const QString icon = m_out->filePath(QStringLiteral("pic.ico"));
    QCOMPARE(icotoolList(icon), expectedIcotoolLine(size, bits));
    const QImage got = decodeWithImageMagick(icon, size);
    QImage want = expectedIcon(picture, size, background, seeThrough ? transparent : qRgb(0, 0, 1));
    const QString diff = firstDifference(got, want);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_CliConvert::autoSizes()
{
    const QList<int> widths { 64, 16, 20, 40, 64 };
    const QList<int> sizes { 32, 16, 32, 48, 48 };
    QStringList args { "-o", m_out->path(), "-s", "auto" };
    for (int i = 0; i < widths.size(); ++i)
        args.append(save(patternPicture(widths[i], 10, qRgb(255, 0, 255), i), QStringLiteral("w%1.png").arg(i), "PNG"));
    const CliRun r = convert(args);
    QCOMPARE(r.exitCode, 0);
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("w%1.ico").arg(i))), expectedIcotoolLine(sizes[i], 24));
}

void tst_CliConvert::failuresGoOn()
{
    const QString a = save(patternPicture(20, 20, qRgb(255, 0, 255)), QStringLiteral("a.bmp"));
    const QString bad = m_dir->filePath(QStringLiteral("bad.jpg"));
    QVERIFY(writeFile(bad, "no picture here"));
    const QString missing = m_dir->filePath(QStringLiteral("missing.gif"));
    const QString c = save(patternPicture(20, 20, qRgb(255, 0, 255)), QStringLiteral("c.png"), "PNG");
    const CliRun r = convert({ "-o", m_out->path(), "-b", "8", a, bad, missing, c });
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errLines.size(), 2);
    QVERIFY2(r.errLines[0].contains(bad), qPrintable(r.errLines[0]));
    QVERIFY2(r.errLines[1].contains(missing), qPrintable(r.errLines[1]));
    QCOMPARE(QDir(m_out->path()).entryList(QDir::Files, QDir::Name), (QStringList { "a.ico", "c.ico" }));
    QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("c.ico"))), expectedIcotoolLine(32, 8));
}

void tst_CliConvert::neverReplacesAnInput()
{
    const QString self = save(patternPicture(20, 20, qRgb(255, 0, 255)), QStringLiteral("self.ico"), "PNG");
    const QString other = save(patternPicture(20, 20, qRgb(255, 0, 255)), QStringLiteral("other.bmp"));
    QFile f(self);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    const CliRun r = convert({ "-o", m_dir->path(), self, other });
    QCOMPARE(r.exitCode, 1);
    QCOMPARE(r.errLines.size(), 1);
    QVERIFY2(r.errLines[0].contains(self), qPrintable(r.errLines[0]));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(icotoolList(m_dir->filePath(QStringLiteral("other.ico"))), expectedIcotoolLine(32, 24));
}

void tst_CliConvert::verboseNamesEachFile()
{
    const QString a = save(patternPicture(20, 20, qRgb(255, 0, 255)), QStringLiteral("a.bmp"));
    const QString b = save(patternPicture(20, 20, qRgb(255, 0, 255)), QStringLiteral("b.jpeg"), "JPEG");
    const CliRun r = convert({ "-v", "-o", m_out->path(), a, b });
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
        (QStringList { m_out->filePath(QStringLiteral("a.ico")), m_out->filePath(QStringLiteral("b.ico")) }));
    QVERIFY(r.errLines.isEmpty());
}

QTEST_GUILESS_MAIN(tst_CliConvert)
#include "tst_cli_convert.moc"
