#include <array>
#include <csignal>
#include <limits>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "icon/cls_IconFile.h"
#include "palette/cls_Colors.h"
#include "platform/Error.h"

using namespace brevane;

using Rgb = std::array<int, 3>;
using RgbList = QList<Rgb>;
Q_DECLARE_METATYPE(Rgb)
Q_DECLARE_METATYPE(RgbList)

namespace {

RgbList entries(const cls_Colors& p)
{
    RgbList out;
    for (qint32 i = 1; i <= p.Count(); ++i)
        out.push_back({ p.Red(i), p.Green(i), p.Blue(i) });
    return out;
}

cls_Colors palette(const RgbList& colours)
{
    cls_Colors p;
    for (const Rgb& c : colours)
        p.AddColor(quint8(c[0]), quint8(c[1]), quint8(c[2]));
    return p;
}

cls_Colors standard(const QString& which)
{
    cls_Colors p;
    if (which == QLatin1String("standard16"))
        p.CreateStandard16();
    else if (which == QLatin1String("standard256"))
        p.CreateStandard256();
    else if (which == QLatin1String("uniform256"))
        p.CreateUniform256();
    else if (which == QLatin1String("mono"))
        p.CreateMonochrome();
    return p;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

std::vector<quint8> iconTable(const cls_IconFile& icon, qint32 nIndex)
{
    std::vector<quint8> table(std::size_t(4) << icon.entry(nIndex).wBitCount);
    icon.GetPalette(nIndex, table);
    return table;
}

} // namespace

class tst_Colors : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void saveEmpty();
    void saveMonochrome();
    void roundTrip_data();
    void roundTrip();
    void load_data();
    void load();
    void badLineAddsNothing();
    void loadMissingFileEmptiesPalette();
    void saveIntoMissingFolder();
    void failedSaveKeepsOldFile();

    void standard16_data();
    void standard16();
    void standard256_data();
    void standard256();
    void standard256Cube();
    void uniform256_data();
    void uniform256();
    void closestIndex_data();
    void closestIndex();
    void indexOutOfRange_data();
    void indexOutOfRange();
    void writersTouchOneComponent();
    void splitText_data();
    void splitText();

    void fromIcon_data();
    void fromIcon();
    void toIcon();
    void tooFewEntriesForIcon_data();
    void tooFewEntriesForIcon();
    void twentyFourBitIconChangesNothing();

    void cliPalette_data();
    void cliPalette();
    void cliFailures_data();
    void cliFailures();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void tst_Colors::initTestCase()
{
    qRegisterMetaType<Rgb>();
    QVERIFY(m_dir.isValid());
}

void tst_Colors::saveEmpty()
{
    cls_Colors p;
    QVERIFY(p.SaveToJASCFile(path(QStringLiteral("empty.pal"))));
    const QByteArray bytes = readAll(path(QStringLiteral("empty.pal")));
    QCOMPARE(bytes.size(), 13);
    QCOMPARE(bytes, QByteArray("JASC\r\n0100\r\n0"));
}

void tst_Colors::saveMonochrome()
{
    cls_Colors p;
    p.CreateMonochrome();
    QVERIFY(p.SaveToJASCFile(path(QStringLiteral("mono.pal"))));
    QCOMPARE(readAll(path(QStringLiteral("mono.pal"))), QByteArray("JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 255"));
}

void tst_Colors::roundTrip_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<RgbList>("added");
    QTest::newRow("16 basic colours") << "standard16" << RgbList {};
    QTest::newRow("standard 256") << "standard256" << RgbList {};
    QTest::newRow("uniform 256 with its black tail") << "uniform256" << RgbList {};
    QTest::newRow("black and white") << "mono" << RgbList {};
    QTest::newRow("added colours, extremes and repeats")
        << "" << RgbList { { 0, 0, 0 }, { 255, 255, 255 }, { 1, 2, 3 }, { 1, 2, 3 }, { 200, 100, 9 } };
    QTest::newRow("standard 16 plus one") << "standard16" << RgbList { { 17, 34, 51 } };
}

