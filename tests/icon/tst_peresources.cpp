#include <csignal>
#include <sys/resource.h>

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

#include "PeBuilder.h"

using namespace brevane;
using namespace brevane::test;

namespace {

std::span<quint8> span(QByteArray& a)
{
    return { reinterpret_cast<quint8*>(a.data()), static_cast<std::size_t>(a.size()) };
}

// Image blocks as AddImage makes them, each with its own colour table so that a mix-up shows.
QByteArray imageBlock(qint32 width, qint32 colours, quint8 seed)
{
    cls_IconFile icon;
    icon.AddImage(width, width, colours);
    if (colours <= 256) {
        std::vector<quint8> table(4 * static_cast<std::size_t>(colours));
        for (std::size_t i = 0; i < table.size(); ++i)
            table[i] = static_cast<quint8>(i * 7 + seed);
        icon.SetPalette(1, table);
    }
    return icon.imageBlock(1);
}

const QByteArray Image1 = imageBlock(16, 2, 1); // 176 bytes
const QByteArray Image2 = imageBlock(32, 16, 2); // 744 bytes
const QByteArray Image3 = imageBlock(48, 1000, 3); // 7336 bytes

QList<PeResource> standardResources()
{
    const QByteArray threeImages
        = groupResource({ { 16, 16, 1, 176, 1 }, { 32, 32, 4, 744, 2 }, { 48, 48, 24, 7336, 3 } });
    return {
        { PeResources::RT_ICON, quint16(1), 0, Image1 },
        { PeResources::RT_ICON, quint16(2), 0, Image2 },
        { PeResources::RT_ICON, quint16(3), 0, Image3 },
        { PeResources::RT_GROUP_ICON, quint16(1), 0, threeImages },
        { PeResources::RT_GROUP_ICON, QStringLiteral("MYICON"), 0, groupResource({ { 32, 32, 4, 744, 2 } }) },
        { PeResources::RT_GROUP_ICON, quint16(300), 0, groupResource({ { 48, 48, 24, 7336, 3 } }) },
    };
}

// The standard file with one group replaced.
QByteArray withGroup(const QByteArray& group, PeLayout* layout = nullptr)
{
    QList<PeResource> r = standardResources();
    r[3].data = group;
    return buildPe(r, false, layout);
}

QByteArray standardFile(PeLayout* layout = nullptr)
{
    return buildPe(standardResources(), false, layout);
}

QString writeTemp(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class tst_PeResources : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void keys_data();
    void keys();
    void namesInDirectoryOrder();

    void loadsGroups_data();
    void loadsGroups();
    void refusesBrokenFiles_data();
    void refusesBrokenFiles();
    void groupCountBelowOne_data();
    void groupCountBelowOne();
    void sharedImageReadOnce();
    void failedSaveKeepsOldIcon();

    void realExecutables_data();
    void realExecutables();
    void extractMatchesWrestool_data();
    void extractMatchesWrestool();
    void listShowsGroups();
    void cliRefusesNonExecutable_data();
    void cliRefusesNonExecutable();

private:
    bool runTool(const QString& program, const QStringList& args, QByteArray* output = nullptr);

    QTemporaryDir m_dir;
    QString m_icon3;
    QString m_icon1;
    QString m_exe32;
    QString m_exe64;
    QString m_toolsMissing;
};

bool tst_PeResources::runTool(const QString& program, const QStringList& args, QByteArray* output)
{
    QProcess p;
    p.setWorkingDirectory(m_dir.path());
    p.start(program, args);
    if (!p.waitForFinished(120000)) {
        qWarning() << program << "did not finish";
        return false;
    }
    if (output)
        *output = p.readAllStandardOutput();
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << program << args << p.readAllStandardError();
        return false;
    }
    return true;
}

