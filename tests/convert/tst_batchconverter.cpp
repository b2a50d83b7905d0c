#include "convert/BatchConverter.h"
#include "convert/IconSize.h"
#include "platform/Error.h"
#include "platform/PictureBox.h"
#include "platform/PictureLoader.h"
#include "platform/mdl_ErrorHandle.h"

#include "../support/ScriptedPrompts.h"
#include "IconCheck.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

Q_DECLARE_METATYPE(MsgAnswer)

namespace {

const QRgb Magenta = qRgb(255, 0, 255);

// Sets the preview up as the dialog does for one picture: picture drawn, size from
// nIconSize, background the top-left colour.
Colour prepareSingle(PictureBox& box, const QString& path)
{
    box.setPicture(PictureLoader::load(path));
    box.resize(nIconSize + 2, nIconSize + 2);
    const Colour topLeft = box.GetPixel(0, 0);
    box.setBackColour(topLeft);
    return topLeft;
}

} // namespace

class tst_BatchConverter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void iconFileName_data();
    void iconFileName();
    void autoIconSize_data();
    void autoIconSize();
    void invalidFolder_data();
    void invalidFolder();
    void singleCrop_data();
    void singleCrop();
    void smallPicturePadded();
    void autoSizes_data();
    void autoSizes();
    void autoMaskPerPicture();
    void clearedTransparency_data();
    void clearedTransparency();
    void existingIconReplaced();
    void unreadableSecond_data();
    void unreadableSecond();
    void unwritableFolder_data();
    void unwritableFolder();
    void replacingSource_data();
    void replacingSource();
    void lowColourFormats_data();
    void lowColourFormats();
    void unattendedFailures();

private:
    QString save(const QImage& img, const QString& name, const char* format = "BMP")
    {
        const QString path = m_dir->filePath(name);
        if (!img.save(path, format))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    PictureRow row(const QString& name) const { return { name, m_dir->path() }; }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_out;
};

void tst_BatchConverter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && m_out->isValid());
    mdl_ErrorHandle::setProgramFolder(m_out->path());
    nIconSize = 32;
}

void tst_BatchConverter::iconFileName_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("icon");
    QTest::newRow("three-letter extension") << "photo.bmp"
                                            << "photo.ico";
    QTest::newRow("four-letter extension") << "photo.jpeg"
                                           << "photo.ico";
    QTest::newRow("upper-case extension") << "LOGO.BMP"
                                          << "LOGO.ico";
    QTest::newRow("two dots, last one counts") << "a.b.png"
                                               << "a.b.ico";
    QTest::newRow("no dot") << "README"
                            << "README.ico";
    QTest::newRow("trailing dot") << "x."
                                  << "x.ico";
    QTest::newRow("already an icon") << "app.ico"
                                     << "app.ico";
}

void tst_BatchConverter::iconFileName()
{
    QFETCH(QString, picture);
    QFETCH(QString, icon);
    QCOMPARE(BatchConverter::iconFileName(picture), icon);
}

void tst_BatchConverter::autoIconSize_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("size");
    QTest::newRow("1 wide") << 1 << 32 << 16;
    QTest::newRow("16 wide") << 16 << 48 << 16;
    QTest::newRow("17 wide") << 17 << 16 << 32;
    QTest::newRow("32 wide") << 32 << 48 << 32;
    QTest::newRow("33 wide") << 33 << 16 << 48;
    QTest::newRow("48 wide") << 48 << 16 << 48;
    QTest::newRow("49 wide keeps 16") << 49 << 16 << 16;
    QTest::newRow("64 wide keeps 48") << 64 << 48 << 48;
}

void tst_BatchConverter::autoIconSize()
{
    QFETCH(int, width);
    QFETCH(int, current);
    QFETCH(int, size);
    QCOMPARE(BatchConverter::autoIconSize(width, current), size);
}