void tst_Colors::roundTrip()
{
    QFETCH(QString, which);
    QFETCH(RgbList, added);
    cls_Colors p = standard(which);
    for (const Rgb& c : added)
        p.AddColor(quint8(c[0]), quint8(c[1]), quint8(c[2]));
    const QString file = path(QStringLiteral("round.pal"));
    QVERIFY(p.SaveToJASCFile(file));
    cls_Colors back;
    back.AddColor(9, 9, 9);
    QVERIFY(back.LoadFromJASCFile(file));
    QCOMPARE(back.Count(), p.Count());
    QCOMPARE(entries(back), entries(p));
}

void tst_Colors::load_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<RgbList>("colours");
    // 0 when the load succeeds.
    QTest::addColumn<int>("error");

    QTest::newRow("published layout ending in CR LF")
        << QByteArray("JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 128 0\r\n1 2 3\r\n")
        << RgbList { { 255, 0, 0 }, { 0, 128, 0 }, { 1, 2, 3 } } << 0;
    QTest::newRow("count line not checked") << QByteArray("JASC\r\n0100\r\n7\r\n4 5 6") << RgbList { { 4, 5, 6 } } << 0;
    QTest::newRow("LF only, no line of three fields")
        << QByteArray("JASC-PAL\n0100\n2\n1 2 3\n4 5 6\n") << RgbList {} << 0;
    QTest::newRow("LF only, splitting into three fields fails")
        << QByteArray("JASC-PAL\n0100\n1\n1 2 3") << RgbList {} << int(err::TypeMismatch);
    QTest::newRow("two spaces between numbers skipped")
        << QByteArray("JASC-PAL\r\n0100\r\n2\r\n1  2 3\r\n4 5 6") << RgbList { { 4, 5, 6 } } << 0;
    QTest::newRow("space at the end skipped") << QByteArray("1 2 3 \r\n4 5 6") << RgbList { { 4, 5, 6 } } << 0;
    QTest::newRow("tabs skipped") << QByteArray("1\t2\t3\r\n4 5 6") << RgbList { { 4, 5, 6 } } << 0;
    QTest::newRow("four fields skipped") << QByteArray("1 2 3 4\r\n4 5 6") << RgbList { { 4, 5, 6 } } << 0;
    QTest::newRow("empty file") << QByteArray() << RgbList {} << 0;
    QTest::newRow("256 overflows") << QByteArray("JASC-PAL\r\n0100\r\n1\r\n10 20 256") << RgbList {}
                                   << int(err::Overflow);
    QTest::newRow("negative overflows") << QByteArray("-1 0 0") << RgbList {} << int(err::Overflow);
    QTest::newRow("word is a type mismatch") << QByteArray("10 green 30") << RgbList {} << int(err::TypeMismatch);
    QTest::newRow("empty field between two spaces") << QByteArray("10  30") << RgbList {} << int(err::TypeMismatch);
    QTest::newRow("fractions round half to even")
        << QByteArray("12.5 13.5 0.4\r\n254.5 0 0") << RgbList { { 12, 14, 0 }, { 254, 0, 0 } } << 0;
    QTest::newRow("255.5 rounds to 256") << QByteArray("255.5 0 0") << RgbList {} << int(err::Overflow);
    QTest::newRow("CR alone does not end a line") << QByteArray("1 2 3\r4 5 6") << RgbList {} << 0;
}

void tst_Colors::load()
{
    QFETCH(QByteArray, text);
    QFETCH(RgbList, colours);
    QFETCH(int, error);
    const QString file = path(QStringLiteral("load.pal"));
    QVERIFY(writeAll(file, text));
    cls_Colors p;
    p.CreateStandard16();
    if (error == 0) {
        QVERIFY(p.LoadFromJASCFile(file));
    } else {
        try {
            p.LoadFromJASCFile(file);
            QFAIL("no error raised");
        } catch (const Error& e) {
            QCOMPARE(e.number(), error);
            QCOMPARE(e.source(), QStringLiteral("Brevane.cPalette"));
            QCOMPARE(e.description(), Error::runtimeDescription(error));
        }
    }
    QCOMPARE(entries(p), colours);
}