void tst_PeResources::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QCOMPARE(Image1.size(), 176);
    QCOMPARE(Image2.size(), 744);
    QCOMPARE(Image3.size(), 7336);

    // The icons the test programs carry, written by the document itself.
    cls_IconFile three;
    three.AddImage(16, 16, 2);
    three.AddImage(32, 32, 16);
    three.AddImage(48, 48, 1000);
    std::vector<quint8> table(64);
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<quint8>(i * 3);
    three.SetPalette(2, table);
    m_icon3 = m_dir.filePath(QStringLiteral("three.ico"));
    QVERIFY(three.saveicon(m_icon3));
    cls_IconFile one;
    one.AddImage(32, 32, 2);
    m_icon1 = m_dir.filePath(QStringLiteral("one.ico"));
    QVERIFY(one.saveicon(m_icon1));

    // Small Windows programs with numbered and named icon groups, built with the mingw-w64 tools.
    QFile rc(m_dir.filePath(QStringLiteral("app.rc")));
    QVERIFY(rc.open(QIODevice::WriteOnly));
    rc.write("1 ICON \"three.ico\"\n2 ICON \"one.ico\"\nMyIcon ICON \"one.ico\"\n");
    rc.close();
    QFile c(m_dir.filePath(QStringLiteral("app.c")));
    QVERIFY(c.open(QIODevice::WriteOnly));
    c.write("int main(void) { return 0; }\n");
    c.close();
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
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<int>("number");

    QTest::newRow("#1 is number 1") << "#1" << true << 1;
    QTest::newRow("#0065535 is number 65535") << "#0065535" << true << 65535;
    QTest::newRow("#65536 does not fit a resource number") << "#65536" << false << 0;
    QTest::newRow("# alone is a name") << "#" << false << 0;
    QTest::newRow("#12a is a name") << "#12a" << false << 0;
    QTest::newRow("#-1 is a name") << "#-1" << false << 0;
    QTest::newRow("plain name") << "MyIcon" << false << 0;
}

void tst_PeResources::keys()
{
    QFETCH(QString, name);
    QFETCH(bool, numeric);
    QFETCH(int, number);
    const PeResources::Key k = PeResources::key(name);
    QCOMPARE(std::holds_alternative<quint16>(k), numeric);
    if (numeric)
        QCOMPARE(int(std::get<quint16>(k)), number);
    else
        QCOMPARE(std::get<QString>(k), name);
}

void tst_PeResources::namesInDirectoryOrder()
{
    const auto pe = PeResources::fromBytes(standardFile());
    QVERIFY(pe);
    const QList<PeResources::Key> groups = pe->names(PeResources::Key(PeResources::RT_GROUP_ICON));
    QCOMPARE(groups.size(), 3);
    QCOMPARE(groups[0], PeResources::Key(QStringLiteral("MYICON")));
    QCOMPARE(groups[1], PeResources::Key(quint16(1)));
    QCOMPARE(groups[2], PeResources::Key(quint16(300)));

    const auto found = pe->find(QStringLiteral("myIcon"), PeResources::RT_GROUP_ICON);
    QVERIFY(found);
    QCOMPARE(PeResources::size(*found), quint32(6 + 14));
    const auto loaded = pe->load(*found);
    QVERIFY(loaded);
    const auto bytes = pe->lock(*loaded);
    QVERIFY(bytes);
    QCOMPARE(le::u16(*bytes, 18), quint16(2));
    QVERIFY(!pe->find(QStringLiteral("#2"), PeResources::RT_GROUP_ICON));
}

