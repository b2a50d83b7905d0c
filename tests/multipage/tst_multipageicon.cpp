#include "multipage/MultiPageIcon.h"

#include "IconCheck.h"
#include "platform/Error.h"

#include <QTest>

using namespace brevane;
using namespace brevane::test;

class tst_MultiPageIcon : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();

    void iconFileName_data();
    void iconFileName();
    void colourComponent_data();
    void colourComponent();
    void transparentColour_data();
    void transparentColour();

    void previewSurfaces();
    void invalidPictureKeepsPreview();

    void slotsMakeImages_data();
    void slotsMakeImages();
    void savedUnderCompletedName_data();
    void savedUnderCompletedName();
    void largerPictureCropped();
    void smallerPicturePadded_data();
    void smallerPicturePadded();
    void topLeftColourPerImage();
    void invalidColourWritesNothing_data();
    void invalidColourWritesNothing();
    void componentAbove255CountsAs255();
    void savingTwiceWritesTwoFiles();
    void savingLeavesPreviewAlone();

    void stepsInOrder();
    void abortedOrSkippedStepWritesNothing_data();
    void abortedOrSkippedStepWritesNothing();
    void unwritableTargetRaises();

private:
    QTemporaryDir m_pictures;
    QString m_small16, m_normal32, m_large48, m_text;
};

void tst_MultiPageIcon::initTestCase()
{
    QVERIFY(m_pictures.isValid());
    m_small16 = writePicture(m_pictures, QStringLiteral("small16.bmp"), gradientPicture(16, 16));
    m_normal32 = writePicture(m_pictures, QStringLiteral("normal32.bmp"), gradientPicture(32, 32));
    m_large48 = writePicture(m_pictures, QStringLiteral("large48.bmp"), gradientPicture(48, 48));
    m_text = writeText(m_pictures, QStringLiteral("notes.bmp"), "not a picture, only text\n");
    QVERIFY(!m_small16.isEmpty() && !m_normal32.isEmpty() && !m_large48.isEmpty() && !m_text.isEmpty());
}

void tst_MultiPageIcon::iconFileName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no extension") << "logo"
                                  << "logo.ico";
    QTest::newRow("lower-case .ico") << "logo.ico"
                                     << "logo.ico";
    QTest::newRow("upper-case .ICO") << "logo.ICO"
                                     << "logo.ICO";
    QTest::newRow("mixed-case .Ico") << "logo.Ico"
                                     << "logo.Ico";
    QTest::newRow("other extension") << "logo.bmp"
                                     << "logo.bmp.ico";
    QTest::newRow(".icon is not .ico") << "logo.icon"
                                       << "logo.icon.ico";
    QTest::newRow("ico without the dot") << "logoico"
                                         << "logoico.ico";
    QTest::newRow(".ico in the folder only") << "/tmp/x.ico/logo"
                                             << "/tmp/x.ico/logo.ico";
    QTest::newRow("only the extension") << ".ico"
                                        << ".ico";
}

void tst_MultiPageIcon::iconFileName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, expected);
    QCOMPARE(MultiPageIcon::iconFileName(chosen), expected);
}