void tst_BatchConverter::invalidFolder_data()
{
    QTest::addColumn<QString>("folder"); // relative to the output folder, "" for an empty text
    QTest::addColumn<bool>("several");
    QTest::newRow("missing last folder, one picture") << "missing" << false;
    QTest::newRow("missing last folder, several pictures") << "missing" << true;
    QTest::newRow("missing parent") << "missing/deeper" << false;
    QTest::newRow("a file, not a folder") << "file.txt" << false;
    QTest::newRow("empty text") << "" << true;
}

void tst_BatchConverter::invalidFolder()
{
    QFETCH(QString, folder);
    QFETCH(bool, several);
    QVERIFY(writeFile(m_out->filePath(QStringLiteral("file.txt")), "x"));
    save(patternPicture(20, 20, Magenta), QStringLiteral("a.bmp"));
    save(patternPicture(20, 20, Magenta), QStringLiteral("b.bmp"));
    std::vector<PictureRow> rows { row(QStringLiteral("a.bmp")) };
    if (several)
        rows.push_back(row(QStringLiteral("b.bmp")));

    ScriptedPrompts prompts;
    PictureBox box;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = folder.isEmpty() ? QString() : m_out->filePath(folder);
    QCOMPARE(converter.run(rows, options), BatchConverter::Outcome::FolderInvalid);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].text, QStringLiteral("That folder is invalid !"));
    QCOMPARE(prompts.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(prompts.messages[0].icon, MsgIcon::Exclamation);
    QCOMPARE(prompts.messages[0].buttons, MsgButtons::Ok);
    QCOMPARE(converter.iconsWritten(), 0);
    QCOMPARE(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList { "file.txt" });
}

void tst_BatchConverter::singleCrop_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("100x80 cropped to 48x48") << 48;
    QTest::newRow("100x80 cropped to 32x32") << 32;
    QTest::newRow("100x80 cropped to 16x16") << 16;
}

void tst_BatchConverter::singleCrop()
{
    QFETCH(int, size);
    const QImage picture = patternPicture(100, 80, Magenta);
    const QString path = save(picture, QStringLiteral("photo.bmp"));
    nIconSize = size;
    PictureBox box;
    const Colour topLeft = prepareSingle(box, path);
    QCOMPARE(topLeft, fromQRgb(Magenta));

    ScriptedPrompts prompts;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = m_out->path();
    options.transparentColour = topLeft;
    QCOMPARE(converter.run({ row(QStringLiteral("photo.bmp")) }, options), BatchConverter::Outcome::Finished);
    QVERIFY2(prompts.messages.isEmpty(), qPrintable(prompts.messages.value(0).text));

    const QString icon = m_out->filePath(QStringLiteral("photo.ico"));
    QCOMPARE(icotoolList(icon), expectedIcotoolLine(size, 24));
    const QString diff
        = firstDifference(decodeWithImageMagick(icon, size), expectedIcon(picture, size, Magenta, Magenta));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_BatchConverter::smallPicturePadded()
{
    const QRgb topLeft = qRgb(10, 20, 30);
    const QImage picture = patternPicture(10, 10, topLeft);
    const QString path = save(picture, QStringLiteral("small.bmp"));
    PictureBox box;
    prepareSingle(box, path);

    ScriptedPrompts prompts;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = m_out->path();

    // Transparent colour = background: the padding is see-through.
    options.transparentColour = fromQRgb(topLeft);
    QCOMPARE(converter.run({ row(QStringLiteral("small.bmp")) }, options), BatchConverter::Outcome::Finished);
    const QString icon = m_out->filePath(QStringLiteral("small.ico"));
    QString diff = firstDifference(decodeWithImageMagick(icon, 32), expectedIcon(picture, 32, topLeft, topLeft));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    // Another transparent colour: the padding shows the background colour itself.
    const QRgb other = qRgb(1, 2, 3);
    options.transparentColour = fromQRgb(other);
    QCOMPARE(converter.run({ row(QStringLiteral("small.bmp")) }, options), BatchConverter::Outcome::Finished);
    const QImage got = decodeWithImageMagick(icon, 32);
    diff = firstDifference(got, expectedIcon(picture, 32, topLeft, other));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(got.pixel(31, 31), topLeft);
}

void tst_BatchConverter::autoSizes_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("16, 20, 40, then 64 keeps 48") << QList<int> { 16, 20, 40, 64 } << QList<int> { 16, 32, 48, 48 };
    QTest::newRow("first 64 keeps the 32 of activation") << QList<int> { 64, 16 } << QList<int> { 32, 16 };
    QTest::newRow("48 then 100 then 17") << QList<int> { 48, 100, 17 } << QList<int> { 48, 48, 32 };
}

