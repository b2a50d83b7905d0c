#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include "icon/PeResources.h"
#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"

#include "../support/IconTestSupport.h"
#include "../support/Tools.h"
#include "PeBuilder.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// Image blocks as addImage makes them, each with its own colour table so that a mix-up shows.
QByteArray imageBlock(qint32 width, qint32 colours, quint8 seed)
{
    IconFile icon;
    icon.addImage(width, width, colours);
    std::vector<quint8> table(colours <= 256 ? 4 * std::size_t(colours) : 0);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<quint8>(i * 7 + seed);
    icon.setColourTable(1, table);
    return icon.imageBlock(1);
}

const QByteArray Image1 = imageBlock(16, 2, 1); // 176 bytes
const QByteArray Image2 = imageBlock(32, 16, 2); // 744 bytes
const QByteArray Image3 = imageBlock(48, 1000, 3); // 7336 bytes

// Icons 1 to 3, group 1 of all three, group MYICON of image 2.
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
    void loadsGroups();
    void refusesBrokenFiles_data();
    void refusesBrokenFiles();
    void realExecutables_data();
    void realExecutables();
    void cliRefuses();
    void executable_data();
    void executable();

private:
    bool runTool(const QString& program, const QStringList& args);
    QString write(const QString& name, const QByteArray& bytes)
    {
        return writeFile(m_dir.filePath(name), bytes) ? m_dir.filePath(name) : QString();
    }

    QTemporaryDir m_dir;
    QString m_icon1;
};

bool tst_PeResources::runTool(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(program, args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void tst_PeResources::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // The icons the test programs carry, written by the document itself.
    IconFile three;
    QVERIFY_THROWS_NO_EXCEPTION(three.addImage(16, 16, 2));
    QVERIFY_THROWS_NO_EXCEPTION(three.addImage(32, 32, 16));
    QVERIFY_THROWS_NO_EXCEPTION(three.addImage(48, 48, 1000));
    QVERIFY_THROWS_NO_EXCEPTION(three.setColourTable(2, basicTable(4)));
    QVERIFY_THROWS_NO_EXCEPTION(three.save(m_dir.filePath(QStringLiteral("three.ico"))));
    IconFile one;
    QVERIFY_THROWS_NO_EXCEPTION(one.addImage(32, 32, 2));
    m_icon1 = m_dir.filePath(QStringLiteral("one.ico"));
    QVERIFY_THROWS_NO_EXCEPTION(one.save(m_icon1));

    // Small Windows programs with numbered and named icon groups, built with the mingw-w64 tools.
    QVERIFY(!write(QStringLiteral("app.rc"), "1 ICON \"three.ico\"\n2 ICON \"one.ico\"\nMyIcon ICON \"one.ico\"\n")
                 .isEmpty());
    QVERIFY(!write(QStringLiteral("app.c"), "int main(void) { return 0; }\n").isEmpty());
    for (const QString prefix : { "i686-w64-mingw32", "x86_64-w64-mingw32" }) {
        if (toolMissing(prefix + "-gcc") || toolMissing(prefix + "-windres"))
            continue; // the tests that need the program skip
        QVERIFY(runTool(prefix + "-windres", { "app.rc", "-O", "coff", "-o", prefix + ".res" }));
        QVERIFY(runTool(prefix + "-gcc", { "-o", prefix + ".exe", "app.c", prefix + ".res" }));
    }
}

void tst_PeResources::loadsGroups()
{
    IconFile icon;
    const QString path = write(QStringLiteral("crafted.exe"), buildPe(standardResources(), false));
    QVERIFY(icon.loadFromExecutable(path, 1));
    QCOMPARE(std::get<qint32>(icon.resourceId()), 1);
    QCOMPARE(icon.imageCount(), 3);
    const QByteArray blocks[] = { Image1, Image2, Image3 };
    for (qint32 i = 1, offset = 54; i <= 3; offset += qint32(blocks[i - 1].size()), ++i) {
        QCOMPARE(icon.entry(i).dwImageOffset, offset);
        QCOMPARE(icon.imageBlock(i), blocks[i - 1]);
    }
    QVERIFY(
        icon.loadFromExecutable(write(QStringLiteral("wide.exe"), buildPe(standardResources(), true)), 0, "myicon"));
    QCOMPARE(std::get<QString>(icon.resourceId()), QStringLiteral("myicon"));
    QCOMPARE(icon.imageBlock(1), Image2);
}

void tst_PeResources::refusesBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("groupName");
    QTest::addColumn<int>("error"); // 0: false without an error; otherwise the class error expected

    PeLayout layout;
    const QByteArray good = buildPe(standardResources(), false, &layout);
    const auto patched = [&](qint64 at, quint32 value) {
        QByteArray f = good;
        le::put32(std::span<quint8>(reinterpret_cast<quint8*>(f.data()), std::size_t(f.size())), at, value);
        return f;
    };
    const auto row = [](const char* name, const QByteArray& file, int error, int id = 1,
                         const QString& groupName = {}) { QTest::newRow(name) << file << id << groupName << error; };

    row("an icon file", readFile(m_icon1), 0);
    row("id 0 and no name", good, err::ResourceNotFound, 0);
    row("file cut inside the resource directory", good.left(layout.rsrcFileOffset + 20), err::ResourceNotFound);
    row("root pointing at itself", patched(layout.rsrcFileOffset + 16 + 8 + 4, 0x80000000u), err::ResourceNotFound);
    row("group larger than the file", patched(layout.dataEntry[3] + 4, 0xFFFFFFFFu), err::ResourceNotLoaded);
    row("group shorter than its count says", withGroup(groupResource({ { 16, 16, 1, 176, 1 } }, 2)),
        err::ResourceUnreadable);
    row("group counting 32767 images in one entry", withGroup(groupResource({ { 16, 16, 1, 176, 1 } }, 32767)),
        err::ResourceUnreadable);
    row("entry size differs from its image",
        withGroup(groupResource({ { 16, 16, 1, 176, 1 }, { 32, 32, 4, 745, 2 }, { 48, 48, 24, 7336, 3 } })),
        err::ResourceUnreadable);
    row("negative entry size", withGroup(groupResource({ { 16, 16, 1, -176, 1 } })), err::ResourceUnreadable);
}

