#include <array>
#include <limits>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "icon/cls_IconFile.h"
#include "palette/cls_Colors.h"
#include "platform/Error.h"

#include "../support/IconTestSupport.h"

using namespace brevane;
using namespace brevane::test;

using Rgb = std::array<int, 3>;
using RgbList = QList<Rgb>;
using Listed = QMap<int, Rgb>;
Q_DECLARE_METATYPE(Rgb)
Q_DECLARE_METATYPE(RgbList)
Q_DECLARE_METATYPE(Listed)

namespace {

RgbList entries(const cls_Colors& p)
{
    RgbList out;
    for (qint32 i = 1; i <= p.Count(); ++i)
        out.push_back({ p.Red(i), p.Green(i), p.Blue(i) });
    return out;
}

// A named standard palette ("" is empty) with 'added' appended.
cls_Colors palette(const QString& which, const RgbList& added = {})
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
    for (const Rgb& c : added)
        p.AddColor(quint8(c[0]), quint8(c[1]), quint8(c[2]));
    return p;
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
    void save();
    void roundTrip_data();
    void roundTrip();
    void load_data();
    void load();
    void fileErrors();
    void standardEntries_data();
    void standardEntries();
    void closestIndex_data();
    void closestIndex();
    void indexOutOfRange();
    void icon_data();
    void icon();
    void cli_data();
    void cli();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void tst_Colors::initTestCase()
{
    qRegisterMetaType<Rgb>();
    QVERIFY(m_dir.isValid());
}

void tst_Colors::save()
{
    const QString file = path(QStringLiteral("save.pal"));
    QVERIFY(cls_Colors().SaveToJASCFile(file));
    QCOMPARE(readFile(file), QByteArray("JASC\r\n0100\r\n0"));
    QVERIFY(palette(QStringLiteral("mono")).SaveToJASCFile(file));
    QCOMPARE(readFile(file), QByteArray("JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 255"));
}

void tst_Colors::roundTrip_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<RgbList>("added");
    QTest::newRow("standard 256") << "standard256" << RgbList {};
    QTest::newRow("uniform 256 with its black tail") << "uniform256" << RgbList {};
    QTest::newRow("added colours, extremes and repeats")
        << "" << RgbList { { 0, 0, 0 }, { 255, 255, 255 }, { 1, 2, 3 }, { 1, 2, 3 }, { 200, 100, 9 } };
    QTest::newRow("standard 16 plus one") << "standard16" << RgbList { { 17, 34, 51 } };
}

void tst_Colors::roundTrip()
{
    QFETCH(QString, which);
    QFETCH(RgbList, added);
    const cls_Colors p = palette(which, added);
    const QString file = path(QStringLiteral("round.pal"));
    QVERIFY(p.SaveToJASCFile(file));
    cls_Colors back = palette(QString(), { { 9, 9, 9 } });
    QVERIFY(back.LoadFromJASCFile(file));
    QCOMPARE(entries(back), entries(p));
}

void tst_Colors::load_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<RgbList>("colours");
    QTest::addColumn<int>("error"); // 0 when the load succeeds

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
    QTest::newRow("a bad line adds no entry")
        << QByteArray("JASC-PAL\r\n0100\r\n4\r\n1 2 3\r\n4 5 6\r\n7 8 300\r\n9 9 9")
        << RgbList { { 1, 2, 3 }, { 4, 5, 6 } } << int(err::Overflow);
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
    QVERIFY(writeFile(file, text));
    cls_Colors p = palette(QStringLiteral("standard16"));
    QString description, source;
    bool loaded = false;
    QCOMPARE(errorOf([&] { loaded = p.LoadFromJASCFile(file); }, &description, &source), error);
    QCOMPARE(loaded, error == 0);
    QCOMPARE(description, error ? Error::runtimeDescription(error) : QString());
    QCOMPARE(source, error ? QStringLiteral("Brevane.cPalette") : QString());
    QCOMPARE(entries(p), colours);
}

