#include "support/IconCheck.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace brevane::test;

// The conversion itself is tested on the engine; here the options reach it, and the messages and exit codes tell.
class tst_CliConvert : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }
    void options_data();
    void options();
    void runs_data();
    void runs();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_CliConvert::options_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QRgb>("transparent"); // what pads a small picture, too
    const QRgb tl = qRgb(255, 0, 255);
    QTest::newRow("-s 16 -t none: cropped, nothing see-through")
        << QStringList { "-s", "16", "-t", "none" } << 100 << 16 << 24 << qRgb(0, 0, 1);
    QTest::newRow("-t R,G,B pads to 48") << QStringList { "-s", "48", "-t", "1,2,3" } << 10 << 48 << 24
                                         << qRgb(1, 2, 3);
    QTest::newRow("-b 8, size from the width") << QStringList { "-b", "8" } << 20 << 32 << 8 << tl;
}

void tst_CliConvert::options()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    QFETCH(QStringList, options);
    QFETCH(int, width);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(QRgb, transparent);
    const QImage picture = patternPicture(width, 64, qRgb(255, 0, 255));
    const QString pic = writePicture(m_dir->path(), QStringLiteral("pic.bmp"), picture);
    const ToolRun r
        = runCli(QStringLiteral("convert"), QStringList { "-o", m_dir->path() } + options + QStringList { pic });
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exitCode, 0);
    const QString icon = m_dir->filePath(QStringLiteral("pic.ico"));
    QCOMPARE(icotoolList(icon), (QList<ListedImage> { { size, size, bits } }));
    if (bits == 24)
        VERIFY_SAME(iconDiffers(icon, picture, size, transparent, transparent));
}

void tst_CliConvert::runs_data()
{
    QTest::addColumn<QStringList>("args"); // IN: a folder of pictures; OUT: the output folder
    QTest::addColumn<QStringList>("icons"); // written in OUT
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("err"); // the whole of stderr; its start on a usage error
    const QString note = QStringLiteral("brevane-cli convert: IN/notes.txt: not a picture, skipped\n");
    const QStringList all { "a.ico", "sub/a.ico", "sub/b.ico", "sub/deeper/c.ico" };
    QTest::newRow("colour component 300") << QStringList { "-o", "OUT", "-t", "300,0,0", "IN/a.bmp" } << QStringList()
                                          << 2 << "brevane-cli convert: the transparent colour must be";
    QTest::newRow("missing DIR") << QStringList { "-o", "OUT/missing", "IN/a.bmp" } << QStringList() << 2
                                 << "brevane-cli convert: OUT/missing: does not exist\n";
    QTest::newRow("DIR a file") << QStringList { "-o", "IN/a.bmp", "IN/sub/b.bmp" } << QStringList() << 2
                                << "brevane-cli convert: IN/a.bmp: is not a folder\n";
    QTest::newRow("failures named in order, the others written, no input replaced")
        << QStringList { "-v", "-o", "OUT", "IN/fifo.png", "IN/notes.txt", "", "IN/a.bmp", "OUT/self.ico" }
        << QStringList { "a.ico" } << 1
        << "brevane-cli convert: IN/fifo.png: is not a regular file\n"
           "brevane-cli convert: IN/notes.txt: Invalid picture\n"
           "brevane-cli convert: : does not exist\n"
           "brevane-cli convert: OUT/self.ico: the icon OUT/self.ico would replace a listed picture; not written\n";
    QTest::newRow("a folder: the pictures directly in it")
        << QStringList { "-o", "OUT", "IN" } << QStringList { "a.ico" } << 0 << note;
    QTest::newRow("-r: sub-folders mirrored, links not followed")
        << QStringList { "-o", "OUT", "-r", "IN" } << all << 0 << note;
    QTest::newRow("-q: no note") << QStringList { "-o", "OUT", "-q", "-r", "IN" } << all << 0 << QString();
    QTest::newRow("same stem in two folders: the first kept, the second refused")
        << QStringList { "-o", "OUT", "IN/a.bmp", "IN/sub/a.png" } << QStringList { "a.ico" } << 1
        << "brevane-cli convert: IN/sub/a.png: its icon OUT/a.ico was made from IN/a.bmp in this run; not replaced\n";
}

void tst_CliConvert::runs()
{
    REQUIRE_TOOL("icotool");
    QFETCH(QStringList, args);
    QFETCH(QStringList, icons);
    QFETCH(int, exitCode);
    QFETCH(QString, err);
    const QString in = m_dir->filePath(QStringLiteral("in")), out = m_dir->filePath(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(in + QStringLiteral("/sub/deeper")) && QDir().mkpath(out));
    QVERIFY(QFile::link(in, in + QStringLiteral("/sub/loop")));
    QCOMPARE(::mkfifo(qPrintable(in + QStringLiteral("/fifo.png")), 0600), 0); // never listed from a folder
    writePicture(in, QStringLiteral("a.bmp"), patternPicture(20, 20, qRgb(255, 0, 255)));
    writePicture(in, QStringLiteral("sub/a.png"), patternPicture(10, 10, qRgb(0, 0, 255)), "PNG");
    writePicture(in, QStringLiteral("sub/b.bmp"), patternPicture(16, 16, 0));
    writePicture(in, QStringLiteral("sub/deeper/c.bmp"), patternPicture(16, 16, 0));
    writeFile(in, QStringLiteral("notes.txt"), "no picture here");
    const QString self
        = writePicture(out, QStringLiteral("self.ico"), patternPicture(20, 20, 0), "PNG"); // its own icon
    for (QString& a : args)
        a.replace(QLatin1String("IN"), in).replace(QLatin1String("OUT"), out);
    const ToolRun r = runCli(QStringLiteral("convert"), args);
    err.replace(QLatin1String("IN"), in).replace(QLatin1String("OUT"), out);
    QCOMPARE(exitCode == 2 ? r.err.left(err.size()) : r.err, err);
    QCOMPARE(r.exitCode, exitCode);
    QCOMPARE(r.out.isEmpty(), !args.contains(QLatin1String("-v")));
    QStringList written;
    for (QDirIterator it(out, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        written << QDir(out).relativeFilePath(it.next());
    written.removeOne(QStringLiteral("self.ico"));
    written.sort();
    QCOMPARE(written, icons);
    QCOMPARE(QImage(self, "PNG"), patternPicture(20, 20, 0)); // never replaced
    if (icons.contains(QLatin1String("a.ico"))) // a.bmp's 32x32, never replaced by sub/a.png's 16x16
        QCOMPARE(icotoolList(out + QStringLiteral("/a.ico")), sizes24({ 32 }));
}

QTEST_GUILESS_MAIN(tst_CliConvert)
#include "tst_cli_convert.moc"