void tst_Colors::badLineAddsNothing()
{
    const QString file = path(QStringLiteral("bad.pal"));
    QVERIFY(writeAll(file, "JASC-PAL\r\n0100\r\n4\r\n1 2 3\r\n4 5 6\r\n7 8 300\r\n9 9 9"));
    cls_Colors p;
    QVERIFY_THROWS_EXCEPTION(Error, p.LoadFromJASCFile(file));
    QCOMPARE(p.Count(), 2);
    QCOMPARE(entries(p), (RgbList { { 1, 2, 3 }, { 4, 5, 6 } }));
}

void tst_Colors::loadMissingFileEmptiesPalette()
{
    cls_Colors p;
    p.CreateStandard256();
    try {
        p.LoadFromJASCFile(path(QStringLiteral("no such.pal")));
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::FileNotFound);
        QCOMPARE(e.source(), QStringLiteral("Brevane.cPalette"));
        QCOMPARE(e.description(), QStringLiteral("File not found"));
    }
    QCOMPARE(p.Count(), 0);
    QVERIFY_THROWS_EXCEPTION(Error, p.Red(1));
}

void tst_Colors::saveIntoMissingFolder()
{
    cls_Colors p;
    p.CreateMonochrome();
    const QString file = path(QStringLiteral("missing/folder.pal"));
    try {
        p.SaveToJASCFile(file);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), 76);
        QCOMPARE(e.source(), QStringLiteral("Brevane.cPalette"));
    }
    QVERIFY(!QFile::exists(file));
}

void tst_Colors::failedSaveKeepsOldFile()
{
    const QString file = path(QStringLiteral("old.pal"));
    const QByteArray old("JASC\r\n0100\r\n1\r\n1 2 3");
    QVERIFY(writeAll(file, old));
    cls_Colors p;
    p.CreateStandard256();

    // A file size limit makes the write itself fail, whoever runs the test.
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 512;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool raised = false;
    qint32 number = 0;
    QString source;
    try {
        p.SaveToJASCFile(file);
    } catch (const Error& e) {
        raised = true;
        number = e.number();
        source = e.source();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(raised);
    QCOMPARE(number, 57);
    QCOMPARE(source, QStringLiteral("Brevane.cPalette"));
    QCOMPARE(readAll(file), old);
    QCOMPARE(QDir(m_dir.path()).entryList({ QStringLiteral("old.pal*") }, QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("old.pal") });
}

void tst_Colors::standard16_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<Rgb>("colour");
    const Rgb table[16] = { { 0, 0, 0 }, { 128, 0, 0 }, { 0, 128, 0 }, { 128, 128, 0 }, { 0, 0, 128 }, { 128, 0, 128 },
        { 0, 128, 128 }, { 192, 192, 192 }, { 128, 128, 128 }, { 255, 0, 0 }, { 0, 255, 0 }, { 255, 255, 0 },
        { 0, 0, 255 }, { 255, 0, 255 }, { 0, 255, 255 }, { 255, 255, 255 } };
    for (int i = 0; i < 16; ++i)
        QTest::addRow("entry %d", i + 1) << i + 1 << table[i];
}

void tst_Colors::standard16()
{
    QFETCH(int, index);
    QFETCH(Rgb, colour);
    cls_Colors p;
    p.CreateStandard16();
    QCOMPARE(p.Count(), 16);
    QCOMPARE((Rgb { p.Red(index), p.Green(index), p.Blue(index) }), colour);
}

void tst_Colors::standard256_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<Rgb>("colour");
    QTest::newRow("1 black") << 1 << Rgb { 0, 0, 0 };
    QTest::newRow("2 dark red") << 2 << Rgb { 128, 0, 0 };
    QTest::newRow("8 silver") << 8 << Rgb { 192, 192, 192 };
    QTest::newRow("9 first of the cube") << 9 << Rgb { 51, 0, 0 };
    QTest::newRow("13 green step") << 13 << Rgb { 0, 51, 0 };
    QTest::newRow("216 last of the cube") << 216 << Rgb { 204, 255, 255 };
    QTest::newRow("217 first grey") << 217 << Rgb { 8, 8, 8 };
    QTest::newRow("247 last grey") << 247 << Rgb { 248, 248, 248 };
    QTest::newRow("248 grey of the basic colours") << 248 << Rgb { 128, 128, 128 };
    QTest::newRow("249 red") << 249 << Rgb { 255, 0, 0 };
    QTest::newRow("255 white") << 255 << Rgb { 255, 255, 255 };
    QTest::newRow("256 black") << 256 << Rgb { 0, 0, 0 };
}

