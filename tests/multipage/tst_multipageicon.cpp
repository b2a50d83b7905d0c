#include "multipage/MultiPageIcon.h"

#include "platform/Error.h"
#include "support/IconCheck.h"

#include <QTest>

using namespace brevane;
using namespace brevane::test;

Q_DECLARE_METATYPE(MultiPageIcon::Outcome)

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

    void colourComponent_data();
    void colourComponent();
    void transparentColour_data();
    void transparentColour();

    void slotsMakeImages_data();
    void slotsMakeImages();
    void pictureCroppedOrPadded_data();
    void pictureCroppedOrPadded();
    void clearedTransparentTakesEachTopLeft();
    void abortedOrSkippedStep_data();
    void abortedOrSkippedStep();

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
    QVERIFY(m_pictures.isValid());
    for (int slot = 0; slot < 3; ++slot) {
        const int size = MultiPageIcon::imageSize(slot);
        m_picture[slot] = writePicture(m_pictures.path(), QStringLiteral("p%1.bmp").arg(size), slotPicture(size));
    }
}

void tst_MultiPageIcon::init()
{
    m_out = std::make_unique<QTemporaryDir>();
}

void tst_MultiPageIcon::colourComponent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // when error is 0
    QTest::addColumn<int>("error");
    QTest::newRow("300 stays 300") << "300" << 300 << 0;
    QTest::newRow("negative") << "-1" << -1 << 0;
    QTest::newRow("12.5 rounds to even 12") << "12.5" << 12 << 0;
    QTest::newRow("13.5 rounds to even 14") << "13.5" << 14 << 0;
    QTest::newRow("empty") << "" << 0 << 13;
    QTest::newRow("letters") << "abc" << 0 << 13;
    QTest::newRow("hex") << "0xFF" << 0 << 13;
    QTest::newRow("32768 overflows") << "32768" << 0 << 6;
    QTest::newRow("32767.5 rounds to an overflow") << "32767.5" << 0 << 6;
    QTest::newRow("1e400 overflows") << "1e400" << 0 << 6;
}

void tst_MultiPageIcon::colourComponent()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(int, error);
    try {
        const int got = MultiPageIcon::colourComponent(text);
        QCOMPARE(error, 0);
        QCOMPARE(got, value);
    } catch (const Error& e) {
        QCOMPARE(e.number(), error);
    }
}

void tst_MultiPageIcon::transparentColour_data()
{
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<int>("colour"); // when error is 0
    QTest::addColumn<int>("error");
    QTest::newRow("red in the low byte") << true << QStringList { "255", "0", "0" } << 0x0000FF << 0;
    QTest::newRow("300 counts as 255") << true << QStringList { "300", "0", "300" } << 0xFF00FF << 0;
    QTest::newRow("letters in green") << true << QStringList { "0", "abc", "0" } << 0 << 13;
    QTest::newRow("empty blue") << true << QStringList { "0", "0", "" } << 0 << 13;
    QTest::newRow("negative red") << true << QStringList { "-1", "0", "0" } << 0 << 5;
    QTest::newRow("overflow in red") << true << QStringList { "99999", "0", "0" } << 0 << 6;
    QTest::newRow("cleared, letters") << false << QStringList { "abc", "", "-5" } << -1 << 0;
}

void tst_MultiPageIcon::transparentColour()
{
    QFETCH(bool, typed);
    QFETCH(QStringList, boxes);
    QFETCH(int, colour);
    QFETCH(int, error);
    try {
        const Colour got = MultiPageIcon::transparentColour({ typed, boxes.at(0), boxes.at(1), boxes.at(2) });
        QCOMPARE(error, 0);
        QCOMPARE(got, colour);
    } catch (const Error& e) {
        QCOMPARE(e.number(), error);
    }
}

void tst_MultiPageIcon::slotsMakeImages_data()
{
    QTest::addColumn<QList<int>>("filled");
    QTest::addColumn<QString>("chosen"); // the save name
    QTest::addColumn<QString>("written");
    QTest::addColumn<QList<int>>("sizes");
    const QList<int> none;
    QTest::newRow("all empty") << none << "logo"
                               << "" << none;
    QTest::newRow("only 48x48, logo") << QList<int> { 2 } << "logo"
                                      << "logo.ico" << QList<int> { 48 };
    QTest::newRow("16x16 and 48x48, logo.ico") << QList<int> { 0, 2 } << "logo.ico"
                                               << "logo.ico" << QList<int> { 16, 48 };
    QTest::newRow("48x48 given before 16x16, logo.ICO") << QList<int> { 2, 0 } << "logo.ICO"
                                                        << "logo.ICO" << QList<int> { 16, 48 };
    QTest::newRow("all three, other extension") << QList<int> { 0, 1, 2 } << "logo.bmp"
                                                << "logo.bmp.ico" << QList<int> { 16, 32, 48 };
    QTest::newRow(".icon is not .ico") << QList<int> { 0 } << "logo.icon"
                                       << "logo.icon.ico" << QList<int> { 16 };
    QTest::newRow(".ico in the folder only") << QList<int> { 0 } << "x.ico/logo"
                                             << "x.ico/logo.ico" << QList<int> { 16 };
}

