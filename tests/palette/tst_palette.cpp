#include "icon/IconFile.h"
#include "palette/Palette.h"
#include "platform/Error.h"
#include "platform/Limits.h"

#include "../support/IconTestSupport.h"
#include "support/OtherUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace brevane;
using namespace brevane::test;
using Colours = QList<QRgb>;

namespace {

Colours entries(const Palette& p)
{
    Colours out;
    for (qint32 i = 1; i <= p.count(); ++i)
        out.append(qRgb(p.red(i), p.green(i), p.blue(i)));
    return out;
}

// A standard palette (or an empty one) with 'added' appended.
Palette palette(void (Palette::*make)(), const Colours& added = {})
{
    Palette p;
    if (make)
        (p.*make)();
    for (const QRgb c : added)
        p.addColour(quint8(qRed(c)), quint8(qGreen(c)), quint8(qBlue(c)));
    return p;
}

} // namespace

class tst_Palette : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void save();
    void load_data();
    void load();
    void standardEntries();
    void closestIndex_data();
    void closestIndex();
    void icon();
};

// The bytes written; when the disk fills part way, the old palette stays and the error keeps
// the run-time number and text and names the file.
void tst_Palette::save()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("old.pal");
    palette(&Palette::createMonochrome).saveJasc(path);
    QCOMPARE(readFile(path), QByteArray("JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 255"));
    Palette pal;
    pal.saveJasc(path);
    const int status = inChild([&] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit small { 1000, 1000 };
        ::setrlimit(RLIMIT_FSIZE, &small);
        pal.createStandard256();
        try {
            pal.saveJasc(path);
        } catch (const Error& e) {
            return e.number() == err::DeviceIo && e.description() == Error::runtimeDescription(err::DeviceIo)
                    && e.source() == "Brevane.cPalette" && e.detail().startsWith(path + ": ")
                ? 0
                : 2;
        }
        return 1;
    });
    QCOMPARE(status, 0);
    QCOMPARE(readFile(path), QByteArray("JASC\r\n0100\r\n0"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "old.pal" });
}

void tst_Palette::load_data()
{
    QTest::addColumn<QByteArray>("text"); // "fifo": a FIFO
    QTest::addColumn<qint64>("size"); // 0: as written
    QTest::addColumn<bool>("jasc"); // what looksLikeJasc says
    QTest::addColumn<qint32>("error"); // 0: loads
    QTest::addColumn<Colours>("colours"); // afterwards
    const auto row = [](const char* name, const QByteArray& text, bool jasc, qint32 error, const Colours& colours,
                         qint64 size = 0) { QTest::newRow(name) << text << size << jasc << error << colours; };
    const QByteArray one("JASC-PAL\r\n0100\r\n1\r\n1 2 3\r\n");
    const Colours c123 { qRgb(1, 2, 3) };
    row("published layout ending in CR LF", "JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 128 0\r\n1 2 3\r\n", true, 0,
        { qRgb(255, 0, 0), qRgb(0, 128, 0), qRgb(1, 2, 3) });
    row("as saveJasc writes it", "JASC\r\n0100\r\n1\r\n1 2 3", true, 0, c123);
    row("LF only: no line of three fields", "JASC-PAL\n0100\n2\n1 2 3\n4 5 6\n", true, 0, {});
    row("two spaces between numbers skipped", "JASC-PAL\r\n0100\r\n2\r\n1  2 3\r\n4 5 6", true, 0, { qRgb(4, 5, 6) });
    row("a bad line adds no entry", "JASC-PAL\r\n0100\r\n4\r\n1 2 3\r\n4 5 6\r\n7 8 256\r\n9 9 9", true, err::Overflow,
        { qRgb(1, 2, 3), qRgb(4, 5, 6) });
    row("as large as allowed", one, true, 0, c123, limits::MaxPaletteFileBytes);
    row("2 GiB, sparse", one, true, err::OutOfMemory, {}, qint64(2) << 30);
    row("FIFO, never opened", "fifo", false, err::PathFileAccess, {});
}