void tst_PeResources::loadsGroups_data()
{
    QTest::addColumn<bool>("pe32plus");
    QTest::addColumn<int>("lpID");
    QTest::addColumn<QString>("lpName");
    QTest::addColumn<QVariant>("resourceId");
    QTest::addColumn<QList<QByteArray>>("images");

    const QList<QByteArray> three { Image1, Image2, Image3 };
    QTest::newRow("PE32, id 1, three images") << false << 1 << QString() << QVariant(1) << three;
    QTest::newRow("PE32+, id 1, three images") << true << 1 << QString() << QVariant(1) << three;
    QTest::newRow("id wins over a name") << false << 1 << QStringLiteral("MYICON") << QVariant(1) << three;
    QTest::newRow("name in another case")
        << false << 0 << QStringLiteral("myicon") << QVariant(QStringLiteral("myicon")) << QList<QByteArray> { Image2 };
    QTest::newRow("PE32+, name") << true << 0 << QStringLiteral("MyIcon") << QVariant(QStringLiteral("MyIcon"))
                                 << QList<QByteArray> { Image2 };
    QTest::newRow("id above 255") << false << 300 << QString() << QVariant(300) << QList<QByteArray> { Image3 };
    QTest::newRow("name #300 selects number 300")
        << true << 0 << QStringLiteral("#300") << QVariant(QStringLiteral("#300")) << QList<QByteArray> { Image3 };
}

void tst_PeResources::loadsGroups()
{
    QFETCH(bool, pe32plus);
    QFETCH(int, lpID);
    QFETCH(QString, lpName);
    QFETCH(QVariant, resourceId);
    QFETCH(QList<QByteArray>, images);

    const QString path = writeTemp(m_dir, QStringLiteral("crafted.exe"), buildPe(standardResources(), pe32plus));
    QVERIFY(!path.isEmpty());
    cls_IconFile icon;
    QVERIFY(icon.LoadIconFromEXE(path, lpID, lpName));
    QCOMPARE(icon.Filename(), path);
    const ResourceId id = icon.ResourceID();
    if (resourceId.typeId() == QMetaType::Int)
        QCOMPARE(std::get<qint32>(id), resourceId.toInt());
    else
        QCOMPARE(std::get<QString>(id), resourceId.toString());

    QCOMPARE(qsizetype(icon.ImageCount()), images.size());
    qint64 offset = 6 + 16 * images.size();
    for (qint32 i = 1; i <= icon.ImageCount(); ++i) {
        QCOMPARE(qint64(icon.entry(i).dwImageOffset), offset);
        QCOMPARE(qsizetype(icon.ImageSize(i)), images[i - 1].size());
        QCOMPARE(icon.imageBlock(i), images[i - 1]);
        offset += images[i - 1].size();
    }

    // Written out, it is a valid icon of exactly header, directory and blocks.
    const QString ico = m_dir.filePath(QStringLiteral("crafted.ico"));
    QVERIFY(icon.saveicon(ico));
    QCOMPARE(QFileInfo(ico).size(), offset);
    cls_IconFile back;
    QVERIFY(back.IsAnIconFile(ico));
    QVERIFY(back.LoadIcon(ico));
    QCOMPARE(qsizetype(back.ImageCount()), images.size());
    for (qint32 i = 1; i <= back.ImageCount(); ++i)
        QCOMPARE(back.imageBlock(i), images[i - 1]);
}