void tst_PeResources::refusesBrokenFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, id);
    QFETCH(QString, groupName);
    QFETCH(int, error);

    const QString path = write(QStringLiteral("broken.exe"), file);
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 2));
    bool loaded = false;
    QString description, source;
    QCOMPARE(errorOf([&] { loaded = icon.loadFromExecutable(path, id, groupName); }, &description, &source), error);
    if (error == err::ResourceNotFound)
        QCOMPARE(description, QStringLiteral("Can't find resource."));
    QCOMPARE(source, error ? QStringLiteral("Brevane.cFileIcon") : QString());
    QVERIFY(!loaded);
    QCOMPARE(icon.imageCount(), 0);
}

void tst_PeResources::realExecutables_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QStringList>("select");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("wrestoolName");
    // PE32 and PE32+, each found one way.
    QTest::newRow("32-bit, id 1, three images") << false << QStringList { "--id", "1" } << "three.ico"
                                                << "1";
    QTest::newRow("64-bit, name in lower case") << true << QStringList { "--name", "myicon" } << "one.ico"
                                                << "MYICON";
}

void tst_PeResources::realExecutables()
{
    REQUIRE_TOOL("wrestool");
    REQUIRE_TOOL("i686-w64-mingw32-gcc");
    REQUIRE_TOOL("x86_64-w64-mingw32-gcc");
    QFETCH(bool, wide);
    QFETCH(QStringList, select);
    QFETCH(QString, source);
    QFETCH(QString, wrestoolName);
    const bool byId = select[0] == QLatin1String("--id");
    const QString exe = m_dir.filePath(wide ? "x86_64-w64-mingw32.exe" : "i686-w64-mingw32.exe");

    // The resource compiler took the icon file apart; putting it together again gives the same bytes.
    IconFile icon;
    QVERIFY(icon.loadFromExecutable(exe, byId ? select[1].toInt() : 0, byId ? QString() : select[1]));
    const QString out = m_dir.filePath(QStringLiteral("real.ico"));
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(out));
    QCOMPARE(readFile(out), readFile(m_dir.filePath(source)));

    const QString ours = m_dir.filePath(QStringLiteral("ours.ico"));
    const QString theirs = m_dir.filePath(QStringLiteral("theirs.ico"));
    QFile::remove(ours);
    QCOMPARE(runCli(QStringList { QStringLiteral("extract"), exe, QStringLiteral("-o"), ours } + select).exitCode, 0);
    QVERIFY(runTool("wrestool", { "-x", "--type=14", "--name=" + wrestoolName, "-o", theirs, exe }));
    const QByteArray a = readFile(ours);
    QVERIFY(a.size() > 22);
    // The other tool appends the raw group after the icon; the icon part must be the same.
    QCOMPARE(readFile(theirs).left(a.size()), a);
    if (wide) {
        const CliRun r = runCli({ QStringLiteral("list"), exe });
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains(QLatin1String("  id 1: 3 images\n    1: 16x16, 1 bit, 176 bytes")), qPrintable(r.out));
    }
}