void tst_BatchConverter::autoSizes()
{
    QFETCH(QList<int>, widths);
    QFETCH(QList<int>, sizes);
    std::vector<PictureRow> rows;
    QList<QImage> pictures;
    for (int i = 0; i < widths.size(); ++i) {
        pictures.append(patternPicture(widths[i], 30, qRgb(i, 200, 7), i));
        const QString name = QStringLiteral("p%1.bmp").arg(i);
        save(pictures.last(), name);
        rows.push_back(row(name));
    }
    ScriptedPrompts prompts;
    PictureBox box;
    BatchConverter converter(box, prompts);
    QList<IconMade> made;
    converter.onIconWritten = [&](const IconMade& m) { made.append(m); };
    BatchOptions options;
    options.targetFolder = m_out->path();
    options.autoSize = true;
    options.autoMask = true;
    QCOMPARE(converter.run(rows, options), BatchConverter::Outcome::Finished);
    QCOMPARE(made.size(), widths.size());
    for (int i = 0; i < widths.size(); ++i) {
        QCOMPARE(made[i].size, sizes[i]);
        const QString icon = m_out->filePath(QStringLiteral("p%1.ico").arg(i));
        QCOMPARE(icotoolList(icon), expectedIcotoolLine(sizes[i], 24));
        const QRgb topLeft = pictures[i].pixel(0, 0);
        const QString diff = firstDifference(
            decodeWithImageMagick(icon, sizes[i]), expectedIcon(pictures[i], sizes[i], topLeft, topLeft));
        QVERIFY2(diff.isEmpty(), qPrintable(QStringLiteral("picture %1: ").arg(i) + diff));
    }
    QCOMPARE(nIconSize, sizes.last());
}