void tst_PeResources::refusesBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("lpID");
    QTest::addColumn<QString>("lpName");
    // 0: false without an error; otherwise the class error expected.
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("description");

    const QString notFound = QStringLiteral("Can't find resource.");
    const QString notLoaded = QStringLiteral("Can't load resource.");
    const QString noBits = QStringLiteral("Failed to read bitmap bits from resource.");
    PeLayout layout;
    const QByteArray good = standardFile(&layout);
    const auto patched = [&](qint64 at, quint32 value) {
        QByteArray f = good;
        le::put32(span(f), at, value);
        return f;
    };
    const auto patched16 = [&](qint64 at, quint16 value) {
        QByteArray f = good;
        le::put16(span(f), at, value);
        return f;
    };

    QTest::newRow("an icon file") << readAll(m_icon1) << 1 << QString() << 0 << QString();
    QTest::newRow("empty file") << QByteArray() << 1 << QString() << 0 << QString();
    QTest::newRow("MZ and nothing else") << QByteArray("MZ") << 1 << QString() << 0 << QString();
    QTest::newRow("PE header offset past the end") << patched(0x3C, 0x7FFFFFF0) << 1 << QString() << 0 << QString();
    QTest::newRow("PE header offset at the very end")
        << patched(0x3C, quint32(good.size() - 4)) << 1 << QString() << 0 << QString();
    QTest::newRow("no PE signature") << patched(layout.peOffset, 0x00004550 + 1) << 1 << QString() << 0 << QString();
    QTest::newRow("unknown optional header")
        << patched16(layout.peOffset + 24, 0x107) << 1 << QString() << 0 << QString();
    QTest::newRow("optional header longer than the file")
        << patched16(layout.peOffset + 20, 0xFFFF) << 1 << QString() << 0 << QString();
    QTest::newRow("section table longer than the file")
        << patched16(layout.peOffset + 6, 0xFFFF) << 1 << QString() << 0 << QString();
    QTest::newRow("file cut inside the headers")
        << good.left(layout.sectionHeader + 20) << 1 << QString() << 0 << QString();

    QTest::newRow("id 0 and no name") << good << 0 << QString() << 1055 << notFound;
    QTest::newRow("unknown id") << good << 2 << QString() << 1055 << notFound;
    QTest::newRow("unknown name") << good << 0 << QStringLiteral("OTHER") << 1055 << notFound;
    QTest::newRow("negative id is no number") << good << -1 << QString() << 1055 << notFound;
    QTest::newRow("no resource directory")
        << patched(layout.peOffset + 24 + 92 + 4 + 16, 0) << 1 << QString() << 1055 << notFound;
    QTest::newRow("resource directory outside every section")
        << patched(layout.peOffset + 24 + 92 + 4 + 16, 0x900000) << 1 << QString() << 1055 << notFound;
    QTest::newRow("file cut inside the resource directory")
        << good.left(layout.rsrcFileOffset + 20) << 1 << QString() << 1055 << notFound;
    QTest::newRow("root claims more entries than the section holds")
        << patched16(layout.rsrcFileOffset + 14, 0xFFFF) << 1 << QString() << 1055 << notFound;
    QTest::newRow("root pointing at itself")
        << patched(layout.rsrcFileOffset + 16 + 8 + 4, 0x80000000u) << 1 << QString() << 1055 << notFound;
    QTest::newRow("group names pointing back at the root")
        << patched(layout.typeDir.at(QStringLiteral("#14")) + 16 + 8 + 4, 0x80000000u) << 1 << QString() << 1055
        << notFound;
    QTest::newRow("subdirectory past the section") << patched(layout.typeDir.at(QStringLiteral("#14")) + 16 + 8 + 4,
        0x80FFFFF0u) << 1 << QString() << 1055 << notFound;
    QTest::newRow("name string past the section") << patched(layout.typeDir.at(QStringLiteral("#14")) + 16, 0x80FFFFF0u)
                                                  << 0 << QStringLiteral("MYICON") << 1055 << notFound;
    // Name directories come type by type: icons 1, 2 and 3, then groups MYICON, 1 and 300.
    QTest::newRow("language entry pointing back at the root")
        << patched(layout.nameDir[4] + 16 + 4, 0x80000000u) << 1 << QString() << 1055 << notFound;
    QTest::newRow("data entry past the section")
        << patched(layout.nameDir[4] + 16 + 4, 0x7FFFFFF0u) << 1 << QString() << 1055 << notFound;

    QTest::newRow("group data outside every section")
        << patched(layout.dataEntry[3], 0x500000) << 1 << QString() << 1056 << notLoaded;
    QTest::newRow("group larger than its section")
        << patched(layout.dataEntry[3] + 4, 0x100000) << 1 << QString() << 1056 << notLoaded;
    QTest::newRow("group larger than the file")
        << patched(layout.dataEntry[3] + 4, 0xFFFFFFFFu) << 1 << QString() << 1056 << notLoaded;

    QTest::newRow("group shorter than its header")
        << withGroup(QByteArray("\0\0\1\0", 4)) << 1 << QString() << 1057 << noBits;
    QTest::newRow("group shorter than its count says")
        << withGroup(groupResource({ { 16, 16, 1, 176, 1 } }, 2)) << 1 << QString() << 1057 << noBits;
    QTest::newRow("group counting 32767 images in one entry")
        << withGroup(groupResource({ { 16, 16, 1, 176, 1 } }, 32767)) << 1 << QString() << 1057 << noBits;
    QTest::newRow("entry size differs from its image")
        << withGroup(groupResource({ { 16, 16, 1, 176, 1 }, { 32, 32, 4, 745, 2 }, { 48, 48, 24, 7336, 3 } })) << 1
        << QString() << 1057 << noBits;
    QTest::newRow("first entry size differs, others read")
        << withGroup(groupResource({ { 16, 16, 1, 175, 1 }, { 32, 32, 4, 744, 2 } })) << 1 << QString() << 1057
        << noBits;
    QTest::newRow("negative entry size") << withGroup(groupResource({ { 16, 16, 1, -176, 1 } })) << 1 << QString()
                                         << 1057 << noBits;
    QTest::newRow("missing image") << withGroup(groupResource({ { 16, 16, 1, 176, 9 } })) << 1 << QString() << 1057
                                   << noBits;
    QTest::newRow("image of no bytes") << patched(layout.dataEntry[0] + 4, 0) << 1 << QString() << 1057 << noBits;
    QTest::newRow("image data outside every section")
        << patched(layout.dataEntry[2], 0x500000) << 1 << QString() << 1057 << noBits;
    // Groups first, so that the image's bytes are the last in the file.
    QList<PeResource> groupsFirst = standardResources();
    std::rotate(groupsFirst.begin(), groupsFirst.begin() + 3, groupsFirst.end());
    PeLayout cutLayout;
    const QByteArray cut = buildPe(groupsFirst, false, &cutLayout);
    QTest::newRow("file cut inside the last image")
        << cut.left(cutLayout.data[5] + 100) << 1 << QString() << 1057 << noBits;
}

