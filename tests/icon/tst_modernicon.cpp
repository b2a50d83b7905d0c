// 32-bit and PNG-stored images in the icon document, checked against files and readers that
// are not ours (icotool writes the inputs, ImageMagick and Pillow read what we write).
#include "icon/IconFile.h"
#include "platform/Error.h"

#include "../support/IconCheck.h"
#include "../support/IconTestSupport.h"

#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

class tst_ModernIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void blockInfo_data();
    void blockInfo();

private:
    QTemporaryDir m_dir;
};

void tst_ModernIcon::blockInfo_data()
{
    QTest::addColumn<QStringList>("magick"); // how the picture is drawn
    QTest::addColumn<QStringList>("icotool"); // how icotool stores it
    QTest::addColumn<bool>("png");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("bits");
    QTest::addColumn<qint64>("colours");
    const QStringList soft { "-size", "48x48", "xc:none", "-fill", "#ff000080", "-draw", "circle 24,24 24,4" };
    QTest::newRow("48x48 with alpha, BMP-stored 32 bits") << soft << QStringList {} << false << 48 << 32 << (1ll << 24);
    QTest::newRow("256x256 RGBA PNG stored as it is")
        << QStringList { "-size", "256x256", "gradient:#ff000080-#0000ffff", "PNG32:" } << QStringList { "-r" } << true
        << 256 << 32 << (1ll << 24);
    QTest::newRow("16x16 palette PNG stored as it is")
        << QStringList { "-size", "16x16", "gradient:red-blue", "-colors", "200", "PNG8:" } << QStringList { "-r" }
        << true << 16 << 8 << 256ll;
    QTest::newRow("16x16 8-bit BMP-stored") << QStringList { "-size", "16x16", "gradient:red-blue", "-colors", "200" }
                                            << QStringList { "-b", "8" } << false << 16 << 8 << 256ll;
}

void tst_ModernIcon::blockInfo()
{
    QFETCH(QStringList, magick);
    QFETCH(QStringList, icotool);
    QFETCH(bool, png);
    QFETCH(int, size);
    QFETCH(int, bits);
    QFETCH(qint64, colours);
    // "PNG32:" and the like prefix the output name.
    QStringList drawing = magick;
    QString prefix;
    if (!drawing.isEmpty() && drawing.last().endsWith(QLatin1Char(':')))
        prefix = drawing.takeLast();
    const QString name = QString::fromLatin1(QTest::currentDataTag()).left(10).replace(QLatin1Char(' '), '_');
    QString ico;
    {
        const QString pic = m_dir.filePath(name + QStringLiteral(".png"));
        ico = m_dir.filePath(name + QStringLiteral(".ico"));
        if (runTool(QStringLiteral("/usr/bin/convert"), drawing + QStringList { prefix + pic }).exitCode != 0
            || runTool(QStringLiteral("icotool"), QStringList { "-c", "-o", ico } + icotool + QStringList { pic })
                    .exitCode
                != 0)
            QSKIP("ImageMagick or icotool is missing");
    }
    IconFile icon;
    QVERIFY(icon.load(ico));
    const ImageBlockInfo info = icon.blockInfo(1);
    QCOMPARE(info.format == ImageBlockInfo::Format::Png, png);
    QCOMPARE(info.width, size);
    QCOMPARE(info.height, size);
    QCOMPARE(info.bitCount, bits);
    QCOMPARE(info.colours, colours);

    // Cut inside the header (the BMP's or the PNG's IHDR): error 9, nothing read beyond the block.
    QByteArray bytes = readFile(ico);
    qToLittleEndian<qint32>(20, bytes.data() + 6 + 8);
    QVERIFY(writeFile(ico, bytes.left(22 + 20)));
    QVERIFY(icon.load(ico));
    QCOMPARE(errorOf([&] { icon.blockInfo(1); }), err::SubscriptOutOfRange);
}

QTEST_GUILESS_MAIN(tst_ModernIcon)
#include "tst_modernicon.moc"
