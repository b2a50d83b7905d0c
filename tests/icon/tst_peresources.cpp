#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "icon/PeResources.h"
#include "icon/cls_IconFile.h"
#include "platform/Error.h"
#include "platform/LittleEndian.h"

#include "../support/IconTestSupport.h"
#include "PeBuilder.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// Image blocks as AddImage makes them, each with its own colour table so that a mix-up shows.
QByteArray imageBlock(qint32 width, qint32 colours, quint8 seed)
{
    cls_IconFile icon;
    icon.AddImage(width, width, colours);
    std::vector<quint8> table(colours <= 256 ? 4 * std::size_t(colours) : 0);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<quint8>(i * 7 + seed);
    icon.SetPalette(1, table);
    return icon.imageBlock(1);
}

const QByteArray Image1 = imageBlock(16, 2, 1); // 176 bytes
const QByteArray Image2 = imageBlock(32, 16, 2); // 744 bytes
const QByteArray Image3 = imageBlock(48, 1000, 3); // 7336 bytes

// Icons 1 to 3, group 1 of all three, group MYICON of image 2, group 300 of image 3.
QList<PeResource> standardResources(const QByteArray& group1 = QByteArray())
{
    return {
        { PeResources::RT_ICON, quint16(1), Image1 },
        { PeResources::RT_ICON, quint16(2), Image2 },
        { PeResources::RT_ICON, quint16(3), Image3 },
        { PeResources::RT_GROUP_ICON, quint16(1),
            group1.isNull() ? groupResource({ { 16, 16, 1, 176, 1 }, { 32, 32, 4, 744, 2 }, { 48, 48, 24, 7336, 3 } })
                            : group1 },
        { PeResources::RT_GROUP_ICON, QStringLiteral("MYICON"), groupResource({ { 32, 32, 4, 744, 2 } }) },
        { PeResources::RT_GROUP_ICON, quint16(300), groupResource({ { 48, 48, 24, 7336, 3 } }) },
    };
}

QByteArray withGroup(const QByteArray& group)
{
    return buildPe(standardResources(group), false);
}

} // namespace

class tst_PeResources : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void keys_data();
    void keys();
    void loadsGroups_data();
    void loadsGroups();
    void refusesBrokenFiles_data();
    void refusesBrokenFiles();
    void groupEdgeCases();
    void realExecutables_data();
    void realExecutables();
    void listShowsGroups();
    void cliRefuses_data();
    void cliRefuses();

private:
    bool runTool(const QString& program, const QStringList& args);
    QString write(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        return writeFile(path, bytes) ? path : QString();
    }

    QTemporaryDir m_dir;
    QString m_icon1;
    QString m_exe32;
    QString m_exe64;
    QString m_toolsMissing;
};

bool tst_PeResources::runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(program, args);
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        qWarning() << program << args << p.readAllStandardError();
    return ok;
}

void tst_PeResources::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QCOMPARE(Image1.size() + Image2.size() + Image3.size(), 176 + 744 + 7336);

    // The icons the test programs carry, written by the document itself.
    cls_IconFile three;
    three.AddImage(16, 16, 2);
    three.AddImage(32, 32, 16);
    three.AddImage(48, 48, 1000);
    std::vector<quint8> table(64);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<quint8>(i * 3);
    three.SetPalette(2, table);
    QVERIFY(three.saveicon(m_dir.filePath(QStringLiteral("three.ico"))));
    cls_IconFile one;
    one.AddImage(32, 32, 2);
    m_icon1 = m_dir.filePath(QStringLiteral("one.ico"));
    QVERIFY(one.saveicon(m_icon1));

    // Small Windows programs with numbered and named icon groups, built with the mingw-w64 tools.
    QVERIFY(!write(QStringLiteral("app.rc"), "1 ICON \"three.ico\"\n2 ICON \"one.ico\"\nMyIcon ICON \"one.ico\"\n")
                 .isEmpty());
    QVERIFY(!write(QStringLiteral("app.c"), "int main(void) { return 0; }\n").isEmpty());
    for (const auto& [prefix, exe] : { std::pair { QStringLiteral("i686-w64-mingw32"), &m_exe32 },
             std::pair { QStringLiteral("x86_64-w64-mingw32"), &m_exe64 } }) {
        const QString windres = QStandardPaths::findExecutable(prefix + QStringLiteral("-windres"));
        const QString gcc = QStandardPaths::findExecutable(prefix + QStringLiteral("-gcc"));
        if (windres.isEmpty() || gcc.isEmpty()) {
            m_toolsMissing = QStringLiteral("mingw-w64 (%1) is not installed").arg(prefix);
            continue;
        }
        const QString res = prefix + QStringLiteral(".res");
        const QString out = prefix + QStringLiteral(".exe");
        QVERIFY(runTool(windres,
            { QStringLiteral("app.rc"), QStringLiteral("-O"), QStringLiteral("coff"), QStringLiteral("-o"), res }));
        QVERIFY(runTool(gcc, { QStringLiteral("-o"), out, QStringLiteral("app.c"), res }));
        *exe = m_dir.filePath(out);
    }
}

