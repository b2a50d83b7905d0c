#include "icon/IconFile.h"
#include "icon/PeResources.h"
#include "platform/Error.h"
#include "platform/Limits.h"

#include "PeBuilder.h"
#include "support/OtherUser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace brevane;
using namespace brevane::test;

class tst_IconSafety : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void saveFailure_data();
    void saveFailure();
    void executable_data();
    void executable();
};

void tst_IconSafety::saveFailure_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only icon, as a user") << true << 1052 << "Permission denied";
    QTest::newRow("disk full part way") << false << 1053 << "File too large";
}

// The old icon stays, the error keeps its number and text and names the file and the reason.
void tst_IconSafety::saveFailure()
{
    QFETCH(bool, readOnly);
    QFETCH(int, n);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(QFile::setPermissions(dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther
            | QFile::ExeOther));
    const QString path = dir.filePath(QStringLiteral("old.ico"));
    IconFile icon;
    icon.addImage(16, 16, 2);
    icon.save(path);
    if (readOnly)
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    const int status = inChild(
        [&] {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit small { 1000, 1000 };
            if (!readOnly)
                ::setrlimit(RLIMIT_FSIZE, &small);
            icon.addImage(48, 48, 1000);
            try {
                icon.save();
            } catch (const Error& e) {
                return e.number() == err::classError(n) && e.detail() == path + QStringLiteral(": ") + reason ? 0 : 2;
            }
            return 1;
        },
        readOnly);
    QCOMPARE(status, 0);
    IconFile old;
    QVERIFY(old.load(path) && old.imageCount() == 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("old.ico") });
}

void tst_IconSafety::executable_data()
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
void tst_IconSafety::executable()
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

QTEST_GUILESS_MAIN(tst_IconSafety)
#include "tst_iconsafety.moc"