void tst_BatchConverter::autoMaskPerPicture()
{
    const QList<QRgb> corners { qRgb(255, 0, 255), qRgb(0, 255, 0), qRgb(10, 20, 30) };
    std::vector<PictureRow> rows;
    QList<QImage> pictures;
    for (int i = 0; i < corners.size(); ++i) {
        QImage img = patternPicture(32, 32, corners[i], i);
        img.setPixel(5, 7, corners[i]); // the same colour elsewhere is transparent too
        pictures.append(img);
        save(img, QStringLiteral("m%1.bmp").arg(i));
        rows.push_back(row(QStringLiteral("m%1.bmp").arg(i)));
    }
    ScriptedPrompts prompts;
    PictureBox box;
    BatchConverter converter(box, prompts);
    QList<IconMade> made;
    converter.onIconWritten = [&](const IconMade& m) { made.append(m); };
    BatchOptions options;
    options.targetFolder = m_out->path();
    options.autoMask = true;
    QCOMPARE(converter.run(rows, options), BatchConverter::Outcome::Finished);
    QCOMPARE(made.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(made[i].transparentColour, fromQRgb(corners[i]));
        const QImage got = decodeWithImageMagick(m_out->filePath(QStringLiteral("m%1.ico").arg(i)), 32);
        QCOMPARE(qAlpha(got.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(got.pixel(5, 7)), 0);
        QCOMPARE(got.pixel(1, 0), pictures[i].pixel(1, 0));
    }
    QCOMPARE(options.transparentColour, fromQRgb(corners.last()));
}

void tst_BatchConverter::clearedTransparency_data()
{
    QTest::addColumn<bool>("several");
    QTest::newRow("one picture: the cleared swatch colour") << false;
    QTest::newRow("several with automatic mask: each top-left pixel") << true;
}

void tst_BatchConverter::clearedTransparency()
{
    QFETCH(bool, several);
    const QList<QRgb> corners { qRgb(255, 0, 255), qRgb(0, 0, 255) };
    std::vector<PictureRow> rows;
    for (int i = 0; i < (several ? 2 : 1); ++i) {
        save(patternPicture(32, 32, corners[i], i), QStringLiteral("t%1.bmp").arg(i));
        rows.push_back(row(QStringLiteral("t%1.bmp").arg(i)));
    }
    ScriptedPrompts prompts;
    PictureBox box;
    if (!several)
        prepareSingle(box, m_dir->filePath(QStringLiteral("t0.bmp")));
    BatchConverter converter(box, prompts);
    QList<IconMade> made;
    converter.onIconWritten = [&](const IconMade& m) { made.append(m); };
    BatchOptions options;
    options.targetFolder = m_out->path();
    options.autoMask = several;
    options.transparent = false;
    options.transparentColour = RGB(255, 255, 250); // what clearing "Icon is transparent ?" leaves
    QCOMPARE(converter.run(rows, options), BatchConverter::Outcome::Finished);
    QCOMPARE(made.size(), int(rows.size()));
    for (int i = 0; i < made.size(); ++i) {
        QCOMPARE(made[i].transparent, false);
        QCOMPARE(made[i].transparentColour, several ? fromQRgb(corners[i]) : RGB(255, 255, 250));
    }
}

void tst_BatchConverter::existingIconReplaced()
{
    const QImage picture = patternPicture(32, 32, Magenta);
    const QString path = save(picture, QStringLiteral("logo.bmp"));
    const QString icon = m_out->filePath(QStringLiteral("logo.ico"));
    QVERIFY(writeFile(icon, QByteArray(5000, 'x')));
    PictureBox box;
    prepareSingle(box, path);
    ScriptedPrompts prompts;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = m_out->path();
    options.transparentColour = fromQRgb(Magenta);
    QCOMPARE(converter.run({ row(QStringLiteral("logo.bmp")) }, options), BatchConverter::Outcome::Finished);
    QVERIFY(prompts.messages.isEmpty()); // no question for an existing icon
    QCOMPARE(icotoolList(icon), expectedIcotoolLine(32, 24));
    const QString diff = firstDifference(decodeWithImageMagick(icon, 32), expectedIcon(picture, 32, Magenta, Magenta));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_BatchConverter::unreadableSecond_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QStringList>("icons");
    QTest::addColumn<int>("outcome");
    QTest::newRow("Yes skips it: first and third written")
        << MsgAnswer::Yes << QStringList { "first.ico", "third.ico" } << int(BatchConverter::Outcome::Finished);
    QTest::newRow("No stops the run: only the first")
        << MsgAnswer::No << QStringList { "first.ico" } << int(BatchConverter::Outcome::Stopped);
}

void tst_BatchConverter::unreadableSecond()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(QStringList, icons);
    QFETCH(int, outcome);
    save(patternPicture(32, 32, Magenta), QStringLiteral("first.bmp"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("second.gif")), "this is not a picture"));
    save(patternPicture(32, 32, Magenta), QStringLiteral("third.png"), "PNG");
    ScriptedPrompts prompts;
    prompts.answers.enqueue(answer);
    PictureBox box;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = m_out->path();
    options.autoMask = true;
    const auto result = converter.run(
        { row(QStringLiteral("first.bmp")), row(QStringLiteral("second.gif")), row(QStringLiteral("third.png")) },
        options);
    QCOMPARE(int(result), outcome);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].text,
        QStringLiteral("The image you have added: 'second.gif' is invalid ! Do you wish to skip this image ?"));
    QCOMPARE(prompts.messages[0].title, QStringLiteral("Wrong image"));
    QCOMPARE(prompts.messages[0].icon, MsgIcon::Exclamation);
    QCOMPARE(prompts.messages[0].buttons, MsgButtons::YesNo);
    QCOMPARE(QDir(m_out->path()).entryList({ "*.ico" }, QDir::Files, QDir::Name), icons);
    for (const QString& icon : icons)
        QCOMPARE(icotoolList(m_out->filePath(icon)), expectedIcotoolLine(32, 24));
}