void tst_MultiPageIcon::colourComponent_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // when error is 0
    QTest::addColumn<int>("error");
    QTest::newRow("255") << "255" << 255 << 0;
    QTest::newRow("0") << "0" << 0 << 0;
    QTest::newRow("300 stays 300") << "300" << 300 << 0;
    QTest::newRow("blanks around") << "  12 " << 12 << 0;
    QTest::newRow("plus sign") << "+7" << 7 << 0;
    QTest::newRow("negative") << "-1" << -1 << 0;
    QTest::newRow("12.5 rounds to even 12") << "12.5" << 12 << 0;
    QTest::newRow("13.5 rounds to even 14") << "13.5" << 14 << 0;
    QTest::newRow("12.6 rounds up") << "12.6" << 13 << 0;
    QTest::newRow("exponent") << "2e2" << 200 << 0;
    QTest::newRow("32767") << "32767" << 32767 << 0;
    QTest::newRow("-32768") << "-32768" << -32768 << 0;
    QTest::newRow("empty") << "" << 0 << 13;
    QTest::newRow("blanks only") << "   " << 0 << 13;
    QTest::newRow("letters") << "abc" << 0 << 13;
    QTest::newRow("number then letters") << "12abc" << 0 << 13;
    QTest::newRow("inf") << "inf" << 0 << 13;
    QTest::newRow("nan") << "nan" << 0 << 13;
    QTest::newRow("hex") << "0xFF" << 0 << 13;
    QTest::newRow("two numbers") << "1 2" << 0 << 13;
    QTest::newRow("32768 overflows") << "32768" << 0 << 6;
    QTest::newRow("32767.5 rounds to an overflow") << "32767.5" << 0 << 6;
    QTest::newRow("-40000 overflows") << "-40000" << 0 << 6;
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
    QTest::newRow("white") << true << QStringList { "255", "255", "255" } << 0xFFFFFF << 0;
    QTest::newRow("red in the low byte") << true << QStringList { "255", "0", "0" } << 0x0000FF << 0;
    QTest::newRow("blue in the third byte") << true << QStringList { "0", "0", "255" } << 0xFF0000 << 0;
    QTest::newRow("mixed") << true << QStringList { "1", "2", "3" } << 0x030201 << 0;
    QTest::newRow("300 counts as 255") << true << QStringList { "300", "0", "300" } << 0xFF00FF << 0;
    QTest::newRow("32767 counts as 255") << true << QStringList { "0", "32767", "0" } << 0x00FF00 << 0;
    QTest::newRow("letters in green") << true << QStringList { "0", "abc", "0" } << 0 << 13;
    QTest::newRow("empty blue") << true << QStringList { "0", "0", "" } << 0 << 13;
    QTest::newRow("negative red") << true << QStringList { "-1", "0", "0" } << 0 << 5;
    QTest::newRow("negative red, letters in blue") << true << QStringList { "-1", "0", "x" } << 0 << 13;
    QTest::newRow("overflow in red") << true << QStringList { "99999", "0", "0" } << 0 << 6;
    QTest::newRow("cleared, letters") << false << QStringList { "abc", "", "-5" } << -1 << 0;
    QTest::newRow("cleared, white") << false << QStringList { "255", "255", "255" } << -1 << 0;
}

void tst_MultiPageIcon::transparentColour()
{
    QFETCH(bool, typed);
    QFETCH(QStringList, boxes);
    QFETCH(int, colour);
    QFETCH(int, error);
    const TransparentChoice choice { typed, boxes.at(0), boxes.at(1), boxes.at(2) };
    try {
        const Colour got = MultiPageIcon::transparentColour(choice);
        QCOMPARE(error, 0);
        QCOMPARE(got, colour);
    } catch (const Error& e) {
        QCOMPARE(e.number(), error);
    }
}

void tst_MultiPageIcon::previewSurfaces()
{
    MultiPageIcon icon(RGB(10, 20, 30));
    for (int slot = 0; slot < MultiPageIcon::SlotCount; ++slot) {
        QCOMPARE(icon.preview(slot).width(), 16 * (slot + 1));
        QCOMPARE(icon.preview(slot).height(), 16 * (slot + 1));
        QCOMPARE(icon.preview(slot).backColour(), RGB(10, 20, 30));
        QCOMPARE(icon.preview(slot).GetPixel(0, 0), RGB(10, 20, 30));
        QVERIFY(!icon.isFilled(slot));
    }
    icon.loadPreview(1, m_small16);
    QCOMPARE(icon.preview(1).GetPixel(0, 0), fromQRgb(gradientPicture(16, 16).pixel(0, 0)));
    QCOMPARE(icon.preview(1).GetPixel(16, 16), RGB(10, 20, 30));
    QVERIFY2(!icon.isFilled(1), "a preview alone does not fill a slot; its path does");
}

void tst_MultiPageIcon::invalidPictureKeepsPreview()
{
    MultiPageIcon icon;
    icon.loadPreview(2, m_large48);
    const QImage before = icon.preview(2).surface().image().copy();
    try {
        icon.loadPreview(2, m_text);
        QFAIL("a text file was taken for a picture");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::InvalidPicture);
    }
    QCOMPARE(icon.preview(2).surface().image(), before);
}

void tst_MultiPageIcon::slotsMakeImages_data()
{
    QTest::addColumn<QList<int>>("filled");
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("all empty") << QList<int> {} << QList<int> {};
    QTest::newRow("only 48x48") << QList<int> { 2 } << QList<int> { 48 };
    QTest::newRow("only 32x32") << QList<int> { 1 } << QList<int> { 32 };
    QTest::newRow("16x16 and 48x48") << QList<int> { 0, 2 } << QList<int> { 16, 48 };
    QTest::newRow("48x48 given before 16x16") << QList<int> { 2, 0 } << QList<int> { 16, 48 };
    QTest::newRow("all three") << QList<int> { 0, 1, 2 } << QList<int> { 16, 32, 48 };
}