void tst_PeResources::keys_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("number"); // -1: a name
    QTest::newRow("#0065535 is number 65535") << "#0065535" << 65535;
    QTest::newRow("#65536 does not fit a resource number") << "#65536" << -1;
    QTest::newRow("#12a is a name") << "#12a" << -1;
    QTest::newRow("#-1 is a name") << "#-1" << -1;
}

void tst_PeResources::keys()
{
    QFETCH(QString, name);
    QFETCH(int, number);
    const PeResources::Key expected = number < 0 ? PeResources::Key(name) : PeResources::Key(quint16(number));
    QCOMPARE(PeResources::key(name), expected);
}

void tst_PeResources::loadsGroups_data()
{
    QTest::addColumn<bool>("pe32plus");
    QTest::addColumn<int>("lpID");
    QTest::addColumn<QString>("lpName");
    QTest::addColumn<QList<QByteArray>>("images");

    const QList<QByteArray> three { Image1, Image2, Image3 };
    QTest::newRow("PE32, id 1, three images") << false << 1 << QString() << three;
    QTest::newRow("PE32+, id 1, three images") << true << 1 << QString() << three;
    QTest::newRow("id wins over a name") << false << 1 << QStringLiteral("MYICON") << three;
    QTest::newRow("name in another case") << false << 0 << QStringLiteral("myicon") << QList<QByteArray> { Image2 };
    QTest::newRow("PE32+, name") << true << 0 << QStringLiteral("MyIcon") << QList<QByteArray> { Image2 };
    QTest::newRow("id above 255") << false << 300 << QString() << QList<QByteArray> { Image3 };
    QTest::newRow("name #300 selects number 300")
        << true << 0 << QStringLiteral("#300") << QList<QByteArray> { Image3 };
}

void tst_PeResources::loadsGroups()
{
    QFETCH(bool, pe32plus);
    QFETCH(int, lpID);
    QFETCH(QString, lpName);
    QFETCH(QList<QByteArray>, images);

    const QString path = write(QStringLiteral("crafted.exe"), buildPe(standardResources(), pe32plus));
    cls_IconFile icon;
    QVERIFY(icon.LoadIconFromEXE(path, lpID, lpName));
    QCOMPARE(icon.Filename(), path);
    if (lpID != 0)
        QCOMPARE(std::get<qint32>(icon.ResourceID()), lpID);
    else
        QCOMPARE(std::get<QString>(icon.ResourceID()), lpName);

    // Offsets 6 + 16n, then each block after the one before.
    QCOMPARE(qsizetype(icon.ImageCount()), images.size());
    qint64 offset = 6 + 16 * images.size();
    for (qint32 i = 1; i <= icon.ImageCount(); ++i) {
        QCOMPARE(qint64(icon.entry(i).dwImageOffset), offset);
        QCOMPARE(icon.imageBlock(i), images[i - 1]);
        offset += images[i - 1].size();
    }
}