void tst_Colors::fileErrors()
{
    // A missing file empties the palette.
    cls_Colors p = palette(QStringLiteral("standard256"));
    QString description;
    QCOMPARE(
        errorOf([&] { p.LoadFromJASCFile(path(QStringLiteral("no such.pal"))); }, &description), err::FileNotFound);
    QCOMPARE(description, QStringLiteral("File not found"));
    QCOMPARE(p.Count(), 0);

    const QString nowhere = path(QStringLiteral("missing/folder.pal"));
    QCOMPARE(errorOf([&] { palette(QStringLiteral("mono")).SaveToJASCFile(nowhere); }), 76);
    QVERIFY(!QFile::exists(nowhere));

    // A write failing part way keeps the old file and leaves nothing beside it.
    const QString file = path(QStringLiteral("old.pal"));
    const QByteArray old("JASC\r\n0100\r\n1\r\n1 2 3");
    QVERIFY(writeFile(file, old));
    QCOMPARE(errorWithFileSizeLimit(512, [&] { palette(QStringLiteral("standard256")).SaveToJASCFile(file); }), 57);
    QCOMPARE(readFile(file), old);
    QCOMPARE(QDir(m_dir.path()).entryList({ QStringLiteral("old.pal*") }, QDir::Files | QDir::Hidden),
        QStringList { QStringLiteral("old.pal") });
}

void tst_Colors::standardEntries_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<int>("count");
    QTest::addColumn<Listed>("listed");

    QMap<int, Rgb> basic;
    for (int i = 0; i < 16; ++i)
        basic[i + 1] = { qRed(basicColours()[i]), qGreen(basicColours()[i]), qBlue(basicColours()[i]) };
    QTest::newRow("16 basic colours") << "standard16" << 16 << basic;
    QTest::newRow("black and white") << "mono" << 2 << QMap<int, Rgb> { { 1, { 0, 0, 0 } }, { 2, { 255, 255, 255 } } };
    QTest::newRow("standard 256") << "standard256" << 256
                                  << QMap<int, Rgb> { { 1, { 0, 0, 0 } }, { 2, { 128, 0, 0 } },
                                         { 8, { 192, 192, 192 } }, { 9, { 51, 0, 0 } }, { 13, { 0, 51, 0 } },
                                         { 216, { 204, 255, 255 } }, { 217, { 8, 8, 8 } }, { 247, { 248, 248, 248 } },
                                         { 248, { 128, 128, 128 } }, { 249, { 255, 0, 0 } }, { 255, { 255, 255, 255 } },
                                         { 256, { 0, 0, 0 } } };
    QTest::newRow("uniform 256") << "uniform256" << 256
                                 << QMap<int, Rgb> { { 1, { 0, 0, 0 } }, { 2, { 64, 0, 0 } }, { 5, { 255, 0, 0 } },
                                        { 6, { 0, 64, 0 } }, { 26, { 0, 0, 64 } }, { 125, { 255, 255, 255 } },
                                        { 126, { 0, 0, 0 } }, { 200, { 0, 0, 0 } }, { 256, { 0, 0, 0 } } };
}

void tst_Colors::standardEntries()
{
    QFETCH(QString, which);
    QFETCH(int, count);
    QFETCH(Listed, listed);
    const cls_Colors p = palette(which);
    QCOMPARE(p.Count(), count);
    for (auto it = listed.cbegin(); it != listed.cend(); ++it)
        QCOMPARE(entries(p)[it.key() - 1], it.value());
}

void tst_Colors::closestIndex_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<RgbList>("colours");
    QTest::addColumn<Rgb>("wanted");
    QTest::addColumn<int>("index");

    QTest::newRow("16 colours, exact red") << "standard16" << RgbList {} << Rgb { 255, 0, 0 } << 10;
    // The cube leaves out its corners: red is entry 249 only.
    QTest::newRow("standard 256, red") << "standard256" << RgbList {} << Rgb { 255, 0, 0 } << 249;
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
    QCOMPARE(palette(which, colours).ClosestIndex(wanted[0], wanted[1], wanted[2]), index);
}

