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

#include <array>
#include <csignal>
#include <limits>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace brevane;
using namespace brevane::test;

using Rgb = std::array<int, 3>;
using RgbList = QList<Rgb>;
using Listed = std::initializer_list<std::pair<int, Rgb>>;
Q_DECLARE_METATYPE(Rgb)
Q_DECLARE_METATYPE(RgbList)

namespace {

RgbList entries(const Palette& p)
{
    RgbList out;
    for (qint32 i = 1; i <= p.count(); ++i)
        out.push_back({ p.red(i), p.green(i), p.blue(i) });
    return out;
}

// A named standard palette ("" is empty) with 'added' appended.
Palette palette(const QString& which, const RgbList& added = {})
{
    Palette p;
    if (which == QLatin1String("standard16"))
        p.createStandard16();
    else if (which == QLatin1String("standard256"))
        p.createStandard256();
    else if (which == QLatin1String("uniform256"))
        p.createUniform256();
    else if (which == QLatin1String("mono"))
        p.createMonochrome();
    for (const Rgb& c : added)
        p.addColour(quint8(c[0]), quint8(c[1]), quint8(c[2]));
    return p;
}

} // namespace

class tst_Palette : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void save();
    void saveFailure_data();
    void saveFailure();
    void fileLimits_data();
    void fileLimits();
    void roundTrip();
    void load_data();
    void load();
    void standardEntries();
    void closestIndex_data();
    void closestIndex();
    void icon();
    void cli_data();
    void cli();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void tst_Palette::save()
{
    const QString file = path(QStringLiteral("save.pal"));
    QVERIFY_THROWS_NO_EXCEPTION(Palette().saveJasc(file));
    QCOMPARE(readFile(file), QByteArray("JASC\r\n0100\r\n0"));
    palette(QStringLiteral("mono")).saveJasc(file);
    QCOMPARE(readFile(file), QByteArray("JASC\r\n0100\r\n2\r\n0 0 0\r\n255 255 255"));
}

void tst_Palette::roundTrip()
{
    const Palette p = palette(QStringLiteral("standard256"), { { 200, 100, 9 }, { 1, 2, 3 }, { 1, 2, 3 } });
    const QString file = path(QStringLiteral("round.pal"));
    QVERIFY_THROWS_NO_EXCEPTION(p.saveJasc(file));
    Palette back = palette(QString(), { { 9, 9, 9 } });
    QVERIFY_THROWS_NO_EXCEPTION(back.loadJasc(file));
    QCOMPARE(entries(back), entries(p));
}

void tst_Palette::load_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<RgbList>("colours");
    QTest::addColumn<int>("error"); // 0 when the load succeeds

    QTest::newRow("published layout ending in CR LF")
        << QByteArray("JASC-PAL\r\n0100\r\n3\r\n255 0 0\r\n0 128 0\r\n1 2 3\r\n")
        << RgbList { { 255, 0, 0 }, { 0, 128, 0 }, { 1, 2, 3 } } << 0;
    QTest::newRow("LF only, no line of three fields")
        << QByteArray("JASC-PAL\n0100\n2\n1 2 3\n4 5 6\n") << RgbList {} << 0;
    QTest::newRow("two spaces between numbers skipped")
        << QByteArray("JASC-PAL\r\n0100\r\n2\r\n1  2 3\r\n4 5 6") << RgbList { { 4, 5, 6 } } << 0;
    QTest::newRow("256 overflows") << QByteArray("JASC-PAL\r\n0100\r\n1\r\n10 20 256") << RgbList {}
                                   << int(err::Overflow);
    QTest::newRow("a bad line adds no entry")
        << QByteArray("JASC-PAL\r\n0100\r\n4\r\n1 2 3\r\n4 5 6\r\n7 8 300\r\n9 9 9")
        << RgbList { { 1, 2, 3 }, { 4, 5, 6 } } << int(err::Overflow);
}