void tst_PeResources::refusesBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("lpID");
    QTest::addColumn<QString>("lpName");
    QTest::addColumn<int>("error"); // 0: false without an error; otherwise the class error expected

    PeLayout layout;
    const QByteArray good = buildPe(standardResources(), false, &layout);
    const auto patched = [&](qint64 at, quint32 value, bool wide = true) {
        QByteArray f = good;
        std::span<quint8> d(reinterpret_cast<quint8*>(f.data()), std::size_t(f.size()));
        wide ? le::put32(d, at, value) : le::put16(d, at, quint16(value));
        return f;
    };
    const auto row = [](const char* name, const QByteArray& file, int error, int lpID = 1, const QString& lpName = {}) {
        QTest::newRow(name) << file << lpID << lpName << error;
    };
    const qint64 rsrcDirectory = layout.peOffset + 24 + 92 + 4 + 16;
    const qint64 groupNames = layout.typeDir.at(QStringLiteral("#14"));

    row("an icon file", readFile(m_icon1), 0);
    row("empty file", QByteArray(), 0);
    row("MZ and nothing else", QByteArray("MZ"), 0);
    row("PE header offset past the end", patched(0x3C, 0x7FFFFFF0), 0);
    row("PE header offset at the very end", patched(0x3C, quint32(good.size() - 4)), 0);
    row("no PE signature", patched(layout.peOffset, 0x00004550 + 1), 0);
    row("unknown optional header", patched(layout.peOffset + 24, 0x107, false), 0);
    row("optional header longer than the file", patched(layout.peOffset + 20, 0xFFFF, false), 0);
    row("section table longer than the file", patched(layout.peOffset + 6, 0xFFFF, false), 0);
    row("file cut inside the headers", good.left(layout.sectionHeader + 20), 0);

    row("id 0 and no name", good, 1055, 0);
    row("unknown id", good, 1055, 2);
    row("unknown name", good, 1055, 0, QStringLiteral("OTHER"));
    row("negative id is no number", good, 1055, -1);
    row("no resource directory", patched(rsrcDirectory, 0), 1055);
    row("resource directory outside every section", patched(rsrcDirectory, 0x900000), 1055);
    row("file cut inside the resource directory", good.left(layout.rsrcFileOffset + 20), 1055);
    row("root claims more entries than the section holds", patched(layout.rsrcFileOffset + 14, 0xFFFF, false), 1055);
    row("root pointing at itself", patched(layout.rsrcFileOffset + 16 + 8 + 4, 0x80000000u), 1055);
    row("group names pointing back at the root", patched(groupNames + 16 + 8 + 4, 0x80000000u), 1055);
    row("subdirectory past the section", patched(groupNames + 16 + 8 + 4, 0x80FFFFF0u), 1055);
    row("name string past the section", patched(groupNames + 16, 0x80FFFFF0u), 1055, 0, QStringLiteral("MYICON"));
    // Name directories come type by type: icons 1, 2 and 3, then groups MYICON, 1 and 300.
    row("language entry pointing back at the root", patched(layout.nameDir[4] + 16 + 4, 0x80000000u), 1055);
    row("data entry past the section", patched(layout.nameDir[4] + 16 + 4, 0x7FFFFFF0u), 1055);

    row("group data outside every section", patched(layout.dataEntry[3], 0x500000), 1056);
    row("group larger than its section", patched(layout.dataEntry[3] + 4, 0x100000), 1056);
    row("group larger than the file", patched(layout.dataEntry[3] + 4, 0xFFFFFFFFu), 1056);

    row("group shorter than its header", withGroup(QByteArray("\0\0\1\0", 4)), 1057);
    row("group shorter than its count says", withGroup(groupResource({ { 16, 16, 1, 176, 1 } }, 2)), 1057);
    row("group counting 32767 images in one entry", withGroup(groupResource({ { 16, 16, 1, 176, 1 } }, 32767)), 1057);
    row("entry size differs from its image",
        withGroup(groupResource({ { 16, 16, 1, 176, 1 }, { 32, 32, 4, 745, 2 }, { 48, 48, 24, 7336, 3 } })), 1057);
    row("first entry size differs, others read",
        withGroup(groupResource({ { 16, 16, 1, 175, 1 }, { 32, 32, 4, 744, 2 } })), 1057);
    row("negative entry size", withGroup(groupResource({ { 16, 16, 1, -176, 1 } })), 1057);
    row("missing image", withGroup(groupResource({ { 16, 16, 1, 176, 9 } })), 1057);
    row("image of no bytes", patched(layout.dataEntry[0] + 4, 0), 1057);
    row("image data outside every section", patched(layout.dataEntry[2], 0x500000), 1057);
    // Groups first, so that the image's bytes are the last in the file.
    QList<PeResource> groupsFirst = standardResources();
    std::rotate(groupsFirst.begin(), groupsFirst.begin() + 3, groupsFirst.end());
    PeLayout cutLayout;
    const QByteArray cut = buildPe(groupsFirst, false, &cutLayout);
    row("file cut inside the last image", cut.left(cutLayout.data[5] + 100), 1057);
}