void tst_Colors::standard256()
{
    QFETCH(int, index);
    QFETCH(Rgb, colour);
    cls_Colors p;
    p.CreateStandard256();
    QCOMPARE(p.Count(), 256);
    QCOMPARE((Rgb { p.Red(index), p.Green(index), p.Blue(index) }), colour);
}

void tst_Colors::standard256Cube()
{
    cls_Colors p;
    p.CreateStandard256();
    const RgbList all = entries(p);
    QCOMPARE(all.count(Rgb { 255, 0, 0 }), 1);
    QCOMPARE(p.ClosestIndex(255, 0, 0), 249);
    // Entries 9..216: every cube colour but the corners, once each, none of them a corner.
    const RgbList cube = all.mid(8, 208);
    QSet<int> seen;
    for (const Rgb& c : cube) {
        int corners = 0;
        for (int v : c) {
            QVERIFY(v % 51 == 0);
            corners += (v == 0 || v == 255) ? 1 : 0;
        }
        QVERIFY(corners < 3);
        seen.insert(c[0] | c[1] << 8 | c[2] << 16);
    }
    QCOMPARE(seen.size(), 208);
}

void tst_Colors::uniform256_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<Rgb>("colour");
    QTest::newRow("1 black") << 1 << Rgb { 0, 0, 0 };
    QTest::newRow("2 first red step") << 2 << Rgb { 64, 0, 0 };
    QTest::newRow("5 full red") << 5 << Rgb { 255, 0, 0 };
    QTest::newRow("6 first green step") << 6 << Rgb { 0, 64, 0 };
    QTest::newRow("26 first blue step") << 26 << Rgb { 0, 0, 64 };
    QTest::newRow("125 white") << 125 << Rgb { 255, 255, 255 };
    for (int i : { 126, 200, 256 })
        QTest::addRow("%d black tail", i) << i << Rgb { 0, 0, 0 };
}

void tst_Colors::uniform256()
{
    QFETCH(int, index);
    QFETCH(Rgb, colour);
    cls_Colors p;
    p.CreateUniform256();
    QCOMPARE(p.Count(), 256);
    QCOMPARE((Rgb { p.Red(index), p.Green(index), p.Blue(index) }), colour);
}

void tst_Colors::closestIndex_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<RgbList>("colours");
    QTest::addColumn<Rgb>("wanted");
    QTest::addColumn<int>("index");

    QTest::newRow("16 colours, exact red") << "standard16" << RgbList {} << Rgb { 255, 0, 0 } << 10;
    QTest::newRow("16 colours, near dark red") << "standard16" << RgbList {} << Rgb { 130, 0, 0 } << 2;
    QTest::newRow("mono, middle grey nearer black") << "mono" << RgbList {} << Rgb { 127, 127, 127 } << 1;
    QTest::newRow("mono, 128 grey nearer white") << "mono" << RgbList {} << Rgb { 128, 128, 128 } << 2;
    QTest::newRow("empty palette") << "" << RgbList {} << Rgb { 1, 2, 3 } << 0;
    QTest::newRow("only white, black wanted") << "" << RgbList { { 255, 255, 255 } } << Rgb { 0, 0, 0 } << 0;
    QTest::newRow("tie keeps the lower entry") << "" << RgbList { { 10, 0, 0 }, { 0, 10, 0 } } << Rgb { 0, 0, 0 } << 1;
    QTest::newRow("exact match after a near one") << "" << RgbList { { 1, 0, 0 }, { 0, 0, 0 } } << Rgb { 0, 0, 0 } << 2;
    QTest::newRow("input below range not clamped") << "mono" << RgbList {} << Rgb { -100, 0, 0 } << 1;
    QTest::newRow("input far above range finds nothing") << "mono" << RgbList {} << Rgb { 1000, 1000, 1000 } << 0;
    QTest::newRow("extreme inputs do not wrap")
        << "mono" << RgbList {} << Rgb { std::numeric_limits<int>::min(), 0, 0 } << 0;
}