void tst_PeResources::refusesBrokenFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(int, lpID);
    QFETCH(QString, lpName);
    QFETCH(int, error);
    QFETCH(QString, description);

    const QString path = writeTemp(m_dir, QStringLiteral("broken.exe"), file);
    QVERIFY(!path.isEmpty());
    cls_IconFile icon;
    icon.AddImage(16, 16, 2);
    if (error == 0) {
        QVERIFY(!icon.LoadIconFromEXE(path, lpID, lpName));
        QVERIFY(std::holds_alternative<std::monostate>(icon.ResourceID()));
    } else {
        try {
            icon.LoadIconFromEXE(path, lpID, lpName);
            QFAIL("no error raised");
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::classError(error));
            QCOMPARE(e.source(), QStringLiteral("Brevane.cFileIcon"));
            QCOMPARE(e.description(), description);
        }
        if (error == 1057)
            QVERIFY(std::holds_alternative<std::monostate>(icon.ResourceID()));
    }
    QCOMPARE(icon.ImageCount(), 0);
    QCOMPARE(icon.Filename(), path);

    // The same bytes straight from memory must fail the same way.
    if (const auto pe = PeResources::fromBytes(file)) {
        cls_IconFile again;
        try {
            QVERIFY(!again.LoadIconFromEXE(*pe, path, lpID, lpName));
            QCOMPARE(error, 0);
        } catch (const Error& e) {
            QCOMPARE(e.number(), err::classError(error));
        }
    } else {
        QCOMPARE(error, 0);
    }
}

void tst_PeResources::groupCountBelowOne_data()
{
    QTest::addColumn<qint16>("count");
    QTest::newRow("no images") << qint16(0);
    QTest::newRow("negative count") << qint16(-3);
}

void tst_PeResources::groupCountBelowOne()
{
    QFETCH(qint16, count);
    const QString path = writeTemp(m_dir, QStringLiteral("empty-group.exe"), withGroup(groupResource({}, count)));
    cls_IconFile icon;
    QVERIFY(!icon.LoadIconFromEXE(path, 1));
    QCOMPARE(icon.ImageCount(), 0);
    QCOMPARE(std::get<qint32>(icon.ResourceID()), 1);
    // The document stays usable.
    QCOMPARE(icon.AddImage(16, 16, 2), 0);
    QCOMPARE(icon.ImageCount(), 1);
}