void tst_PeResources::refusesBrokenFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, lpID);
    QFETCH(QString, lpName);
    QFETCH(int, error);
    static const std::map<int, QString> descriptions { { 0, QString() },
        { 1055, QStringLiteral("Can't find resource.") }, { 1056, QStringLiteral("Can't load resource.") },
        { 1057, QStringLiteral("Failed to read bitmap bits from resource.") } };

    const QString path = write(QStringLiteral("broken.exe"), file);
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    bool loaded = false;
    QString description, source;
    QCOMPARE(errorOf([&] { loaded = icon.LoadIconFromEXE(path, lpID, lpName); }, &description, &source),
        error ? err::classError(error) : 0);
    QCOMPARE(description, descriptions.at(error));
    QCOMPARE(source, error ? QStringLiteral("Brevane.cFileIcon") : QString());
    QVERIFY(!loaded);
    if (error != 1055 && error != 1056)
        QVERIFY(std::holds_alternative<std::monostate>(icon.ResourceID()));
    QCOMPARE(icon.ImageCount(), 0);
    QCOMPARE(icon.Filename(), path);

    // The same bytes straight from memory must fail the same way.
    const auto pe = PeResources::fromBytes(file);
    QCOMPARE(bool(pe), error != 0);
    if (pe) {
        cls_IconFile again;
        QCOMPARE(errorOf([&] { again.LoadIconFromEXE(*pe, path, lpID, lpName); }), err::classError(error));
    }
}

void tst_PeResources::groupEdgeCases()
{
    // A group of no images (or a negative count): false, and the document stays usable.
    for (qint16 count : { 0, -3 }) {
        const QString path = write(QStringLiteral("empty-group.exe"), withGroup(groupResource({}, count)));
        cls_IconFile icon;
        QVERIFY(!icon.LoadIconFromEXE(path, 1));
        QCOMPARE(icon.ImageCount(), 0);
        QCOMPARE(std::get<qint32>(icon.ResourceID()), 1);
        QCOMPARE(icon.AddImage(16, 16, 2), 0);
    }
    // Two entries naming the same image: both blocks hold it, offsets still back to back.
    const QString path = write(
        QStringLiteral("shared.exe"), withGroup(groupResource({ { 32, 32, 4, 744, 2 }, { 32, 32, 4, 744, 2 } })));
    cls_IconFile icon;
    QVERIFY(icon.LoadIconFromEXE(path, 1));
    QCOMPARE(icon.ImageCount(), 2);
    QCOMPARE(icon.imageBlock(1), Image2);
    QCOMPARE(icon.imageBlock(2), Image2);
    QCOMPARE(icon.entry(2).dwImageOffset, 6 + 32 + 744);
}

void tst_PeResources::realExecutables_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<int>("lpID"); // -1: the command line's default, no class load
    QTest::addColumn<QString>("lpName");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("select");
    QTest::addColumn<QString>("wrestoolName");

    for (const bool wide : { false, true }) {
        const char* bits = wide ? "64-bit" : "32-bit";
        QTest::addRow("%s, id 1, three images", bits)
            << wide << 1 << QString() << "three.ico" << QStringList { "--id", "1" } << "1";
        QTest::addRow("%s, id 2, one image", bits)
            << wide << 2 << QString() << "one.ico" << QStringList { "--id", "2" } << "2";
        QTest::addRow("%s, name as written", bits) << wide << 0 << "MyIcon"
                                                   << "one.ico" << QStringList { "--name", "MyIcon" } << "MYICON";
        QTest::addRow("%s, name in lower case", bits) << wide << 0 << "myicon"
                                                      << "one.ico" << QStringList { "--name", "myicon" } << "MYICON";
        QTest::addRow("%s, first group by default", bits)
            << wide << -1 << QString() << "one.ico" << QStringList {} << "MYICON";
    }
}

