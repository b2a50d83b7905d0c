#include "support/IconCheck.h"

#include <QDirIterator>
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
    void folders_data();
    void folders();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_CliConvert::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_CliConvert::usageErrors_data()
{
    QTest::addColumn<QStringList>("args"); // DIR and PIC stand for the folder and a good picture in it
    QTest::newRow("size 12") << QStringList { "-o", "DIR", "-s", "12", "PIC" };
    QTest::newRow("3 bits") << QStringList { "-o", "DIR", "-b", "3", "PIC" };
    QTest::newRow("colour component 300") << QStringList { "-o", "DIR", "-t", "300,0,0", "PIC" };
    QTest::newRow("missing folder") << QStringList { "-o", "DIR/missing", "PIC" };
}

void tst_CliConvert::usageErrors()
{
    QFETCH(QStringList, args);
    const QString pic = writePicture(m_dir->path(), QStringLiteral("p.bmp"), patternPicture(20, 20, qRgb(255, 0, 255)));
    for (QString& a : args)
        a.replace(QLatin1String("DIR"), m_dir->path()).replace(QLatin1String("PIC"), pic);
    const ToolRun r = runCli(QStringLiteral("convert"), args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!r.err.isEmpty());
    QVERIFY(filesIn(m_dir->path(), { "*.ico" }).isEmpty());
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
    QTest::newRow("-s 16 -t none: cropped, nothing see-through")
        << QStringList { "-s", "16", "-t", "none" } << 100 << 16 << 24 << tl << none;
    QTest::newRow("-t R,G,B pads to 48") << QStringList { "-s", "48", "-t", "1,2,3" } << 10 << 48 << 24 << qRgb(1, 2, 3)
                                         << qRgb(1, 2, 3);
    QTest::newRow("-b 8, size from the width") << QStringList { "-b", "8" } << 20 << 32 << 8 << tl << tl;
}

void tst_CliConvert::options()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    QFETCH(QStringList, options);
    QFETCH(int, width);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(QRgb, background);
    QFETCH(QRgb, transparent);
    const QImage picture = patternPicture(width, 64, qRgb(255, 0, 255));
    const QString pic = writePicture(m_dir->path(), QStringLiteral("pic.bmp"), picture);
    const ToolRun r
        = runCli(QStringLiteral("convert"), QStringList { "-o", m_dir->path() } + options + QStringList { pic });
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.isEmpty()); // quiet without -v
    const QString icon = m_dir->filePath(QStringLiteral("pic.ico"));
    QCOMPARE(icotoolList(icon), (QList<ListedImage> { { size, size, bits } }));
    if (bits == 24)
        VERIFY_SAME(iconDiffers(icon, picture, size, background, transparent));
}

// A bad picture and an input the icon would replace are reported; the others are still written.
void tst_CliConvert::failuresGoOn()
{
    REQUIRE_TOOL("icotool");
    const QString a = writePicture(m_dir->path(), QStringLiteral("a.bmp"), patternPicture(20, 20, 0));
    const QString bad = writeFile(m_dir->path(), QStringLiteral("bad.jpg"), "no picture here");
    const QString self = writePicture(m_dir->path(), QStringLiteral("self.ico"), patternPicture(20, 20, 0), "PNG");
    QFile f(self);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    const ToolRun r = runCli(QStringLiteral("convert"), { "-v", "-o", m_dir->path(), a, bad, self });
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(bad) && r.err.contains(self), qPrintable(r.err));
    QCOMPARE(
        r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), QStringList { m_dir->filePath(QStringLiteral("a.ico")) });
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    QCOMPARE(icotoolList(m_dir->filePath(QStringLiteral("a.ico"))), sizes24({ 32 }));
}

void tst_CliConvert::folders_data()
{
    QTest::addColumn<QStringList>("args"); // IN stands for a folder of pictures, OUT for the output folder
    QTest::addColumn<QStringList>("icons");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err");
    const QString note = QStringLiteral("brevane-cli convert: IN/notes.txt: not a picture, skipped\n");
    const QStringList all { "a.ico", "sub/a.ico", "sub/b.ico", "sub/deeper/c.ico" };
    QTest::newRow("a folder: the pictures directly in it") << QStringList { "IN" } << QStringList { "a.ico" } << 0 << note;
    QTest::newRow("-r: sub-folders mirrored, links not followed") << QStringList { "-r", "IN" } << all << 0 << note;
    QTest::newRow("-q: no note") << QStringList { "-q", "-r", "IN" } << all << 0 << QString();
    QTest::newRow("same stem: the first kept, the second refused")
        << QStringList { "IN/a.bmp", "IN/sub/a.png" } << QStringList { "a.ico" } << 1
        << "brevane-cli convert: IN/sub/a.png: its icon OUT/a.ico was made from IN/a.bmp in this run; not replaced\n";
}

void tst_CliConvert::folders()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, icons);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    const QString in = m_dir->filePath(QStringLiteral("in")), out = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(in + QStringLiteral("/sub/deeper")) && QDir().mkpath(out));
    QVERIFY(QFile::link(in, in + QStringLiteral("/sub/loop")));
    writePicture(in, QStringLiteral("a.bmp"), patternPicture(20, 20, qRgb(255, 0, 255)));
    writePicture(in, QStringLiteral("sub/a.png"), patternPicture(30, 30, qRgb(0, 0, 255)), "PNG");
    writePicture(in, QStringLiteral("sub/b.bmp"), patternPicture(16, 16, 0));
    writePicture(in, QStringLiteral("sub/deeper/c.bmp"), patternPicture(16, 16, 0));
    writeFile(in, QStringLiteral("notes.txt"), "no picture here");
    for (QString& a : args)
        a.replace(QLatin1String("IN"), in);
    const ToolRun r = runCli(QStringLiteral("convert"), QStringList { "-o", out } + args);
    QCOMPARE(r.err, err.replace(QLatin1String("IN"), in).replace(QLatin1String("OUT"), out));
    QCOMPARE(r.exitCode, exitCode);
    QStringList written;
    for (QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        written << QDir(out).relativeFilePath(it.next());
    written.sort();
    QCOMPARE(written, icons);
    // Never replaced by a picture of the same stem: a.ico is the icon of a.bmp alone.
    QVERIFY(runCli(QStringLiteral("convert"), { "-o", m_dir->path(), in + QStringLiteral("/a.bmp") }).exitCode == 0);
    QFile made(out + QStringLiteral("/a.ico")), alone(m_dir->filePath(QStringLiteral("a.ico")));
    QVERIFY(made.open(QIODevice::ReadOnly) && alone.open(QIODevice::ReadOnly));
    QCOMPARE(made.readAll(), alone.readAll());
}

QTEST_GUILESS_MAIN(tst_CliConvert)
#include "tst_cli_convert.moc"
