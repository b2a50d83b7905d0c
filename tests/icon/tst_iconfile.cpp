#include "icon/IconFile.h"
#include "platform/Error.h"

#include "../support/IconTestSupport.h"
#include "../support/ReadOnlyFolder.h"
#include "support/OtherUser.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace brevane;
using namespace brevane::test;

namespace {

// Assembles ICO bytes field by field, so tests can say exactly what a file claims.
struct RawEntry {
    quint8 width = 16, height = 16, colours = 0;
    quint16 planes = 1, bits = 24;
    qint32 bytes = 0, offset = 0;
};

template <typename T> QByteArray le(T v)
{
    QByteArray b(sizeof(T), '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray header(quint16 reserved, quint16 type, qint16 count)
{
    return le(reserved) + le(type) + le(count);
}

QByteArray entry(const RawEntry& e)
{
    return QByteArray(1, char(e.width)) + char(e.height) + char(e.colours) + '\0' + le(e.planes) + le(e.bits)
        + le(e.bytes) + le(e.offset);
}

// A block that looks like what addImage writes: header, table, bits all 'fill'.
QByteArray block(int width, int height, int bits, char fill = '\0')
{
    const int table = bits <= 8 ? 4 << bits : 0;
    const int rows = height * (((bits * width + 31) / 32) * 4 + ((width + 31) / 32) * 4);
    return le(40) + le(width) + le(2 * height) + le(quint16(1)) + le(quint16(bits)) + QByteArray(24, '\0')
        + QByteArray(table + rows, fill);
}

} // namespace

class tst_IconFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void addImage_data();
    void addImage();
    void addRemoveOffsets();
    void duplicates();
    void shortBlockRefused();
    void load_data();
    void load();
    void roundTripIndependentTools();
    void saveWritesRealOffsets();
    void saveErrorsKeepOldFile();
    void saveFailure_data();
    void saveFailure();
    void clone();

private:
    QString file(const QByteArray& bytes)
    {
        return writeFile(m_dir.filePath("test.ico"), bytes) ? m_dir.filePath("test.ico") : QString();
    }
    QTemporaryDir m_dir;
};

void tst_IconFile::addImage_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colours");
    QTest::addColumn<int>("bits");
    QTest::addColumn<int>("blockBytes");
    QTest::newRow("16x16, 2 colours") << 16 << 2 << 1 << 176;
    QTest::newRow("32x32, 16 colours") << 32 << 16 << 4 << 744;
    QTest::newRow("32x32, 256 colours") << 32 << 256 << 8 << 2216;
    QTest::newRow("48x48, true colour") << 48 << 1000 << 24 << 7336;
}

void tst_IconFile::addImage()
{
    QFETCH(int, size);
    QFETCH(int, colours);
    QFETCH(int, bits);
    QFETCH(int, blockBytes);

    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(size, size, colours));
    QCOMPARE(icon.imageColourCount(1), qint32(1) << bits);

    // 1-bit images start black and white; everything else starts all zero.
    const QByteArray& b = icon.imageBlock(1);
    const QByteArray tail = bits == 1 ? QByteArray(4, '\0') + QByteArray("\xFF\xFF\xFF\0", 4) : QByteArray();
    QCOMPARE(b, block(size, size, bits).left(40) + tail + QByteArray(blockBytes - 40 - tail.size(), '\0'));

    const QString path = m_dir.filePath(QStringLiteral("one.ico"));
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(path));
    const quint8 entryColours = bits <= 4 ? quint8(1 << bits) : 0;
    QCOMPARE(readFile(path),
        header(0, 1, 1) + entry({ quint8(size), quint8(size), entryColours, 1, quint16(bits), blockBytes, 22 }) + b);
}

void tst_IconFile::addRemoveOffsets()
{
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(32, 32, 16));
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 2));
    QCOMPARE(icon.entry(1).dwImageOffset, 38);
    QCOMPARE(icon.entry(2).dwImageOffset, 782);
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(48, 48, 1000));
    QCOMPARE(icon.entry(1).dwImageOffset, 54);
    QCOMPARE(icon.entry(2).dwImageOffset, 54 + 744);
    QCOMPARE(icon.entry(3).dwImageOffset, 54 + 744 + 176);

    for (qint32 bad : { 0, 4 })
        QCOMPARE(errorOf([&] { icon.removeImage(bad); }), err::SubscriptOutOfRange);

    const QByteArray third = icon.imageBlock(3);
    icon.removeImage(2);
    QCOMPARE(icon.entry(1).dwImageOffset, 38);
    QCOMPARE(icon.entry(2).dwImageOffset, 38 + 744);
    QCOMPARE(icon.imageBlock(2), third);
    icon.removeImage(1);
    QCOMPARE(icon.entry(1).dwImageOffset, 22);
    // Down to one image, any index empties the document.
    icon.removeImage(7);
    QCOMPARE(icon.imageCount(), 0);
}