void tst_BatchConverter::unwritableFolder_data()
{
    QTest::addColumn<QList<MsgAnswer>>("answers");
    QTest::addColumn<int>("reports");
    QTest::addColumn<int>("outcome");
    QTest::newRow("Abort ends the run at the first save")
        << QList<MsgAnswer> { MsgAnswer::Abort } << 1 << int(BatchConverter::Outcome::Aborted);
    QTest::newRow("Ignore goes on: one report per picture")
        << QList<MsgAnswer> { MsgAnswer::Ignore, MsgAnswer::Ignore } << 2 << int(BatchConverter::Outcome::Finished);
    QTest::newRow("Retry saves again, then Abort")
        << QList<MsgAnswer> { MsgAnswer::Retry, MsgAnswer::Abort } << 2 << int(BatchConverter::Outcome::Aborted);
}

void tst_BatchConverter::unwritableFolder()
{
    QFETCH(QList<MsgAnswer>, answers);
    QFETCH(int, reports);
    QFETCH(int, outcome);
    save(patternPicture(32, 32, Magenta), QStringLiteral("a.bmp"));
    save(patternPicture(32, 32, Magenta), QStringLiteral("b.bmp"));
    const QString target = m_out->filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(target));
    if (!makeUnwritable(target)) {
        makeWritable(target);
        QSKIP("no way to make a folder unwritable here");
    }
    ScriptedPrompts prompts;
    for (MsgAnswer a : answers)
        prompts.answers.enqueue(a);
    PictureBox box;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = target;
    const auto result = converter.run({ row(QStringLiteral("a.bmp")), row(QStringLiteral("b.bmp")) }, options);
    const QStringList written = QDir(target).entryList(QDir::Files);
    makeWritable(target);
    QCOMPARE(int(result), outcome);
    QCOMPARE(prompts.messages.size(), reports);
    for (const ShownMessage& m : prompts.messages) {
        QCOMPARE(m.title, QStringLiteral("Error"));
        QCOMPARE(m.icon, MsgIcon::Critical);
        QCOMPARE(m.buttons, MsgButtons::AbortRetryIgnore);
        QVERIFY2(m.text.contains(QStringLiteral("Couldn't open file for writing.")), qPrintable(m.text));
    }
    QVERIFY(written.isEmpty());
    QFile log(mdl_ErrorHandle::lastLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString logText = QString::fromLocal8Bit(log.readAll());
    QCOMPARE(logText.count(BatchConverter::LocationCode), reports);
}

void tst_BatchConverter::replacingSource_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("Yes replaces the picture") << MsgAnswer::Yes << true;
    QTest::newRow("No keeps it") << MsgAnswer::No << false;
}

void tst_BatchConverter::replacingSource()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, replaced);
    // A PNG that happens to be called .ico, converted into its own folder.
    const QString source = save(patternPicture(32, 32, Magenta), QStringLiteral("pic.ico"), "PNG");
    save(patternPicture(16, 16, Magenta), QStringLiteral("other.bmp"));
    QFile f(source);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    ScriptedPrompts prompts;
    prompts.answers.enqueue(answer);
    PictureBox box;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = m_dir->path();
    options.autoMask = true;
    QCOMPARE(converter.run({ row(QStringLiteral("pic.ico")), row(QStringLiteral("other.bmp")) }, options),
        BatchConverter::Outcome::Finished);
    QCOMPARE(prompts.messages.size(), 1);
    QCOMPARE(prompts.messages[0].text,
        QStringLiteral("The icon for 'pic.ico' would replace the picture itself. Replace it ?"));
    QCOMPARE(prompts.messages[0].title, QStringLiteral("Warning !"));
    QCOMPARE(prompts.messages[0].icon, MsgIcon::Question);
    QCOMPARE(prompts.messages[0].buttons, MsgButtons::YesNo);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll() != before, replaced);
    QCOMPARE(converter.iconsWritten(), replaced ? 2 : 1);
    QCOMPARE(icotoolList(m_dir->filePath(QStringLiteral("other.ico"))), expectedIcotoolLine(32, 24));
}