void tst_MultiPageIcon::slotsMakeImages()
{
    QFETCH(QList<int>, filled);
    QFETCH(QList<int>, sizes);
    QTemporaryDir out;
    MultiPageIcon icon;
    const QString pictures[] = { m_small16, m_normal32, m_large48 };
    for (int slot : filled) {
        icon.setPath(slot, pictures[slot]);
        icon.loadPreview(slot, pictures[slot]);
    }
    const auto result = icon.save(out.filePath(QStringLiteral("logo")), TransparentChoice {});
    QCOMPARE(result.imageCount, sizes.size());
    if (sizes.isEmpty()) {
        QCOMPARE(result.outcome, MultiPageIcon::Outcome::NoImages);
        QVERIFY(filesIn(out.path()).isEmpty());
        return;
    }
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    QCOMPARE(result.fileName, out.filePath(QStringLiteral("logo.ico")));
    QCOMPARE(filesIn(out.path()), QStringList { QStringLiteral("logo.ico") });

    QString why;
    const QList<ListedImage> listed = icotoolList(result.fileName, &why);
    QVERIFY2(!listed.isEmpty(), qPrintable(why));
    const QList<QImage> decoded = magickImages(result.fileName, &why);
    QVERIFY2(!decoded.isEmpty(), qPrintable(why));
    QCOMPARE(listed.size(), sizes.size());
    QCOMPARE(decoded.size(), sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        QCOMPARE(listed[i].width, sizes[i]);
        QCOMPARE(listed[i].height, sizes[i]);
        QCOMPARE(listed[i].bitDepth, 24);
        QCOMPARE(decoded[i].size(), QSize(sizes[i], sizes[i]));
        // Each image is its own picture: pixel (5, 3) of every gradient is the same colour.
        QCOMPARE(decoded[i].pixel(5, 3), gradientPicture(16, 16).pixel(5, 3) | 0xFF000000u);
    }
}

void tst_MultiPageIcon::savedUnderCompletedName_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("logo") << "logo"
                          << "logo.ico";
    QTest::newRow("logo.ico") << "logo.ico"
                              << "logo.ico";
    QTest::newRow("logo.ICO") << "logo.ICO"
                              << "logo.ICO";
}

void tst_MultiPageIcon::savedUnderCompletedName()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(0, m_small16);
    icon.loadPreview(0, m_small16);
    const auto result = icon.save(out.filePath(chosen), TransparentChoice {});
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    QCOMPARE(filesIn(out.path()), QStringList { written });
    QString why;
    QCOMPARE(icotoolList(out.filePath(written), &why).size(), 1);
}

void tst_MultiPageIcon::largerPictureCropped()
{
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(0, m_normal32);
    icon.loadPreview(0, m_normal32);
    const auto result = icon.save(out.filePath(QStringLiteral("crop")), TransparentChoice {});
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    QString why;
    const QList<QImage> decoded = magickImages(result.fileName, &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    const QImage expected = gradientPicture(32, 32).copy(0, 0, 16, 16);
    QVERIFY2(samePixels(decoded[0], expected, &why), qPrintable(why));
}

void tst_MultiPageIcon::smallerPicturePadded_data()
{
    QTest::addColumn<int>("windowColour");
    QTest::addColumn<bool>("paddingTransparent");
    QTest::newRow("white window, white transparent") << RGB(255, 255, 255) << true;
    QTest::newRow("grey window, white transparent") << RGB(200, 200, 200) << false;
}

void tst_MultiPageIcon::smallerPicturePadded()
{
    QFETCH(int, windowColour);
    QFETCH(bool, paddingTransparent);
    QTemporaryDir out;
    MultiPageIcon icon(windowColour);
    icon.setPath(2, m_small16);
    icon.loadPreview(2, m_small16);
    const auto result = icon.save(out.filePath(QStringLiteral("pad")), TransparentChoice {});
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);
    QString why;
    const QList<QImage> decoded = magickImages(result.fileName, &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    const QImage& image = decoded[0];
    QCOMPARE(image.size(), QSize(48, 48));
    const QImage picture = gradientPicture(16, 16);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            const QRgb got = image.pixel(x, y);
            if (x < 16 && y < 16) {
                QCOMPARE(got, picture.pixel(x, y) | 0xFF000000u);
            } else if (paddingTransparent) {
                QCOMPARE(qAlpha(got), 0);
            } else {
                QCOMPARE(got, toQRgb(windowColour));
            }
        }
    }
}

