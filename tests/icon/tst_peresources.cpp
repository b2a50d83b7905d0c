#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include "icon/IconFile.h"
#include "icon/PeResources.h"
#include "platform/Limits.h"
#include "platform/LittleEndian.h"

#include "../support/IconTestSupport.h"
#include "PeBuilder.h"

using namespace brevane;
using namespace brevane::test;

namespace {

// Image blocks as addImage makes them: sizes that tell them apart.
QByteArray imageBlock(qint32 width, qint32 colours)
{
    IconFile icon;
    icon.addImage(width, width, colours);
    return icon.imageBlock(1);
}

const QByteArray Images[] = { imageBlock(16, 2), imageBlock(32, 16), imageBlock(48, 1000) };

// Icons 1 to 3 (176, 744 and 7336 bytes), group 1 of all three, group MYICON of image 2.
QByteArray withGroup(const QByteArray& group, bool pe32plus = false, PeLayout* layout = nullptr)
{
    return buildPe({ { PeResources::RT_ICON, quint16(1), Images[0] }, { PeResources::RT_ICON, quint16(2), Images[1] },
                       { PeResources::RT_ICON, quint16(3), Images[2] },
                       { PeResources::RT_GROUP_ICON, quint16(1),
                           group.isNull() ? groupResource({ { 16, 16, 1, 176, 1 }, { 32, 32, 4, 744, 2 },
                                                { 48, 48, 24, 7336, 3 } })
                                          : group },
                       { PeResources::RT_GROUP_ICON, QStringLiteral("MYICON"),
                           groupResource({ { 32, 32, 4, 744, 2 } }) } },
        pe32plus, layout);
}

} // namespace

class tst_PeResources : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void loadsGroups();
    void refusesBrokenFiles_data();
    void refusesBrokenFiles();
    void executable_data();
    void executable();

private:
    QString write(const QString& name, const QByteArray& bytes)
    {
        return writeFile(m_dir.filePath(name), bytes) ? m_dir.filePath(name) : QString();
    }
    QTemporaryDir m_dir;
};

// PE32 by number, PE32+ (its data directories 16 bytes further on) by name in another case.
void tst_PeResources::loadsGroups()
{
    IconFile icon;
    QVERIFY(icon.loadFromExecutable(write(QStringLiteral("crafted.exe"), withGroup({})), 1));
    QCOMPARE(std::get<qint32>(icon.resourceId()), 1);
    QCOMPARE(icon.imageCount(), 3);
    for (qint32 i = 1, offset = 54; i <= 3; offset += qint32(Images[i - 1].size()), ++i) {
        QCOMPARE(icon.entry(i).dwImageOffset, offset);
        QCOMPARE(icon.imageBlock(i), Images[i - 1]);
    }
    QVERIFY(icon.loadFromExecutable(write(QStringLiteral("wide.exe"), withGroup({}, true)), 0, "myicon"));
    QCOMPARE(std::get<QString>(icon.resourceId()), QStringLiteral("myicon"));
    QCOMPARE(icon.imageBlock(1), Images[1]);
}

void tst_PeResources::refusesBrokenFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("id");
    QTest::addColumn<int>("error"); // 0: false without an error

    PeLayout layout;
    const QByteArray good = withGroup({}, false, &layout);
    const auto patched = [&](qint64 at, quint32 value) {
        QByteArray f = good;
        le::put32(le::bytes(f), at, value);
        return f;
    };
    const auto row = [](const char* name, const QByteArray& file, int error, int id = 1) {
        QTest::newRow(name) << file << id << error;
    };
    row("an icon file", QByteArray::fromHex("0000010001001010") + Images[0], 0);
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
    QFETCH(int, error);
    const QString path = write(QStringLiteral("broken.exe"), file);
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 2));
    bool loaded = false;
    QString description, source;
    QCOMPARE(errorOf([&] { loaded = icon.loadFromExecutable(path, id); }, &description, &source), error);
    if (error == err::ResourceNotFound)
        QCOMPARE(description, QStringLiteral("Can't find resource."));
    QCOMPARE(source, error ? QStringLiteral("Brevane.cFileIcon") : QString());
    QVERIFY(!loaded);
    QCOMPARE(icon.imageCount(), 0);
}

void tst_PeResources::executable_data()
{
    QTest::addColumn<int>("groupEntries");
    QTest::addColumn<qint64>("sectionReach"); // 0: as built
    QTest::addColumn<QString>("refusal"); // empty when the group loads
    QTest::newRow("256 images, installer payload past the limit") << 256 << qint64(0) << QString();
    QTest::newRow("257 images") << 257 << qint64(0) << "many.exe: the icon group lists 257 images";
    QTest::newRow("a section reaching past the limit")
        << 1 << limits::MaxExecutableBytes + 1024 * 1024 << "more than an executable may have";
}

// Only what the headers and sections reach is read; a group holds at most what an icon file can.
void tst_PeResources::executable()
{
    QFETCH(int, groupEntries);
    QFETCH(qint64, sectionReach);
    QFETCH(QString, refusal);
    const QByteArray& block = Images[1];
    QByteArray pe = buildPe({ { PeResources::RT_ICON, quint16(1), block },
                                { PeResources::RT_GROUP_ICON, quint16(1),
                                    groupResource(QList<GroupImage>(groupEntries, { 32, 32, 4, 744 })) } },
        false);
    if (sectionReach > 0) // raw size of the only section, PE32 as PeBuilder lays it out
        le::put32(le::bytes(pe), 0x40 + 4 + 20 + 224 + 16, quint32(sectionReach));
    const QString path = write(QStringLiteral("many.exe"), pe);
    QVERIFY(QFile::resize(path, limits::MaxExecutableBytes + 2 * 1024 * 1024)); // sparse

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
        QVERIFY(icon.loadFromExecutable(*resources, QStringLiteral("many.exe"), 1) && refusal.isEmpty());
        QCOMPARE(icon.imageCount(), groupEntries);
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::ResourceUnreadable);
        QVERIFY2(e.detail().startsWith(refusal) && !refusal.isEmpty(), qPrintable(e.detail()));
        QCOMPARE(icon.imageCount(), 0);
    }
}

QTEST_GUILESS_MAIN(tst_PeResources)
#include "tst_peresources.moc"