void tst_PeResources::cliRefuses()
{
    const QString out = m_dir.filePath(QStringLiteral("refused.ico"));
    CliRun r = runCli({ QStringLiteral("extract"), m_icon1, QStringLiteral("-o"), out });
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(QLatin1String("not a Windows executable")), qPrintable(r.err));
    r = runCli({ QStringLiteral("extract"), write(QStringLiteral("cli.exe"), withGroup({})) });
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(QLatin1String("-o OUT.ico")), qPrintable(r.err));
    QVERIFY(!QFile::exists(out));
}

void tst_PeResources::executable_data()
{
    QTest::addColumn<int>("groupEntries");
    QTest::addColumn<qint64>("sectionReach"); // 0: as built
    QTest::addColumn<QString>("refusal"); // empty when the group loads
    const qint64 far = limits::MaxExecutableBytes + 1024 * 1024;
    QTest::newRow("256 images, installer payload past the limit") << 256 << qint64(0) << QString();
    QTest::newRow("257 images") << 257 << qint64(0) << "many.exe: the icon group lists 257 images";
    QTest::newRow("one image named 32,767 times") << 32767 << qint64(0) << "many.exe: the icon group lists 32767";
    QTest::newRow("a section reaching past the limit") << 1 << far << "more than an executable may have";
}

// Only what the headers and sections reach is read; a group holds at most what an icon file can.
void tst_PeResources::executable()
{
    QFETCH(int, groupEntries);
    QFETCH(qint64, sectionReach);
    QFETCH(QString, refusal);
    IconFile image;
    image.addImage(32, 32, 16);
    const QByteArray block = image.imageBlock(1);
    QByteArray pe
        = buildPe({ { PeResources::Key(PeResources::RT_ICON), PeResources::Key(quint16(1)), block },
                      { PeResources::Key(PeResources::RT_GROUP_ICON), PeResources::Key(quint16(1)),
                          groupResource(QList<GroupImage>(groupEntries, { 32, 32, 4, qint32(block.size()) })) } },
            false);
    if (sectionReach > 0) // raw size of the only section, PE32 as PeBuilder lays it out
        le::put32(le::bytes(pe), 0x40 + 4 + 20 + 224 + 16, quint32(sectionReach));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("many.exe"));
    QFile file(path);
    // Sparse: large on paper, nearly nothing on disk.
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(pe) == pe.size()
        && file.resize(limits::MaxExecutableBytes + 2 * 1024 * 1024));
    file.close();

    rusage before {}, after {};
    ::getrusage(RUSAGE_SELF, &before);
    QString why;
    const auto resources = PeResources::fromFile(path, &why);
    ::getrusage(RUSAGE_SELF, &after);
    QVERIFY2(after.ru_maxrss - before.ru_maxrss < 32 * 1024, "more than 32 MiB held for a file of a few KiB");
    if (!resources) {
        QVERIFY2(why.contains(refusal) && !refusal.isEmpty(), qPrintable(why));
        return;
    }
    IconFile icon;
    try {
        QVERIFY(icon.loadFromExecutable(*resources, QStringLiteral("many.exe"), 1));
        QVERIFY(refusal.isEmpty());
        QCOMPARE(icon.imageCount(), groupEntries);
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::classError(1057));
        QVERIFY2(e.detail().startsWith(refusal) && !refusal.isEmpty(), qPrintable(e.detail()));
        QCOMPARE(icon.imageCount(), 0);
    }
}

QTEST_GUILESS_MAIN(tst_PeResources)
#include "tst_peresources.moc"