void tst_Colors::closestIndex()
{
    QFETCH(QString, which);
    QFETCH(RgbList, colours);
    QFETCH(Rgb, wanted);
    QFETCH(int, index);
    cls_Colors p = standard(which);
    for (const Rgb& c : colours)
        p.AddColor(quint8(c[0]), quint8(c[1]), quint8(c[2]));
    QCOMPARE(p.ClosestIndex(wanted[0], wanted[1], wanted[2]), index);
}

void tst_Colors::indexOutOfRange_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("index");
    QTest::newRow("entry 0") << "standard16" << 0;
    QTest::newRow("one past the end") << "standard16" << 17;
    QTest::newRow("negative") << "mono" << -1;
    QTest::newRow("any entry of an empty palette") << "" << 1;
}

void tst_Colors::indexOutOfRange()
{
    QFETCH(QString, which);
    QFETCH(int, index);
    cls_Colors p = standard(which);
    const RgbList before = entries(p);
    for (int component = 0; component < 6; ++component) {
        try {
            switch (component) {
            case 0:
                p.Red(index);
                break;
            case 1:
                p.Green(index);
                break;
            case 2:
                p.Blue(index);
                break;
            case 3:
                p.Red(index, 1);
                break;
            case 4:
                p.Green(index, 1);
                break;
            default:
                p.Blue(index, 1);
                break;
            }
            QFAIL("no error raised");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::SubscriptOutOfRange);
        }
    }
    QCOMPARE(entries(p), before);
}

void tst_Colors::writersTouchOneComponent()
{
    cls_Colors p;
    p.CreateStandard16();
    p.Red(16, 1);
    p.Green(2, 2);
    p.Blue(1, 3);
    QCOMPARE(p.Count(), 16);
    QCOMPARE((Rgb { p.Red(16), p.Green(16), p.Blue(16) }), (Rgb { 1, 255, 255 }));
    QCOMPARE((Rgb { p.Red(2), p.Green(2), p.Blue(2) }), (Rgb { 128, 2, 0 }));
    QCOMPARE((Rgb { p.Red(1), p.Green(1), p.Blue(1) }), (Rgb { 0, 0, 3 }));
}

void tst_Colors::splitText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QStringList>("parts");

    QTest::newRow("empty text, one empty part") << ""
                                                << " " << QStringList { "" };
    QTest::newRow("no delimiter") << "abc"
                                  << " " << QStringList { "abc" };
    QTest::newRow("three fields") << "1 2 3"
                                  << " " << QStringList { "1", "2", "3" };
    QTest::newRow("adjacent delimiters") << "1  2"
                                         << " " << QStringList { "1", "", "2" };
    QTest::newRow("trailing delimiter") << "1 "
                                        << " " << QStringList { "1", "" };
    QTest::newRow("CR LF lines") << "a\r\nb\r\n"
                                 << "\r\n"
                                 << QStringList { "a", "b", "" };
    QTest::newRow("LF alone is no CR LF") << "a\nb"
                                          << "\r\n"
                                          << QStringList { "a\nb" };
    QTest::newRow("CR LF CR LF") << "\r\n\r\n"
                                 << "\r\n"
                                 << QStringList { "", "", "" };
}

void tst_Colors::splitText()
{
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    QFETCH(QStringList, parts);
    QStringList got { QStringLiteral("stale") };
    qint32 count = -1;
    cls_Colors::SplitText(text, delimiter, got, count);
    QCOMPARE(got, parts);
    QCOMPARE(count, parts.size());
}

void tst_Colors::fromIcon_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<QString>("which");
    QTest::newRow("1-bit image into black and white") << 2 << "mono";
    QTest::newRow("1-bit image into 16 entries, the rest untouched") << 2 << "standard16";
    QTest::newRow("4-bit image into 16 entries") << 16 << "standard16";
    QTest::newRow("4-bit image into 256 entries") << 16 << "standard256";
    QTest::newRow("8-bit image into 256 entries") << 256 << "uniform256";
}