void tst_IconFile::duplicates()
{
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 2));
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 1000));
    QCOMPARE(errorOf([&] { icon.addImage(16, 16, 2); }), err::IconAlreadyExists);
    // A true-colour image counts 16777216 colours, never the 1000 the caller asks with.
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(16, 16, 1000));
    QCOMPARE(icon.imageCount(), 3);
}

void tst_IconFile::shortBlockRefused()
{
    // A block shorter than its own header claims: reads and writes are refused, not done.
    IconFile icon;
    QVERIFY(icon.load(file(header(0, 1, 1) + entry({ 16, 16, 2, 1, 1, 30, 22 }) + QByteArray(30, '\0'))));
    std::array<quint8, 8> mono {};
    QCOMPARE(errorOf([&] { icon.imageColourCount(1); }), err::SubscriptOutOfRange);
    QCOMPARE(errorOf([&] { icon.setColourTable(1, mono); }), err::SubscriptOutOfRange);
    QCOMPARE(icon.imageBlock(1), QByteArray(30, '\0'));
}

void tst_IconFile::load_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("isIcon");
    QTest::addColumn<int>("load"); // load(): 1 loads, 0 false, else the error raised; -1 not asked

    const QByteArray b = block(16, 16, 1);
    const qint32 n = qint32(b.size());
    const QByteArray one = header(0, 1, 1), e = entry({ 16, 16, 2, 1, 1, n, 22 });
    QTest::newRow("one 16x16 image") << one + e + b << true << 1;
    QTest::newRow("cursor") << header(0, 2, 1) + e + b << false << 0;
    QTest::newRow("five bytes") << one.left(5) << false << 0;
    QTest::newRow("idCount 0") << header(0, 1, 0) << false << 0;
    QTest::newRow("idCount 257") << header(0, 1, 257) + QByteArray(257 * 16, '\0') << false << -1;
    QTest::newRow("idCount 256, complete directory") << header(0, 1, 256) + entry({ 0, 0 }).repeated(256) << true << 1;
    QTest::newRow("directory ends inside an entry")
        << header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, n, 38 }) + entry({}).left(10) << false << err::IconLoadFailed;
    QTest::newRow("width 0 skips the size rule")
        << one + entry({ 0, 16, 2, 1, 1, 99999, 99999 }) << true << err::IconLoadFailed;
    QTest::newRow("size and offset equal the file size")
        << one + entry({ 16, 16, 2, 1, 1, 22 + n, 22 + n }) + b << false << err::IconLoadFailed;
    QTest::newRow("last block cut short")
        << header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, n, 38 }) + entry({ 32, 32, 2, 1, 1, n, 38 + n }) + b + b.left(20)
        << true << err::IconLoadFailed;
    QTest::newRow("negative dwBytesInRes")
        << one + entry({ 16, 16, 2, 1, 1, -5, 22 }) + b << true << err::IconLoadFailed;
    QTest::newRow("dwBytesInRes of 2 GiB")
        << one + entry({ 16, 16, 2, 1, 1, 0x7FFFFFFF, 22 }) + b << true << err::IconLoadFailed;
    QTest::newRow("negative offset") << one + entry({ 16, 16, 2, 1, 1, n, -22 }) + b << true << err::IconLoadFailed;
    QTest::newRow("missing file") << QByteArray() << false << 0;
}

void tst_IconFile::load()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isIcon);
    QFETCH(int, load);
    const QString path = bytes.isEmpty() ? m_dir.filePath(QStringLiteral("no-such.ico")) : file(bytes);
    IconFile icon;
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(48, 48, 1000));
    QCOMPARE(icon.isIconFile(path), isIcon);
    QCOMPARE(icon.imageCount(), 1); // the document is not touched
    if (load < 0)
        return;
    bool loaded = false;
    QCOMPARE(errorOf([&] { loaded = icon.load(path); }), load == err::IconLoadFailed ? load : 0);
    QCOMPARE(loaded, load == 1);
    if (load != 1)
        QCOMPARE(icon.imageCount(), 0);
}