void tst_PeResources::realExecutables()
{
    QFETCH(bool, wide);
    QFETCH(int, lpID);
    QFETCH(QString, lpName);
    QFETCH(QString, source);
    QFETCH(QStringList, select);
    QFETCH(QString, wrestoolName);
    const QString exe = wide ? m_exe64 : m_exe32;
    if (exe.isEmpty())
        QSKIP(qPrintable(m_toolsMissing));

    if (lpID >= 0) {
        cls_IconFile icon;
        QVERIFY(icon.LoadIconFromEXE(exe, lpID, lpName));
        if (lpID != 0)
            QCOMPARE(std::get<qint32>(icon.ResourceID()), lpID);
        else
            QCOMPARE(std::get<QString>(icon.ResourceID()), lpName);
        // The resource compiler took the icon file apart; putting it together again gives the same bytes.
        const QString out = m_dir.filePath(QStringLiteral("real.ico"));
        QVERIFY(icon.saveicon(out));
        QCOMPARE(readFile(out), readFile(m_dir.filePath(source)));
    }

    const QString wrestool = QStandardPaths::findExecutable(QStringLiteral("wrestool"));
    if (wrestool.isEmpty())
        QSKIP("icoutils is not installed");
    const QString ours = m_dir.filePath(QStringLiteral("ours.ico"));
    const QString theirs = m_dir.filePath(QStringLiteral("theirs.ico"));
    QFile::remove(ours);
    QCOMPARE(runCli(QStringList { QStringLiteral("extract"), exe, QStringLiteral("-o"), ours } + select).exitCode, 0);
    QVERIFY(runTool(wrestool,
        { QStringLiteral("-x"), QStringLiteral("--type=14"), QStringLiteral("--name=") + wrestoolName,
            QStringLiteral("-o"), theirs, exe }));
    const QByteArray a = readFile(ours);
    QVERIFY(a.size() > 22);
    // The other tool appends the raw group after the icon; the icon part must be the same.
    QCOMPARE(readFile(theirs).left(a.size()), a);
}

void tst_PeResources::listShowsGroups()
{
    if (m_exe64.isEmpty())
        QSKIP(qPrintable(m_toolsMissing));
    const CliRun r = runCli({ QStringLiteral("list"), m_exe64 });
    QCOMPARE(r.exitCode, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'));
    QVERIFY(lines.size() >= 9);
    QVERIFY(lines[0].endsWith(QLatin1String(": 3 icon groups")));
    QCOMPARE(lines.mid(1, 7),
        QStringList({ "  name MYICON: 1 image", "    1: 32x32, 1 bit, 304 bytes", "  id 1: 3 images",
            "    1: 16x16, 1 bit, 176 bytes", "    2: 32x32, 4 bits, 744 bytes", "    3: 48x48, 24 bits, 7336 bytes",
            "  id 2: 1 image" }));
}

void tst_PeResources::cliRefuses_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");

    QTest::newRow("list of an icon file") << QStringList { "list", "@one" } << 1 << "is not a Windows executable";
    QTest::newRow("extract from an icon file")
        << QStringList { "extract", "@one", "-o", "@out" } << 1 << "is not a Windows executable";
    QTest::newRow("extract of an unknown id")
        << QStringList { "extract", "@crafted", "-o", "@out", "--id", "5" } << 1 << "Can't find resource.";
    QTest::newRow("extract of a damaged group") << QStringList { "extract", "@damaged", "-o", "@out", "--id", "1" } << 1
                                                << "Failed to read bitmap bits from resource.";
    QTest::newRow("extract without output") << QStringList { "extract", "@crafted" } << 2 << "-o OUT.ico";
    QTest::newRow("extract with id and name")
        << QStringList { "extract", "@crafted", "-o", "@out", "--id", "1", "--name", "x" } << 2 << "not both";
}

void tst_PeResources::cliRefuses()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString out = m_dir.filePath(QStringLiteral("refused.ico"));
    QFile::remove(out);
    args.replaceInStrings(QStringLiteral("@one"), m_icon1);
    args.replaceInStrings(QStringLiteral("@out"), out);
    args.replaceInStrings(
        QStringLiteral("@crafted"), write(QStringLiteral("cli.exe"), buildPe(standardResources(), false)));
    args.replaceInStrings(QStringLiteral("@damaged"),
        write(QStringLiteral("damaged.exe"), withGroup(groupResource({ { 16, 16, 1, 177, 1 } }))));
    const CliRun r = runCli(args);
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(tst_PeResources)
#include "tst_peresources.moc"