void tst_Palette::load()
{
    QFETCH(QByteArray, text);
    QFETCH(RgbList, colours);
    QFETCH(int, error);
    const QString file = path(QStringLiteral("load.pal"));
    QVERIFY(writeFile(file, text));
    Palette p = palette(QStringLiteral("standard16"));
    QString source;
    QCOMPARE(errorOf([&] { p.loadJasc(file); }, nullptr, &source), error);
    QCOMPARE(source, error ? QStringLiteral("Brevane.cPalette") : QString());
    QCOMPARE(entries(p), colours);
}

void tst_Palette::standardEntries()
{
    const RgbList standard = entries(palette(QStringLiteral("standard256")));
    const RgbList uniform = entries(palette(QStringLiteral("uniform256")));
    QCOMPARE(standard.size(), 256);
    QCOMPARE(uniform.size(), 256);
    for (const auto& [index, rgb] :
        Listed { { 1, { 0, 0, 0 } }, { 2, { 128, 0, 0 } }, { 8, { 192, 192, 192 } }, { 9, { 51, 0, 0 } },
            { 13, { 0, 51, 0 } }, { 216, { 204, 255, 255 } }, { 217, { 8, 8, 8 } }, { 247, { 248, 248, 248 } },
            { 248, { 128, 128, 128 } }, { 249, { 255, 0, 0 } }, { 255, { 255, 255, 255 } }, { 256, { 0, 0, 0 } } })
        QCOMPARE(standard[index - 1], rgb);
    for (const auto& [index, rgb] :
        Listed { { 1, { 0, 0, 0 } }, { 2, { 64, 0, 0 } }, { 5, { 255, 0, 0 } }, { 6, { 0, 64, 0 } },
            { 26, { 0, 0, 64 } }, { 125, { 255, 255, 255 } }, { 126, { 0, 0, 0 } }, { 256, { 0, 0, 0 } } })
        QCOMPARE(uniform[index - 1], rgb);
}

void tst_Palette::closestIndex_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<RgbList>("colours");
    QTest::addColumn<Rgb>("wanted");
    QTest::addColumn<int>("index");

    // The cube leaves out its corners: red is entry 249 only.
    QTest::newRow("standard 256, red") << "standard256" << RgbList {} << Rgb { 255, 0, 0 } << 249;
    QTest::newRow("mono, middle grey nearer black") << "mono" << RgbList {} << Rgb { 127, 127, 127 } << 1;
    QTest::newRow("mono, 128 grey nearer white") << "mono" << RgbList {} << Rgb { 128, 128, 128 } << 2;
    QTest::newRow("empty palette") << "" << RgbList {} << Rgb { 1, 2, 3 } << 0;
    QTest::newRow("tie keeps the lower entry") << "" << RgbList { { 10, 0, 0 }, { 0, 10, 0 } } << Rgb { 0, 0, 0 } << 1;
    QTest::newRow("input far above range finds nothing") << "mono" << RgbList {} << Rgb { 1000, 1000, 1000 } << 0;
    QTest::newRow("extreme inputs do not wrap")
        << "mono" << RgbList {} << Rgb { std::numeric_limits<int>::min(), 0, 0 } << 0;
}

void tst_Palette::closestIndex()
{
    QFETCH(QString, which);
    QFETCH(RgbList, colours);
    QFETCH(Rgb, wanted);
    QFETCH(int, index);
    QCOMPARE(palette(which, colours).closestIndex(wanted[0], wanted[1], wanted[2]), index);
}