void tst_MultiPageIcon::slotsMakeImages()
{
    QFETCH(QList<int>, filled);
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QFETCH(QList<int>, sizes);
    QVERIFY(QDir(m_out->path()).mkpath(QStringLiteral("x.ico")));
    MultiPageIcon icon;
    for (int slot : filled)
        fill(icon, slot, m_picture[slot]);
    const auto result = icon.save(m_out->filePath(chosen), TransparentChoice {});
    QCOMPARE(result.imageCount, sizes.size());
    if (sizes.isEmpty()) {
        QCOMPARE(result.outcome, MultiPageIcon::Outcome::NoImages);
        QVERIFY(filesIn(m_out->path()).isEmpty());
        return;
    }
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    QCOMPARE(result.fileName, m_out->filePath(written));
    QCOMPARE(filesIn(QFileInfo(result.fileName).path()), QStringList { QFileInfo(written).fileName() });
    QCOMPARE(icotoolList(result.fileName), sizes24(sizes));
    const QList<QImage> decoded = magickImages(result.fileName);
    QCOMPARE(decoded.size(), sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QString diff = firstDifference(decoded[i], slotPicture(sizes[i]));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
}

void tst_MultiPageIcon::pictureCroppedOrPadded_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<int>("slot");
    QTest::addColumn<int>("window");
    QTest::addColumn<QStringList>("boxes"); // "" for the default choice
    QTest::addColumn<QRgb>("transparent");
    const QRgb white = qRgb(255, 255, 255);
    QTest::newRow("32x32 in the 16x16 slot: cropped") << 1 << 0 << RGB(255, 255, 255) << QStringList {} << white;
    QTest::newRow("16x16 in the 48x48 slot, white window") << 0 << 2 << RGB(255, 255, 255) << QStringList {} << white;
    QTest::newRow("grey window: padding grey") << 0 << 2 << RGB(200, 200, 200) << QStringList {} << white;
    QTest::newRow("300 typed counts as 255")
        << 0 << 2 << RGB(255, 255, 255) << QStringList { "300", "300", "300" } << white;
    QTest::newRow("grey window, grey typed")
        << 0 << 2 << RGB(200, 200, 200) << QStringList { "200", "200", "200" } << qRgb(200, 200, 200);
}

void tst_MultiPageIcon::pictureCroppedOrPadded()
{
    QFETCH(int, picture);
    QFETCH(int, slot);
    QFETCH(int, window);
    QFETCH(QStringList, boxes);
    QFETCH(QRgb, transparent);
    MultiPageIcon icon(window);
    fill(icon, slot, m_picture[picture]);
    const QImage preview = icon.preview(slot).surface().image().copy();
    const TransparentChoice choice
        = boxes.isEmpty() ? TransparentChoice {} : TransparentChoice { true, boxes[0], boxes[1], boxes[2] };
    const auto result = icon.save(m_out->filePath(QStringLiteral("icon")), choice);
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    const int size = MultiPageIcon::imageSize(slot);
    const QString diff = iconDiffers(
        result.fileName, slotPicture(MultiPageIcon::imageSize(picture)), size, toQRgb(window), transparent);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // Saving leaves the preview as it was.
    QCOMPARE(icon.preview(slot).backColour(), window);
    QCOMPARE(icon.preview(slot).surface().image(), preview);
}

void tst_MultiPageIcon::clearedTransparentTakesEachTopLeft()
{
    // Red at the small picture's top-left, blue at the large one's, some of each elsewhere:
    // each image loses only its own top-left colour, whatever the boxes hold.
    QImage small = slotPicture(16);
    small.setPixel(0, 0, qRgb(255, 0, 0));
    small.setPixel(7, 9, qRgb(255, 0, 0));
    small.setPixel(3, 3, qRgb(0, 0, 255));
    small.setPixel(4, 4, qRgb(255, 255, 255));
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
    QString diff = firstDifference(decoded[0], expectedIcon(small, 16, 0, qRgb(255, 0, 0)));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    diff = firstDifference(decoded[1], expectedIcon(large, 48, 0, qRgb(0, 0, 255)));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_MultiPageIcon::abortedOrSkippedStep_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("abort"); // otherwise skipped
    QTest::addColumn<MultiPageIcon::Outcome>("outcome");
    using L = MultiPageIcon::Line;
    using O = MultiPageIcon::Outcome;
    QTest::newRow("aborted at an image") << int(L::LineFillImage) << true << O::NotSaved;
    QTest::newRow("aborted at the writing") << int(L::LineSave) << true << O::NotSaved;
    QTest::newRow("writing skipped") << int(L::LineSave) << false << O::NotSaved;
    QTest::newRow("colour skipped: black is used") << int(L::LineColour) << false << O::Saved;
}

void tst_MultiPageIcon::abortedOrSkippedStep()
{
    QFETCH(int, line);
    QFETCH(bool, abort);
    QFETCH(MultiPageIcon::Outcome, outcome);
    MultiPageIcon icon;
    fill(icon, 1, m_picture[1]);
    const auto stopAt = [&](int at, const std::function<void()>& fn) {
        if (at == line)
            return abort ? StepRunner::Result::Aborted : StepRunner::Result::Skipped;
        fn();
        return StepRunner::Result::Done;
    };
    QCOMPARE(icon.save(m_out->filePath(QStringLiteral("stop")), TransparentChoice {}, stopAt).outcome, outcome);
    QCOMPARE(filesIn(m_out->path()).size(), outcome == MultiPageIcon::Outcome::Saved ? 1 : 0);
}

QTEST_GUILESS_MAIN(tst_MultiPageIcon)
#include "tst_multipageicon.moc"