void tst_PeResources::sharedImageReadOnce()
{
    // Two entries naming the same image: both blocks hold it, offsets still back to back.
    const QString path = writeTemp(m_dir, QStringLiteral("shared.exe"),
        withGroup(groupResource({ { 32, 32, 4, 744, 2 }, { 32, 32, 4, 744, 2 } })));
    cls_IconFile icon;
    QVERIFY(icon.LoadIconFromEXE(path, 1));
    QCOMPARE(icon.ImageCount(), 2);
    QCOMPARE(icon.imageBlock(1), Image2);
    QCOMPARE(icon.imageBlock(2), Image2);
    QCOMPARE(icon.entry(2).dwImageOffset, 6 + 32 + 744);
}

void tst_PeResources::failedSaveKeepsOldIcon()
{
    const QString path = writeTemp(m_dir, QStringLiteral("keep.exe"), standardFile());
    cls_IconFile icon;
    QVERIFY(icon.LoadIconFromEXE(path, 1));
    const QString target = m_dir.filePath(QStringLiteral("keep.ico"));
    const QByteArray old = readAll(m_icon1);
    QVERIFY(!writeTemp(m_dir, QStringLiteral("keep.ico"), old).isEmpty());

    // A file size limit makes the write itself fail, whoever runs the test.
    rlimit saved {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    qint32 number = 0;
    try {
        icon.saveicon(target);
    } catch (const Error& e) {
        number = e.number();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QCOMPARE(number, err::classError(1053));
    QCOMPARE(readAll(target), old);
}

void tst_PeResources::realExecutables_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<int>("lpID");
    QTest::addColumn<QString>("lpName");
    QTest::addColumn<QString>("source");

    for (const bool wide : { false, true }) {
        const QString bits = wide ? QStringLiteral("64-bit") : QStringLiteral("32-bit");
        QTest::addRow("%s, id 1, three images", qPrintable(bits)) << wide << 1 << QString() << "three.ico";
        QTest::addRow("%s, id 2, one image", qPrintable(bits)) << wide << 2 << QString() << "one.ico";
        QTest::addRow("%s, name as written", qPrintable(bits)) << wide << 0 << "MyIcon"
                                                               << "one.ico";
        QTest::addRow("%s, name in lower case", qPrintable(bits)) << wide << 0 << "myicon"
                                                                  << "one.ico";
    }
}

void tst_PeResources::realExecutables()
{
    QFETCH(bool, wide);
    QFETCH(int, lpID);
    QFETCH(QString, lpName);
    QFETCH(QString, source);
    const QString exe = wide ? m_exe64 : m_exe32;
    if (exe.isEmpty())
        QSKIP(qPrintable(m_toolsMissing));

    cls_IconFile icon;
    QVERIFY(icon.LoadIconFromEXE(exe, lpID, lpName));
    if (lpID != 0)
        QCOMPARE(std::get<qint32>(icon.ResourceID()), lpID);
    else
        QCOMPARE(std::get<QString>(icon.ResourceID()), lpName);
    // The resource compiler took the icon file apart; putting it together again gives the same bytes.
    const QString out = m_dir.filePath(QStringLiteral("real.ico"));
    QVERIFY(icon.saveicon(out));
    QCOMPARE(readAll(out), readAll(m_dir.filePath(source)));
}

void tst_PeResources::extractMatchesWrestool_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<QStringList>("select");
    QTest::addColumn<QString>("wrestoolName");

    for (const bool wide : { false, true }) {
        const QString bits = wide ? QStringLiteral("64-bit") : QStringLiteral("32-bit");
        QTest::addRow("%s, id 1", qPrintable(bits)) << wide << QStringList { "--id", "1" } << "1";
        QTest::addRow("%s, id 2", qPrintable(bits)) << wide << QStringList { "--id", "2" } << "2";
        QTest::addRow("%s, name", qPrintable(bits)) << wide << QStringList { "--name", "myicon" } << "MYICON";
        QTest::addRow("%s, first group by default", qPrintable(bits)) << wide << QStringList {} << "MYICON";
    }
}