void tst_Colors::fromIcon()
{
    QFETCH(int, colours);
    QFETCH(QString, which);
    cls_IconFile icon;
    icon.AddImage(16, 16, colours);
    std::vector<quint8> table(4 * static_cast<std::size_t>(colours));
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = (i % 4 == 3) ? 0 : static_cast<quint8>(i * 5 + 1);
    icon.SetPalette(1, table);

    cls_Colors p = standard(which);
    const RgbList before = entries(p);
    p.GetFromIcon(icon, 1);
    QCOMPARE(qsizetype(p.Count()), before.size());
    for (int k = 0; k < colours; ++k) {
        const std::size_t at = 4 * static_cast<std::size_t>(k);
        // Table entries are blue, green, red.
        QCOMPARE(
            (Rgb { p.Red(k + 1), p.Green(k + 1), p.Blue(k + 1) }), (Rgb { table[at + 2], table[at + 1], table[at] }));
    }
    QCOMPARE(entries(p).mid(colours), before.mid(colours));
}

void tst_Colors::toIcon()
{
    cls_IconFile icon;
    icon.AddImage(32, 32, 16);
    icon.AddImage(16, 16, 2);
    cls_Colors p;
    p.CreateStandard256();
    p.SetToIcon(icon, 1);
    const std::vector<quint8> table = iconTable(icon, 1);
    for (int k = 0; k < 16; ++k) {
        const std::size_t at = 4 * static_cast<std::size_t>(k);
        QCOMPARE(table[at], p.Blue(k + 1));
        QCOMPARE(table[at + 1], p.Green(k + 1));
        QCOMPARE(table[at + 2], p.Red(k + 1));
        QCOMPARE(table[at + 3], quint8(0));
    }
    // The other image keeps black and white.
    QCOMPARE(iconTable(icon, 2), (std::vector<quint8> { 0, 0, 0, 0, 255, 255, 255, 0 }));

    // And back again into a fresh palette of the same size.
    cls_Colors back;
    for (int k = 0; k < 16; ++k)
        back.AddColor(0, 0, 0);
    back.GetFromIcon(icon, 1);
    QCOMPARE(entries(back), entries(p).mid(0, 16));
}

void tst_Colors::tooFewEntriesForIcon_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<QString>("which");
    QTest::newRow("1-bit image, empty palette") << 2 << "";
    QTest::newRow("4-bit image, black and white") << 16 << "mono";
    QTest::newRow("8-bit image, 16 colours") << 256 << "standard16";
}

void tst_Colors::tooFewEntriesForIcon()
{
    QFETCH(int, colours);
    QFETCH(QString, which);
    cls_IconFile icon;
    icon.AddImage(16, 16, colours);
    const std::vector<quint8> tableBefore = iconTable(icon, 1);
    cls_Colors p = standard(which);
    p.AddColor(10, 20, 30);
    const RgbList before = entries(p);

    try {
        p.GetFromIcon(icon, 1);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::SubscriptOutOfRange);
    }
    try {
        p.SetToIcon(icon, 1);
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::SubscriptOutOfRange);
    }
    QCOMPARE(entries(p), before);
    QCOMPARE(iconTable(icon, 1), tableBefore);

    // A bad image number is the document's error, passed on.
    cls_Colors big;
    big.CreateStandard256();
    QVERIFY_THROWS_EXCEPTION(Error, big.GetFromIcon(icon, 2));
    QVERIFY_THROWS_EXCEPTION(Error, big.SetToIcon(icon, 0));
}

void tst_Colors::twentyFourBitIconChangesNothing()
{
    cls_IconFile icon;
    icon.AddImage(16, 16, 1000);
    const QByteArray block = icon.imageBlock(1);
    for (const char* which : { "mono", "standard16", "" }) {
        cls_Colors p = standard(QLatin1String(which));
        const RgbList before = entries(p);
        p.GetFromIcon(icon, 1);
        QCOMPARE(entries(p), before);
        p.SetToIcon(icon, 1);
        QCOMPARE(icon.imageBlock(1), block);
    }
}

void tst_Colors::cliPalette_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("which");

    QTest::newRow("16 basic colours") << QStringList { "--standard16" } << "standard16";
    QTest::newRow("standard 256") << QStringList { "--standard256" } << "standard256";
    QTest::newRow("uniform 256") << QStringList { "--uniform256" } << "uniform256";
    QTest::newRow("black and white") << QStringList { "--mono" } << "mono";
    QTest::newRow("loaded file") << QStringList { "--load", "@pal" } << "loaded";
    QTest::newRow("icon image 1") << QStringList { "--from-icon", "@ico" } << "icon1";
    QTest::newRow("icon image 2") << QStringList { "--from-icon", "@ico", "--image", "2" } << "icon2";
}