void tst_BatchConverter::lowColourFormats_data()
{
    QTest::addColumn<int>("nColors");
    QTest::addColumn<int>("bits");
    QTest::newRow("4 bits, 16 colours") << 16 << 4;
    QTest::newRow("8 bits, 256 colours") << 256 << 8;
    QTest::newRow("1 bit, monochrome") << 2 << 1;
}

void tst_BatchConverter::lowColourFormats()
{
    QFETCH(int, nColors);
    QFETCH(int, bits);
    // Colours every palette holds exactly: the image must show them, not black.
    QImage picture(32, 32, QImage::Format_RGB32);
    const QList<QRgb> colours = bits == 1
        ? QList<QRgb> { qRgb(255, 255, 255), qRgb(0, 0, 0) }
        : QList<QRgb> { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255) };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            picture.setPixel(x, y, colours[(x / 8 + y / 8) % colours.size()]);
    save(picture, QStringLiteral("blocks.bmp"));
    save(picture, QStringLiteral("blocks2.bmp"));
    ScriptedPrompts prompts;
    PictureBox box;
    BatchConverter converter(box, prompts);
    BatchOptions options;
    options.targetFolder = m_out->path();
    options.nColors = nColors;
    options.transparentColour = RGB(1, 2, 3); // nowhere in the picture: everything opaque
    QCOMPARE(converter.run({ row(QStringLiteral("blocks.bmp")), row(QStringLiteral("blocks2.bmp")) }, options),
        BatchConverter::Outcome::Finished);
    for (const QString& name : { QStringLiteral("blocks.ico"), QStringLiteral("blocks2.ico") }) {
        const QString icon = m_out->filePath(name);
        QCOMPARE(icotoolList(icon), expectedIcotoolLine(32, bits));
        const QString diff
            = firstDifference(decodeWithImageMagick(icon, 32), expectedIcon(picture, 32, 0, qRgb(1, 2, 3)));
        QVERIFY2(diff.isEmpty(), qPrintable(name + QStringLiteral(": ") + diff));
    }
}

void tst_BatchConverter::unattendedFailures()
{
    save(patternPicture(20, 20, Magenta), QStringLiteral("good.bmp"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("bad.bmp")), "BM but not really"));
    const QString source = save(patternPicture(20, 20, Magenta), QStringLiteral("self.ico"), "PNG");
    PictureBox box;
    BatchConverter converter(box);
    BatchOptions options;
    options.targetFolder = m_dir->path();
    options.autoSize = true;
    options.autoMask = true;
    const std::vector<PictureRow> rows { row(QStringLiteral("bad.bmp")), row(QStringLiteral("missing.png")),
        row(QStringLiteral("self.ico")), row(QStringLiteral("good.bmp")) };
    QCOMPARE(converter.runEach(rows, options), BatchConverter::Outcome::Finished);
    QCOMPARE(converter.iconsWritten(), 1);
    QCOMPARE(int(converter.failures().size()), 3);
    QCOMPARE(converter.failures()[0].row, 1);
    QCOMPARE(converter.failures()[1].row, 2);
    QCOMPARE(converter.failures()[2].row, 3);
    QCOMPARE(converter.failures()[0].picture, m_dir->filePath(QStringLiteral("bad.bmp")));
    QCOMPARE(icotoolList(m_dir->filePath(QStringLiteral("good.ico"))), expectedIcotoolLine(32, 24));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("bad.ico"))));
    QCOMPARE(icotoolList(source), QString()); // still the PNG it was
}

QTEST_MAIN(tst_BatchConverter)
#include "tst_batchconverter.moc"