void tst_PeResources::extractMatchesWrestool()
{
    QFETCH(bool, wide);
    QFETCH(QStringList, select);
    QFETCH(QString, wrestoolName);
    const QString exe = wide ? m_exe64 : m_exe32;
    if (exe.isEmpty())
        QSKIP(qPrintable(m_toolsMissing));
    const QString wrestool = QStandardPaths::findExecutable(QStringLiteral("wrestool"));
    if (wrestool.isEmpty())
        QSKIP("icoutils is not installed");

    const QString ours = m_dir.filePath(QStringLiteral("ours.ico"));
    const QString theirs = m_dir.filePath(QStringLiteral("theirs.ico"));
    QFile::remove(ours);
    QVERIFY(runTool(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"),
        QStringList { QStringLiteral("extract"), exe, QStringLiteral("-o"), ours } + select));
    QVERIFY(runTool(wrestool,
        { QStringLiteral("-x"), QStringLiteral("--type=14"), QStringLiteral("--name=") + wrestoolName,
            QStringLiteral("-o"), theirs, exe }));
    const QByteArray a = readAll(ours);
    const QByteArray b = readAll(theirs);
    QVERIFY(a.size() > 22);
    // The other tool appends the raw group after the icon; the icon part must be the same.
    QVERIFY(b.size() >= a.size());
    QCOMPARE(b.left(a.size()), a);
}

void tst_PeResources::listShowsGroups()
{
    if (m_exe64.isEmpty())
        QSKIP(qPrintable(m_toolsMissing));
    QByteArray output;
    QVERIFY(runTool(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), { QStringLiteral("list"), m_exe64 }, &output));
    const QList<QByteArray> lines = output.split('\n');
    QVERIFY(lines.size() >= 9);
    QVERIFY(lines[0].endsWith(": 3 icon groups"));
    QCOMPARE(lines[1], QByteArray("  name MYICON: 1 image"));
    QCOMPARE(lines[2], QByteArray("    1: 32x32, 1 bit, 304 bytes"));
    QCOMPARE(lines[3], QByteArray("  id 1: 3 images"));
    QCOMPARE(lines[4], QByteArray("    1: 16x16, 1 bit, 176 bytes"));
    QCOMPARE(lines[5], QByteArray("    2: 32x32, 4 bits, 744 bytes"));
    QCOMPARE(lines[6], QByteArray("    3: 48x48, 24 bits, 7336 bytes"));
    QCOMPARE(lines[7], QByteArray("  id 2: 1 image"));
}

void tst_PeResources::cliRefusesNonExecutable_data()
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

void tst_PeResources::cliRefusesNonExecutable()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);

    const QString out = m_dir.filePath(QStringLiteral("refused.ico"));
    const QString crafted = writeTemp(m_dir, QStringLiteral("cli.exe"), standardFile());
    const QString damaged
        = writeTemp(m_dir, QStringLiteral("damaged.exe"), withGroup(groupResource({ { 16, 16, 1, 177, 1 } })));
    QFile::remove(out);
    args.replaceInStrings(QStringLiteral("@one"), m_icon1);
    args.replaceInStrings(QStringLiteral("@out"), out);
    args.replaceInStrings(QStringLiteral("@crafted"), crafted);
    args.replaceInStrings(QStringLiteral("@damaged"), damaged);

    QProcess p;
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), args);
    QVERIFY(p.waitForFinished(60000));
    QCOMPARE(p.exitCode(), exitCode);
    QVERIFY2(QString::fromLocal8Bit(p.readAllStandardError()).contains(message), qPrintable(message));
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(tst_PeResources)
#include "tst_peresources.moc"