void tst_Colors::indexOutOfRange()
{
    cls_Colors p = palette(QStringLiteral("standard16"));
    for (int index : { 0, 17, -1 }) {
        for (const auto& access : std::initializer_list<std::function<void()>> { [&] { p.Red(index); },
                 [&] { p.Green(index); }, [&] { p.Blue(index); }, [&] { p.Red(index, 1); }, [&] { p.Green(index, 1); },
                 [&] { p.Blue(index, 1); } })
            QCOMPARE(errorOf(access), err::SubscriptOutOfRange);
    }
    QCOMPARE(entries(p), entries(palette(QStringLiteral("standard16"))));
    QCOMPARE(errorOf([] { cls_Colors().Red(1); }), err::SubscriptOutOfRange);

    // Each writer changes its own component only.
    p.Red(16, 1);
    p.Green(2, 2);
    p.Blue(1, 3);
    QCOMPARE(entries(p)[15], (Rgb { 1, 255, 255 }));
    QCOMPARE(entries(p)[1], (Rgb { 128, 2, 0 }));
    QCOMPARE(entries(p)[0], (Rgb { 0, 0, 3 }));
}

void tst_Colors::icon_data()
{
    QTest::addColumn<int>("colours");
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("fits");
    QTest::newRow("1-bit image, black and white") << 2 << "mono" << true;
    QTest::newRow("1-bit image, 16 entries, the rest untouched") << 2 << "standard16" << true;
    QTest::newRow("4-bit image, 256 entries") << 16 << "standard256" << true;
    QTest::newRow("8-bit image, 256 entries") << 256 << "uniform256" << true;
    QTest::newRow("1-bit image, empty palette") << 2 << "" << false;
    QTest::newRow("4-bit image, black and white") << 16 << "mono" << false;
    QTest::newRow("8-bit image, 16 colours") << 256 << "standard16" << false;
}

void tst_Colors::icon()
{
    QFETCH(int, colours);
    QFETCH(QString, which);
    QFETCH(bool, fits);
    cls_IconFile icon;
    icon.AddImage(16, 16, colours);
    icon.AddImage(16, 16, 1000);
    std::vector<quint8> table(4 * static_cast<std::size_t>(colours));
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = (i % 4 == 3) ? 0 : static_cast<quint8>(i * 5 + 1);
    icon.SetPalette(1, table);

    cls_Colors p = palette(which);
    const RgbList before = entries(p);
    if (!fits) {
        QCOMPARE(errorOf([&] { p.GetFromIcon(icon, 1); }), err::SubscriptOutOfRange);
        QCOMPARE(errorOf([&] { p.SetToIcon(icon, 1); }), err::SubscriptOutOfRange);
        QCOMPARE(entries(p), before);
        QCOMPARE(iconTable(icon, 1), table);
        return;
    }
    // A true-colour image has no table: nothing changes either way.
    const QByteArray trueColour = icon.imageBlock(2);
    p.GetFromIcon(icon, 2);
    p.SetToIcon(icon, 2);
    QCOMPARE(entries(p), before);
    QCOMPARE(icon.imageBlock(2), trueColour);
    QCOMPARE(errorOf([&] { p.GetFromIcon(icon, 3); }), err::SubscriptOutOfRange);

    // Table entries are blue, green, red, 0; the entries past the table are left alone.
    p.GetFromIcon(icon, 1);
    RgbList expected = before;
    for (int k = 0; k < colours; ++k)
        expected[k] = { table[4 * k + 2], table[4 * k + 1], table[4 * k] };
    QCOMPARE(entries(p), expected);

    // And the other way: blue, green, red, 0 into the image's table only.
    const cls_Colors other = palette(which == QLatin1String("mono") ? which : QStringLiteral("standard256"));
    other.SetToIcon(icon, 1);
    std::vector<quint8> written;
    for (const Rgb& c : entries(other).mid(0, colours))
        written.insert(written.end(), { quint8(c[2]), quint8(c[1]), quint8(c[0]), 0 });
    QCOMPARE(iconTable(icon, 1), written);
    QCOMPARE(icon.imageBlock(2), trueColour);
}