void tst_IconFile::roundTripIndependentTools()
{
    for (const char* command :
        { "/usr/bin/convert -size 48x48 gradient:red-blue -define icon:auto-resize=48,32,16 in.ico",
            "/usr/bin/convert -size 32x32 gradient:green-white -colors 16 c.png && icotool -c -b 4 -o in.ico c.png" }) {
        QTemporaryDir dir;
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(QStringLiteral("sh"), { QStringLiteral("-c"), QString::fromLatin1(command) });
        QVERIFY2(tool.waitForFinished(60000) && tool.exitCode() == 0, qPrintable(tool.readAllStandardError()));
        IconFile icon;
        QVERIFY(icon.load(dir.filePath(QStringLiteral("in.ico"))));
        QVERIFY_THROWS_NO_EXCEPTION(icon.save(dir.filePath(QStringLiteral("copy.ico"))));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("copy.ico"))), readFile(dir.filePath(QStringLiteral("in.ico"))));
    }
}

void tst_IconFile::saveWritesRealOffsets()
{
    // Two blocks stored in reverse order after a gap: the saved file must point each entry at
    // where its block really went.
    const QByteArray a = block(16, 16, 1, '\x11');
    const QByteArray b = block(32, 32, 1, '\x22');
    const qint32 bAt = 38 + 7, aAt = bAt + qint32(b.size());
    IconFile icon;
    QVERIFY(icon.load(file(header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, qint32(a.size()), aAt })
        + entry({ 32, 32, 2, 1, 1, qint32(b.size()), bAt }) + QByteArray(7, '\x7F') + b + a)));
    QCOMPARE(icon.entry(1).dwImageOffset, aAt);

    const QString saved = m_dir.filePath(QStringLiteral("gathered.ico"));
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(saved));
    QCOMPARE(readFile(saved),
        header(0, 1, 2) + entry({ 16, 16, 2, 1, 1, qint32(a.size()), 38 })
            + entry({ 32, 32, 2, 1, 1, qint32(b.size()), 38 + qint32(a.size()) }) + a + b);
}

void tst_IconFile::saveErrorsKeepOldFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.ico"));
    IconFile icon;
    QCOMPARE(errorOf([&] { icon.save(path); }), err::IconCannotSave); // no images
    QVERIFY_THROWS_NO_EXCEPTION(icon.addImage(32, 32, 16));
    QVERIFY_THROWS_NO_EXCEPTION(icon.save(path));
    icon.save(); // the name given last is kept
    QCOMPARE(QFileInfo(path).size(), qint64(766));
    const QByteArray old = readFile(path);
    IconFile big;
    QVERIFY_THROWS_NO_EXCEPTION(big.addImage(48, 48, 1000));
    {
        ReadOnlyFolder readOnly(dir.path());
        if (readOnly.isReadOnly())
            QCOMPARE(errorOf([&] { big.save(path); }), err::IconCannotSave);
    }
    QCOMPARE(readFile(path), old);
    QCOMPARE(errorOf([&] { IconFile().save(); }), err::NoFileName);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("keep.ico") });
}

void tst_IconFile::clone()
{
    IconFile source, clone;
    QVERIFY_THROWS_NO_EXCEPTION(source.addImage(16, 16, 2));
    QVERIFY_THROWS_NO_EXCEPTION(source.addImage(32, 32, 256));
    QVERIFY_THROWS_NO_EXCEPTION(clone.addImage(48, 48, 1000));
    const QString a = m_dir.filePath(QStringLiteral("source.ico")), b = m_dir.filePath(QStringLiteral("clone.ico"));
    QVERIFY_THROWS_NO_EXCEPTION(source.save(a));
    source.cloneTo(clone);
    QVERIFY_THROWS_NO_EXCEPTION(clone.save(b));
    QCOMPARE(readFile(b), readFile(a));
    clone.removeImage(1); // the copy is independent
    QCOMPARE(source.imageCount(), 2);
}

void tst_IconFile::saveFailure_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only icon, as a user") << true << 1052 << "Permission denied";
    QTest::newRow("disk full part way") << false << 1053 << "File too large";
}

// The old icon stays, the error keeps its number and text and names the file and the reason.
void tst_IconFile::saveFailure()
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

QTEST_GUILESS_MAIN(tst_IconFile)
#include "tst_iconfile.moc"