void tst_MultiPageIcon::topLeftColourPerImage()
{
    // Red at the top-left of the small picture, blue at the large one's, and some of each
    // elsewhere: each image loses only its own top-left colour.
    QImage small = gradientPicture(16, 16);
    small.setPixel(0, 0, qRgb(255, 0, 0));
    small.setPixel(7, 9, qRgb(255, 0, 0));
    small.setPixel(3, 3, qRgb(0, 0, 255));
    small.setPixel(4, 4, qRgb(255, 255, 255));
    QImage large = gradientPicture(48, 48);
    large.setPixel(0, 0, qRgb(0, 0, 255));
    large.setPixel(40, 2, qRgb(0, 0, 255));
    large.setPixel(30, 30, qRgb(255, 0, 0));
    const QString smallPath = writePicture(m_pictures, QStringLiteral("redcorner.bmp"), small);
    const QString largePath = writePicture(m_pictures, QStringLiteral("bluecorner.bmp"), large);

    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(0, smallPath);
    icon.loadPreview(0, smallPath);
    icon.setPath(2, largePath);
    icon.loadPreview(2, largePath);
    // The boxes are not read when the typed colour is off.
    const TransparentChoice cleared { false, QStringLiteral("abc"), QString(), QStringLiteral("-7") };
    const auto result = icon.save(out.filePath(QStringLiteral("corner")), cleared);
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::Saved);

    QString why;
    const QList<QImage> decoded = magickImages(result.fileName, &why);
    QVERIFY2(decoded.size() == 2, qPrintable(why));
    const QImage* sources[] = { &small, &large };
    for (int i = 0; i < 2; ++i) {
        const QImage& source = *sources[i];
        const QRgb corner = source.pixel(0, 0);
        for (int y = 0; y < source.height(); ++y) {
            for (int x = 0; x < source.width(); ++x) {
                const QRgb got = decoded[i].pixel(x, y);
                if (source.pixel(x, y) == corner)
                    QCOMPARE(qAlpha(got), 0);
                else
                    QCOMPARE(got, source.pixel(x, y) | 0xFF000000u);
            }
        }
    }
}

void tst_MultiPageIcon::invalidColourWritesNothing_data()
{
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("letters in red") << QStringList { "red", "0", "0" };
    QTest::newRow("nothing in blue") << QStringList { "255", "255", "" };
    QTest::newRow("blanks in green") << QStringList { "255", "  ", "255" };
}

void tst_MultiPageIcon::invalidColourWritesNothing()
{
    QFETCH(QStringList, boxes);
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(1, m_normal32);
    icon.loadPreview(1, m_normal32);
    const auto result = icon.save(out.filePath(QStringLiteral("bad")), { true, boxes[0], boxes[1], boxes[2] });
    QCOMPARE(result.outcome, MultiPageIcon::Outcome::InvalidColour);
    QVERIFY(filesIn(out.path()).isEmpty());
}

void tst_MultiPageIcon::componentAbove255CountsAs255()
{
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(2, m_small16);
    icon.loadPreview(2, m_small16);
    QCOMPARE(
        icon.save(out.filePath(QStringLiteral("white")), TransparentChoice {}).outcome, MultiPageIcon::Outcome::Saved);
    QCOMPARE(icon.save(out.filePath(QStringLiteral("three-hundred")),
                     { true, QStringLiteral("300"), QStringLiteral("300"), QStringLiteral("300") })
                 .outcome,
        MultiPageIcon::Outcome::Saved);
    QFile a(out.filePath(QStringLiteral("white.ico")));
    QFile b(out.filePath(QStringLiteral("three-hundred.ico")));
    QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray bytes = a.readAll();
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(b.readAll(), bytes);
}

void tst_MultiPageIcon::savingTwiceWritesTwoFiles()
{
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(0, m_small16);
    icon.loadPreview(0, m_small16);
    QCOMPARE(
        icon.save(out.filePath(QStringLiteral("first")), TransparentChoice {}).outcome, MultiPageIcon::Outcome::Saved);
    icon.setPath(1, m_normal32);
    icon.loadPreview(1, m_normal32);
    QCOMPARE(
        icon.save(out.filePath(QStringLiteral("second")), TransparentChoice {}).outcome, MultiPageIcon::Outcome::Saved);
    QCOMPARE(filesIn(out.path()), (QStringList { QStringLiteral("first.ico"), QStringLiteral("second.ico") }));
    QString why;
    QCOMPARE(icotoolList(out.filePath(QStringLiteral("first.ico")), &why).size(), 1);
    QCOMPARE(icotoolList(out.filePath(QStringLiteral("second.ico")), &why).size(), 2);
}