void tst_Colors::cliPalette()
{
    QFETCH(QStringList, args);
    QFETCH(QString, which);

    const QString pal = path(QStringLiteral("cli-in.pal"));
    QVERIFY(writeAll(pal, "JASC-PAL\r\n0100\r\n2\r\n9 8 7\r\n6 5 4\r\n"));
    const QString ico = path(QStringLiteral("cli.ico"));
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    icon.AddImage(32, 32, 16);
    cls_Colors basic;
    basic.CreateStandard16();
    basic.SetToIcon(icon, 2);
    QVERIFY(icon.saveicon(ico));

    const QString out = path(QStringLiteral("cli-out.pal"));
    QFile::remove(out);
    args.replaceInStrings(QStringLiteral("@pal"), pal);
    args.replaceInStrings(QStringLiteral("@ico"), ico);
    QProcess p;
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"),
        QStringList { QStringLiteral("palette") } + args + QStringList { QStringLiteral("-o"), out });
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), 0);

    cls_Colors expected;
    if (which == QLatin1String("loaded")) {
        expected = palette({ { 9, 8, 7 }, { 6, 5, 4 } });
    } else if (which == QLatin1String("icon1")) {
        expected.CreateMonochrome();
    } else if (which == QLatin1String("icon2")) {
        expected.CreateStandard16();
    } else {
        expected = standard(which);
    }
    const QString reference = path(QStringLiteral("reference.pal"));
    QVERIFY(expected.SaveToJASCFile(reference));
    QCOMPARE(readAll(out), readAll(reference));
}

void tst_Colors::cliFailures_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("no source") << QStringList { "-o", "@out" } << 2 << "exactly one";
    QTest::newRow("two sources") << QStringList { "--mono", "--standard16", "-o", "@out" } << 2 << "exactly one";
    QTest::newRow("no output") << QStringList { "--mono" } << 2 << "-o OUT.pal";
    QTest::newRow("image without icon") << QStringList { "--mono", "--image", "2", "-o", "@out" } << 2
                                        << "--image goes with --from-icon";
    QTest::newRow("missing palette file")
        << QStringList { "--load", "@missing", "-o", "@out" } << 1 << "File not found (error 53)";
    QTest::newRow("palette file with 256") << QStringList { "--load", "@bad", "-o", "@out" } << 1 << "Overflow";
    QTest::newRow("icon image without a table")
        << QStringList { "--from-icon", "@ico24", "-o", "@out" } << 1 << "no colour table";
    QTest::newRow("icon image that is not there")
        << QStringList { "--from-icon", "@ico24", "--image", "3", "-o", "@out" } << 1 << "not 3";
    QTest::newRow("not an icon") << QStringList { "--from-icon", "@bad", "-o", "@out" } << 1 << "not a valid icon";
}

void tst_Colors::cliFailures()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString out = path(QStringLiteral("kept.pal"));
    const QByteArray old("JASC\r\n0100\r\n0");
    QVERIFY(writeAll(out, old));
    const QString bad = path(QStringLiteral("bad-cli.pal"));
    QVERIFY(writeAll(bad, "1 2 3\r\n10 20 256"));
    const QString ico24 = path(QStringLiteral("true.ico"));
    cls_IconFile icon;
    icon.AddImage(16, 16, 1000);
    QVERIFY(icon.saveicon(ico24));
    args.replaceInStrings(QStringLiteral("@out"), out);
    args.replaceInStrings(QStringLiteral("@missing"), path(QStringLiteral("missing.pal")));
    args.replaceInStrings(QStringLiteral("@bad"), bad);
    args.replaceInStrings(QStringLiteral("@ico24"), ico24);

    QProcess p;
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), QStringList { QStringLiteral("palette") } + args);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), exitCode);
    const QString stderrText = QString::fromLocal8Bit(p.readAllStandardError());
    QVERIFY2(stderrText.contains(message), qPrintable(stderrText));
    QCOMPARE(readAll(out), old);
}

QTEST_GUILESS_MAIN(tst_Colors)
#include "tst_colors.moc"