void tst_Colors::cli_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on stderr; when the run succeeds, the palette written
    QTest::addColumn<RgbList>("colours");

    QTest::newRow("16 basic colours") << QStringList { "--standard16" } << 0 << "standard16" << RgbList {};
    QTest::newRow("standard 256") << QStringList { "--standard256" } << 0 << "standard256" << RgbList {};
    QTest::newRow("uniform 256") << QStringList { "--uniform256" } << 0 << "uniform256" << RgbList {};
    QTest::newRow("black and white") << QStringList { "--mono" } << 0 << "mono" << RgbList {};
    QTest::newRow("loaded file") << QStringList { "--load", "@pal" } << 0 << "" << RgbList { { 9, 8, 7 }, { 6, 5, 4 } };
    QTest::newRow("icon image 1") << QStringList { "--from-icon", "@ico" } << 0 << "mono" << RgbList {};
    QTest::newRow("icon image 2") << QStringList { "--from-icon", "@ico", "--image", "2" } << 0 << "standard16"
                                  << RgbList {};

    QTest::newRow("no source") << QStringList {} << 2 << "exactly one" << RgbList {};
    QTest::newRow("two sources") << QStringList { "--mono", "--standard16" } << 2 << "exactly one" << RgbList {};
    QTest::newRow("no output") << QStringList { "--mono", "--no-output" } << 2 << "-o OUT.pal" << RgbList {};
    QTest::newRow("image without icon") << QStringList { "--mono", "--image", "2" } << 2
                                        << "--image goes with --from-icon" << RgbList {};
    QTest::newRow("missing palette file")
        << QStringList { "--load", "@missing" } << 1 << "File not found (error 53)" << RgbList {};
    QTest::newRow("palette file with 256") << QStringList { "--load", "@bad" } << 1 << "Overflow" << RgbList {};
    QTest::newRow("icon image without a table")
        << QStringList { "--from-icon", "@ico24" } << 1 << "no colour table" << RgbList {};
    QTest::newRow("icon image that is not there")
        << QStringList { "--from-icon", "@ico24", "--image", "3" } << 1 << "not 3" << RgbList {};
    QTest::newRow("not an icon") << QStringList { "--from-icon", "@bad" } << 1 << "not a valid icon" << RgbList {};
}

void tst_Colors::cli()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    QFETCH(RgbList, colours);

    const QString pal = path(QStringLiteral("cli-in.pal"));
    QVERIFY(writeFile(pal, "JASC-PAL\r\n0100\r\n2\r\n9 8 7\r\n6 5 4\r\n"));
    const QString bad = path(QStringLiteral("bad-cli.pal"));
    QVERIFY(writeFile(bad, "1 2 3\r\n10 20 256"));
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    icon.AddImage(32, 32, 16);
    palette(QStringLiteral("standard16")).SetToIcon(icon, 2);
    QVERIFY(icon.saveicon(path(QStringLiteral("cli.ico"))));
    cls_IconFile trueColour;
    trueColour.AddImage(16, 16, 1000);
    QVERIFY(trueColour.saveicon(path(QStringLiteral("true.ico"))));
    // A failed run keeps what was there.
    const QString out = path(QStringLiteral("cli-out.pal"));
    const QByteArray old("JASC\r\n0100\r\n0");
    QVERIFY(writeFile(out, old));

    if (!args.removeAll(QStringLiteral("--no-output")))
        args << QStringLiteral("-o") << out;
    for (const auto& [from, to] : { std::pair { "@pal", pal }, { "@bad", bad }, { "@ico24", path("true.ico") },
             { "@ico", path("cli.ico") }, { "@missing", path("missing.pal") } })
        args.replaceInStrings(QLatin1String(from), to);
    const CliRun r = runCli(QStringList { QStringLiteral("palette") } + args);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(readFile(out), old);
        return;
    }
    const QString reference = path(QStringLiteral("reference.pal"));
    QVERIFY(palette(message, colours).SaveToJASCFile(reference));
    QCOMPARE(readFile(out), readFile(reference));
}

QTEST_GUILESS_MAIN(tst_Colors)
#include "tst_colors.moc"
