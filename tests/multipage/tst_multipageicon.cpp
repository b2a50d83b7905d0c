#include "multipage/MultiPageIcon.h"

#include "support/IconCheck.h"
#include "support/IconTestSupport.h"

#include <QTest>

using namespace brevane;
using namespace brevane::test;

class tst_MultiPageIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void transparentColour();
    void slotsMakeImages();
};

// Above 255 counts as 255; a negative box is refused. Boxes without a number are the dialog's
// refusal (tst_multipagedialog).
void tst_MultiPageIcon::transparentColour()
{
    QCOMPARE(MultiPageIcon::transparentColour({ true, "300", "0", "300" }), RGB(255, 0, 255));
    QCOMPARE(MultiPageIcon::transparentColour({ false, "1", "2", "3" }), CLR_INVALID);
    QCOMPARE(errorOf([] { MultiPageIcon::transparentColour({ true, "0", "-1", "0" }); }), err::InvalidProcedureCall);
}

// Given 48x48 first, the images still come 16x16 then 48x48, under a name without .ico. With
// the transparent colour cleared each image loses its own top-left colour, whatever the boxes
// hold: red at the small picture's top-left, blue at the large one's, some of each elsewhere.
void tst_MultiPageIcon::slotsMakeImages()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    QTemporaryDir out;
    QImage small = patternPicture(16, 16, qRgb(255, 0, 0)), large = patternPicture(48, 48, qRgb(0, 0, 255));
    small.setPixel(7, 9, qRgb(255, 0, 0));
    small.setPixel(3, 3, qRgb(0, 0, 255));
    large.setPixel(40, 2, qRgb(0, 0, 255));
    large.setPixel(30, 30, qRgb(255, 0, 0));
    MultiPageIcon icon;
    for (const auto& [slot, name, picture] : { std::tuple { 2, "blue.bmp", large }, { 0, "red.bmp", small } }) {
        const QString path = writePicture(out.path(), QLatin1String(name), picture);
        icon.setPath(slot, path);
        icon.loadPreview(slot, path);
    }
    const auto result = icon.save(out.filePath(QStringLiteral("logo")), { false, "abc", "", "-7" });
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    QCOMPARE(result.imageCount, 2);
    QCOMPARE(filesIn(out.path(), { "*.ico" }), QStringList { "logo.ico" });
    QCOMPARE(icotoolList(result.fileName), sizes24({ 16, 48 }));
    const QList<QImage> decoded = magickImages(result.fileName);
    QCOMPARE(decoded.size(), 2);
    VERIFY_SAME(firstDifference(decoded[0], expectedIcon(small, 16, 0, qRgb(255, 0, 0))));
    VERIFY_SAME(firstDifference(decoded[1], expectedIcon(large, 48, 0, qRgb(0, 0, 255))));
}

QTEST_GUILESS_MAIN(tst_MultiPageIcon)
#include "tst_multipageicon.moc"