void tst_MultiPageIcon::savingLeavesPreviewAlone()
{
    QTemporaryDir out;
    MultiPageIcon icon(RGB(200, 200, 200));
    icon.setPath(2, m_small16);
    icon.loadPreview(2, m_small16);
    const QImage before = icon.preview(2).surface().image().copy();
    QVERIFY(icon.save(out.filePath(QStringLiteral("a")),
                    { true, QStringLiteral("9"), QStringLiteral("8"), QStringLiteral("7") })
                .outcome
        == MultiPageIcon::Outcome::Saved);
    QCOMPARE(icon.preview(2).backColour(), RGB(200, 200, 200));
    QCOMPARE(icon.preview(2).surface().backgroundColour(), RGB(200, 200, 200));
    QCOMPARE(icon.preview(2).surface().image(), before);
}

void tst_MultiPageIcon::stepsInOrder()
{
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(0, m_small16);
    icon.setPath(2, m_large48);
    QList<int> lines;
    const auto record = [&](int line, const std::function<void()>& fn) {
        lines.append(line);
        fn();
        return StepRunner::Result::Done;
    };
    QCOMPARE(icon.save(out.filePath(QStringLiteral("steps")), TransparentChoice {}, record).outcome,
        MultiPageIcon::Outcome::Saved);
    using L = MultiPageIcon::Line;
    QCOMPARE(lines,
        (QList<int> { L::LineFileName, L::LineColour, L::LineAddImage, L::LineFillImage, L::LineAddImage,
            L::LineFillImage, L::LineSave }));
}

void tst_MultiPageIcon::abortedOrSkippedStepWritesNothing_data()
{
    QTest::addColumn<int>("line");
    QTest::addColumn<bool>("abort"); // otherwise skipped
    QTest::addColumn<int>("outcome");
    using L = MultiPageIcon::Line;
    using O = MultiPageIcon::Outcome;
    QTest::newRow("aborted at the name") << int(L::LineFileName) << true << int(O::NotSaved);
    QTest::newRow("aborted at the colour") << int(L::LineColour) << true << int(O::NotSaved);
    QTest::newRow("aborted at an image") << int(L::LineFillImage) << true << int(O::NotSaved);
    QTest::newRow("aborted at the writing") << int(L::LineSave) << true << int(O::NotSaved);
    QTest::newRow("writing skipped") << int(L::LineSave) << false << int(O::NotSaved);
    QTest::newRow("colour skipped: black is used") << int(L::LineColour) << false << int(O::Saved);
}

void tst_MultiPageIcon::abortedOrSkippedStepWritesNothing()
{
    QFETCH(int, line);
    QFETCH(bool, abort);
    QFETCH(int, outcome);
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(1, m_normal32);
    icon.loadPreview(1, m_normal32);
    const auto stopAt = [&](int at, const std::function<void()>& fn) {
        if (at == line)
            return abort ? StepRunner::Result::Aborted : StepRunner::Result::Skipped;
        fn();
        return StepRunner::Result::Done;
    };
    const auto result = icon.save(out.filePath(QStringLiteral("stop")), TransparentChoice {}, stopAt);
    QCOMPARE(int(result.outcome), outcome);
    QCOMPARE(filesIn(out.path()).size(), outcome == int(MultiPageIcon::Outcome::Saved) ? 1 : 0);
}

void tst_MultiPageIcon::unwritableTargetRaises()
{
    QTemporaryDir out;
    MultiPageIcon icon;
    icon.setPath(0, m_small16);
    try {
        icon.save(out.filePath(QStringLiteral("missing/folder/logo")), TransparentChoice {});
        QFAIL("a save into a missing folder reported nothing");
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::classError(1052));
        QCOMPARE(e.description(), QStringLiteral("Couldn't open file for writing."));
    }
    QVERIFY(filesIn(out.path()).isEmpty());
}

QTEST_GUILESS_MAIN(tst_MultiPageIcon)
#include "tst_multipageicon.moc"
