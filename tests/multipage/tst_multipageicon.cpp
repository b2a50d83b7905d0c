#include "multipage/MultiPageIcon.h"

#include "platform/Error.h"
#include "support/IconCheck.h"

#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {

// The three slot pictures share one pattern, so pixel (x, y) is the same colour in each.
QImage slotPicture(int size)
{
    return patternPicture(size, size, qRgb(40, 40, 100));
}

} // namespace

class tst_MultiPageIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();

    void transparentColour();

    void slotsMakeImages();
    void clearedTransparentTakesEachTopLeft();

private:
    void fill(MultiPageIcon& icon, int slot, const QString& path)
    {
        icon.setPath(slot, path);
        icon.loadPreview(slot, path);
    }

    QTemporaryDir m_pictures;
    QString m_picture[3]; // 16x16, 32x32, 48x48
    std::unique_ptr<QTemporaryDir> m_out;
};

void tst_MultiPageIcon::initTestCase()
{
    for (int slot = 0; slot < 3; ++slot) {
        const int size = MultiPageIcon::imageSize(slot);
        m_picture[slot] = writePicture(m_pictures.path(), QStringLiteral("p%1.bmp").arg(size), slotPicture(size));
    }
}

void tst_MultiPageIcon::init()
{
    m_out = std::make_unique<QTemporaryDir>();
}

// Above 255 counts as 255; a negative box is refused. Boxes without a number are the dialog's
// refusal (tst_multipagedialog).
void tst_MultiPageIcon::transparentColour()
{
    QCOMPARE(MultiPageIcon::transparentColour({ true, "300", "0", "300" }), RGB(255, 0, 255));
    QCOMPARE(MultiPageIcon::transparentColour({ false, "1", "2", "3" }), CLR_INVALID);
    try {
        MultiPageIcon::transparentColour({ true, "0", "-1", "0" });
        QFAIL("no error raised");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::InvalidProcedureCall);
    }
}

// Given 48x48 first, the images still come 16x16 then 48x48. Names without .ico: the CLI rows.
void tst_MultiPageIcon::slotsMakeImages()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    MultiPageIcon icon;
    fill(icon, 2, m_picture[2]);
    fill(icon, 0, m_picture[0]);
    const auto result = icon.save(m_out->filePath(QStringLiteral("logo.ico")), TransparentChoice {});
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    QCOMPARE(result.imageCount, 2);
    QCOMPARE(filesIn(m_out->path()), QStringList { "logo.ico" });
    QCOMPARE(icotoolList(result.fileName), sizes24({ 16, 48 }));
    const QList<QImage> decoded = magickImages(result.fileName);
    QCOMPARE(decoded.size(), 2);
    VERIFY_SAME(firstDifference(decoded[0], slotPicture(16)));
    VERIFY_SAME(firstDifference(decoded[1], slotPicture(48)));
}

void tst_MultiPageIcon::clearedTransparentTakesEachTopLeft()
{
    REQUIRE_TOOL("/usr/bin/convert");
    // Red at the small picture's top-left, blue at the large one's, some of each elsewhere:
    // each image loses only its own top-left colour, whatever the boxes hold.
    QImage small = slotPicture(16);
    small.setPixel(0, 0, qRgb(255, 0, 0));
    small.setPixel(7, 9, qRgb(255, 0, 0));
    small.setPixel(3, 3, qRgb(0, 0, 255));
    QImage large = slotPicture(48);
    large.setPixel(0, 0, qRgb(0, 0, 255));
    large.setPixel(40, 2, qRgb(0, 0, 255));
    large.setPixel(30, 30, qRgb(255, 0, 0));
    MultiPageIcon icon;
    fill(icon, 0, writePicture(m_out->path(), QStringLiteral("red.bmp"), small));
    fill(icon, 2, writePicture(m_out->path(), QStringLiteral("blue.bmp"), large));
    const auto result = icon.save(m_out->filePath(QStringLiteral("corner")), { false, "abc", "", "-7" });
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    const QList<QImage> decoded = magickImages(result.fileName);
    QCOMPARE(decoded.size(), 2);
    VERIFY_SAME(firstDifference(decoded[0], expectedIcon(small, 16, 0, qRgb(255, 0, 0))));
    VERIFY_SAME(firstDifference(decoded[1], expectedIcon(large, 48, 0, qRgb(0, 0, 255))));
}

QTEST_GUILESS_MAIN(tst_MultiPageIcon)
#include "tst_multipageicon.moc"