void tst_Palette::load()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, size);
    QFETCH(bool, jasc);
    QFETCH(qint32, error);
    QFETCH(Colours, colours);
    QTemporaryDir dir;
    const QString path = dir.filePath("in.pal");
    if (text == "fifo")
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0666) == 0);
    else
        QVERIFY(writeFile(path, text) && (!size || QFile::resize(path, size)));
    QCOMPARE(Palette::looksLikeJasc(path), jasc);
    Palette p = palette(&Palette::createStandard16);
    try {
        p.loadJasc(path);
        QCOMPARE(0, error);
    } catch (const Error& e) {
        QCOMPARE(e.number(), error);
        QCOMPARE(e.source(), QStringLiteral("Brevane.cPalette"));
        QVERIFY2(e.number() == err::Overflow || e.detail().startsWith(path + ": "), qPrintable(e.detail()));
    }
    QCOMPARE(entries(p), colours);
}

// Spot checks: the sixteen system colours, the cube, the grey ramp, the high colours.
void tst_Palette::standardEntries()
{
    const Colours standard = entries(palette(&Palette::createStandard256));
    const Colours uniform = entries(palette(&Palette::createUniform256));
    QCOMPARE(standard.size(), 256);
    QCOMPARE(uniform.size(), 256);
    for (const auto& [index, rgb] : { std::pair { 2, qRgb(128, 0, 0) }, { 8, qRgb(192, 192, 192) }, { 9, qRgb(51, 0, 0) },
             { 13, qRgb(0, 51, 0) }, { 216, qRgb(204, 255, 255) }, { 217, qRgb(8, 8, 8) }, { 248, qRgb(128, 128, 128) },
             { 249, qRgb(255, 0, 0) }, { 255, qRgb(255, 255, 255) }, { 256, qRgb(0, 0, 0) } })
        QCOMPARE(standard[index - 1], rgb);
    for (const auto& [index, rgb] : { std::pair { 2, qRgb(64, 0, 0) }, { 5, qRgb(255, 0, 0) }, { 6, qRgb(0, 64, 0) },
             { 26, qRgb(0, 0, 64) }, { 125, qRgb(255, 255, 255) }, { 126, qRgb(0, 0, 0) } })
        QCOMPARE(uniform[index - 1], rgb);
}

void tst_Palette::closestIndex_data()
{
    QTest::addColumn<Colours>("colours");
    QTest::addColumn<QList<int>>("wanted");
    QTest::addColumn<int>("index");
    const Colours mono { qRgb(0, 0, 0), qRgb(255, 255, 255) };
    // The cube leaves out its corners: red is entry 249 only.
    QTest::newRow("standard 256, red") << entries(palette(&Palette::createStandard256)) << QList { 255, 0, 0 } << 249;
    QTest::newRow("128 grey nearer white") << mono << QList { 128, 128, 128 } << 2;
    QTest::newRow("empty palette") << Colours {} << QList { 1, 2, 3 } << 0;
    QTest::newRow("tie keeps the lower entry") << Colours { qRgb(10, 0, 0), qRgb(0, 10, 0) } << QList { 0, 0, 0 } << 1;
    QTest::newRow("extreme inputs do not wrap") << mono << QList { std::numeric_limits<int>::min(), 0, 0 } << 0;
}

void tst_Palette::closestIndex()
{
    QFETCH(Colours, colours);
    QFETCH(QList<int>, wanted);
    QFETCH(int, index);
    QCOMPARE(palette(nullptr, colours).closestIndex(wanted[0], wanted[1], wanted[2]), index);
}

void tst_Palette::icon()
{
    IconFile icon;
    icon.addImage(16, 16, 16);
    icon.addImage(16, 16, 1000);
    const QByteArray trueColour = icon.imageBlock(2);
    const Palette p = palette(&Palette::createStandard256);
    p.writeToIcon(icon, 1);
    p.writeToIcon(icon, 2); // a true-colour image has no table: nothing changes
    QCOMPARE(icon.imageBlock(2), trueColour);
    QCOMPARE(icon.imageBlock(1).mid(40 + 4, 4), QByteArray("\0\0\x80\0", 4)); // entry 2, dark red: B, G, R, 0
    Palette back = palette(&Palette::createUniform256);
    back.readFromIcon(icon, 1);
    back.readFromIcon(icon, 2);
    QCOMPARE(entries(back).mid(0, 16), entries(p).mid(0, 16));
    // Two entries for a 16-colour table.
    QCOMPARE(errorOf([&] { palette(&Palette::createMonochrome).writeToIcon(icon, 1); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.imageBlock(1).mid(40 + 4, 4), QByteArray("\0\0\x80\0", 4));
}

QTEST_GUILESS_MAIN(tst_Palette)
#include "tst_palette.moc"