void tst_Palette::icon()
{
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 16));
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 1000));
    Palette p = palette(QStringLiteral("standard256"));
    QVERIFY_THROWS_NO_EXCEPTION(p.writeToIcon(icon, 1));
    QCOMPARE(icon.imageBlock(1).mid(40 + 4, 4), QByteArray("\0\0\x80\0", 4)); // entry 2, dark red: B, G, R, 0
    Palette back = palette(QStringLiteral("standard16"));
    QVERIFY_THROWS_NO_EXCEPTION(back.readFromIcon(icon, 1));
    QCOMPARE(entries(back), entries(p).mid(0, 16));

    // A true-colour image has no table: nothing changes.
    const QByteArray trueColour = icon.imageBlock(2);
    QVERIFY_THROWS_NO_EXCEPTION(p.readFromIcon(icon, 2));
    QVERIFY_THROWS_NO_EXCEPTION(p.writeToIcon(icon, 2));
    QCOMPARE(entries(p), entries(palette(QStringLiteral("standard256"))));
    QCOMPARE(icon.imageBlock(2), trueColour);

    // Two entries for a 16-colour table.
    const QByteArray before = icon.imageBlock(1);
    QCOMPARE(errorOf([&] { palette(QStringLiteral("mono")).writeToIcon(icon, 1); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.imageBlock(1), before);
}

void tst_Palette::cli_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message"); // on stderr; when the run succeeds, the palette written
    QTest::newRow("icon image 2") << QStringList { "--from-icon", "@ico", "--image", "2" } << 0 << "standard16";
    QTest::newRow("no source") << QStringList {} << 2 << "exactly one";
    QTest::newRow("palette file with 256") << QStringList { "--load", "@bad" } << 1 << "Overflow";
}

void tst_Palette::cli()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString bad = path(QStringLiteral("bad-cli.pal"));
    QVERIFY(writeFile(bad, "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n10 20 256"));
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 2));
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(32, 32, 16));
    palette(QStringLiteral("standard16")).writeToIcon(icon, 2);
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(path(QStringLiteral("cli.ico"))));
    // A failed run keeps what was there.
    const QString out = path(QStringLiteral("cli-out.pal"));
    const QByteArray old("JASC\r\n0100\r\n0");
    QVERIFY(writeFile(out, old));

    args << QStringLiteral("-o") << out;
    for (const auto& [from, to] : { std::pair { "@bad", bad }, { "@ico", path("cli.ico") } })
        args.replaceInStrings(QLatin1String(from), to);
    const CliRun r = runCli(QStringList { QStringLiteral("palette") } + args);
    QCOMPARE(r.exitCode, exitCode);
    if (exitCode != 0) {
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(readFile(out), old);
        return;
    }
    const QString reference = path(QStringLiteral("reference.pal"));
    palette(message).saveJasc(reference);
    QCOMPARE(readFile(out), readFile(reference));
}

void tst_Palette::saveFailure_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<qint32>("number");
    QTest::newRow("read-only file, as a user") << "read-only" << qint32(err::PermissionDenied);
    QTest::newRow("disk full part way") << "full" << qint32(err::DeviceIo);
}

// The old palette stays; the error keeps the run-time number and text and names the file.
void tst_Palette::saveFailure()
{
    QFETCH(QString, situation);
    QFETCH(qint32, number);
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther
            | QFile::ExeOther));
    const QString path = dir.filePath(QStringLiteral("old.pal"));
    Palette pal;
    pal.saveJasc(path);
    const bool readOnly = situation == QLatin1String("read-only");
    if (readOnly)
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    const int status = inChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit small { 1000, 1000 };
            if (!readOnly)
                ::setrlimit(RLIMIT_FSIZE, &small);
            pal.createStandard256();
            try {
                pal.saveJasc(path);
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

void tst_Palette::fileLimits_data()
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

void tst_Palette::fileLimits()
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
    Palette pal;
    try {
        pal.loadJasc(path);
        QCOMPARE(number, 0);
        QCOMPARE(pal.count(), 1);
    } catch (const Error& e) {
        QCOMPARE(e.number(), number);
        QVERIFY2(e.detail().startsWith(path + QStringLiteral(": ")), qPrintable(e.detail()));
    }
}

QTEST_GUILESS_MAIN(tst_Palette)
#include "tst_palette.moc"
