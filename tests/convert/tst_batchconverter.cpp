#include "convert/BatchConverter.h"
#include "platform/PictureBox.h"
#include "platform/PictureLoader.h"
#include "platform/Error.h"
#include "platform/ErrorLog.h"

#include "support/IconCheck.h"
#include "support/ScriptedPrompts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

Q_DECLARE_METATYPE(MsgAnswer)

namespace {

const QRgb Magenta = qRgb(255, 0, 255);

// Blocks of colours every palette holds exactly: a low-colour icon must show them, not black.
QImage blocks(const QList<QRgb>& colours)
{
    QImage picture(32, 32, QImage::Format_RGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            picture.setPixel(x, y, colours[(x / 8 + y / 8) % colours.size()]);
    return picture;
}

} // namespace

class tst_BatchConverter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void invalidFolder_data();
    void invalidFolder();
    void writtenIcon_data();
    void writtenIcon();
    void autoSizes_data();
    void autoSizes();
    void unreadableSecond();
    void replacingSource_data();
    void replacingSource();
    void partialDecodeIsExact_data();
    void partialDecodeIsExact();

private:
    // Pictures named p0.bmp, p1.bmp, ... in the source folder.
    std::vector<PictureRow> savePictures(const QList<QImage>& pictures)
    {
        std::vector<PictureRow> rows;
        for (int i = 0; i < pictures.size(); ++i) {
            writePicture(m_dir->path(), QStringLiteral("p%1.bmp").arg(i), pictures[i]);
            rows.push_back(row(QStringLiteral("p%1.bmp").arg(i)));
        }
        return rows;
    }
    PictureRow row(const QString& name) const { return { name, m_dir->path() }; }
    // The preview as the dialog sets it up for one picture: drawn, sized, background its top-left colour.
    void prepareSingle()
    {
        m_box->setPicture(PictureLoader::load(m_dir->filePath(QStringLiteral("p0.bmp"))));
        m_box->resize(m_options.size + 2, m_options.size + 2);
        m_box->setBackColour(m_box->pixel(0, 0));
    }
    QString icon(int i) const { return m_out->filePath(QStringLiteral("p%1.ico").arg(i)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_out;
    ScriptedPrompts m_prompts;
    std::unique_ptr<PictureBox> m_box;
    BatchOptions m_options;
};

void tst_BatchConverter::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    ErrorLog::setProgramFolder(m_out->path());
    m_prompts = ScriptedPrompts();
    m_box = std::make_unique<PictureBox>();
    m_options = BatchOptions();
    m_options.targetFolder = m_out->path();
}

void tst_BatchConverter::invalidFolder_data()
{
    QTest::addColumn<QString>("folder"); // relative to the output folder
    QTest::newRow("missing folder") << "missing";
    QTest::newRow("missing parent") << "missing/deeper";
}

void tst_BatchConverter::invalidFolder()
{
    QFETCH(QString, folder);
    const auto rows = savePictures({ patternPicture(20, 20, Magenta), patternPicture(20, 20, Magenta) });
    m_options.targetFolder = m_out->filePath(folder);
    BatchConverter converter(*m_box, m_prompts);
    QCOMPARE(converter.run(rows, m_options), BatchConverter::Outcome::FolderInvalid);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text, QStringLiteral("That folder is invalid !"));
    QVERIFY(QDir(m_out->path()).isEmpty());
}

void tst_BatchConverter::writtenIcon_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<bool>("single"); // prepared in the preview as the dialog does for one picture
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("colourCount");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QRgb>("transparent");
    const QImage photo = patternPicture(100, 80, Magenta);
    const QImage small = patternPicture(10, 10, qRgb(10, 20, 30));
    const QImage rgb = blocks({ qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255) });
    QTest::newRow("100x80 cropped to 48x48") << photo << true << 48 << 1000 << 24 << Magenta;
    QTest::newRow("100x80 cropped to 16x16") << photo << true << 16 << 1000 << 24 << Magenta;
    QTest::newRow("10x10 padded with the background") << small << true << 32 << 1000 << 24 << qRgb(1, 2, 3);
    QTest::newRow("4 bits, real colours") << rgb << false << 32 << 16 << 4 << qRgb(1, 2, 3);
    QTest::newRow("8 bits, real colours") << rgb << false << 32 << 256 << 8 << qRgb(1, 2, 3);
}

void tst_BatchConverter::writtenIcon()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    QFETCH(QImage, picture);
    QFETCH(bool, single);
    QFETCH(int, size);
    QFETCH(int, colourCount);
    QFETCH(int, bits);
    QFETCH(QRgb, transparent);
    m_options.size = size;
    // A batch of several draws each picture itself; the second checks the document is reused soundly.
    const auto rows = savePictures(single ? QList<QImage> { picture } : QList<QImage> { picture, picture });
    if (single)
        prepareSingle();
    writeFile(m_out->path(), QStringLiteral("p0.ico"), QByteArray(5000, 'x')); // replaced
    m_options.colourCount = colourCount;
    m_options.transparentColour = fromQRgb(transparent);
    BatchConverter converter(*m_box, m_prompts);
    QCOMPARE(converter.run(rows, m_options), BatchConverter::Outcome::Finished);
    QVERIFY2(m_prompts.messages.isEmpty(), qPrintable(m_prompts.messages.value(0).text));
    for (int i = 0; i < int(rows.size()); ++i) {
        QCOMPARE(icotoolList(icon(i)), (QList<ListedImage> { { size, size, bits } }));
        VERIFY_SAME(iconDiffers(icon(i), picture, size, picture.pixel(0, 0), transparent));
    }
}

void tst_BatchConverter::autoSizes_data()
{
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("16, 17, 32, 48, then 64 keeps 48")
        << QList<int> { 16, 17, 32, 48, 64 } << QList<int> { 16, 32, 32, 48, 48 };
    QTest::newRow("first 64 keeps the 32 of activation") << QList<int> { 64, 16 } << QList<int> { 32, 16 };
}

void tst_BatchConverter::autoSizes()
{
    REQUIRE_TOOL("icotool");
    REQUIRE_TOOL("/usr/bin/convert");
    QFETCH(QList<int>, widths);
    QFETCH(QList<int>, sizes);
    QList<QImage> pictures;
    for (int i = 0; i < widths.size(); ++i)
        pictures.append(patternPicture(widths[i], 30, qRgb(i, 200, 7), i));
    m_options.autoSize = true;
    m_options.autoMask = true;
    BatchConverter converter(*m_box, m_prompts);
    QCOMPARE(converter.run(savePictures(pictures), m_options), BatchConverter::Outcome::Finished);
    for (int i = 0; i < widths.size(); ++i) {
        QCOMPARE(icotoolList(icon(i)), sizes24({ sizes[i] }));
        const QRgb topLeft = pictures[i].pixel(0, 0);
        VERIFY_SAME(iconDiffers(icon(i), pictures[i], sizes[i], topLeft, topLeft));
    }
    QCOMPARE(m_options.size, sizes.last());
}

// Answered No, the run stops: checked on the dialog, which then closes.
void tst_BatchConverter::unreadableSecond()
{
    REQUIRE_TOOL("icotool");
    const auto rows = savePictures(
        { patternPicture(32, 32, Magenta), patternPicture(8, 8, Magenta), patternPicture(32, 32, Magenta) });
    writeFile(m_dir->path(), QStringLiteral("p1.bmp"), "this is not a picture");
    m_prompts.answers.enqueue(MsgAnswer::Yes);
    m_options.autoMask = true;
    BatchConverter converter(*m_box, m_prompts);
    QCOMPARE(converter.run(rows, m_options), BatchConverter::Outcome::Finished);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text,
        QStringLiteral("The image you have added: 'p1.bmp' is invalid ! Do you wish to skip this image ?"));
    QCOMPARE(filesIn(m_out->path(), { "*.ico" }), (QStringList { "p0.ico", "p2.ico" }));
    QCOMPARE(icotoolList(icon(2)), sizes24({ 32 }));
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
    REQUIRE_TOOL("icotool");
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, replaced);
    // A PNG that happens to be called .ico, converted into its own folder.
    const QString source
        = writePicture(m_dir->path(), QStringLiteral("pic.ico"), patternPicture(32, 32, Magenta), "PNG");
    writePicture(m_dir->path(), QStringLiteral("other.bmp"), patternPicture(16, 16, Magenta));
    m_prompts.answers.enqueue(answer);
    m_options.targetFolder = m_dir->path();
    m_options.autoMask = true;
    BatchConverter converter(*m_box, m_prompts);
    QCOMPARE(converter.run({ row(QStringLiteral("pic.ico")), row(QStringLiteral("other.bmp")) }, m_options),
        BatchConverter::Outcome::Finished);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text,
        QStringLiteral("The icon for 'pic.ico' would replace the picture itself. Replace it ?"));
    QCOMPARE(icotoolList(source).isEmpty(), !replaced); // still the PNG it was unless replaced
    QCOMPARE(icotoolList(m_dir->filePath(QStringLiteral("other.ico"))), sizes24({ 32 }));
}

void tst_BatchConverter::partialDecodeIsExact_data()
{
    QTest::addColumn<int>("bits");
    for (const int bits : { 1, 4, 8, 24, 32 })
        QTest::addRow("%d bits", bits) << bits;
}

// Every picture of the decoder corpus, decoded on the loading threads only as far as each
// size needs, makes the same bytes as its whole decode drawn as the engine draws it.
void tst_BatchConverter::partialDecodeIsExact()
{
    QFETCH(int, bits);
    QProcess script;
    script.start(QStringLiteral(BREVANE_PYTHON), { QStringLiteral(BREVANE_CORPUS_SCRIPT), m_dir->path() });
    QVERIFY2(script.waitForFinished(120000) && script.exitCode() == 0, script.readAllStandardError().constData());
    std::vector<PictureRow> rows;
    std::vector<Picture> whole;
    for (const QString& file : QDir(m_dir->path()).entryList(QDir::Files, QDir::Name)) {
        rows.push_back(row(file));
        try {
            whole.push_back(PictureLoader::load(m_dir->filePath(file)));
        } catch (const Error&) {
            whole.emplace_back();
        }
    }
    const auto contents = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
    m_options.autoMask = true;
    m_options.withAlpha = bits == 32;
    m_options.colourCount = ColourDepth::colourCountFor(bits);
    for (const int size : { 16, 20, 24, 32, 40, 48, 64, 72, 80, 96, 128, 256 }) {
        QTemporaryDir partial, full;
        m_options.size = size;
        m_options.targetFolder = partial.path();
        PictureBox box(size + 2, size + 2);
        BatchConverter engine(box);
        engine.setLoadThreads(2);
        int last = 0;
        engine.onIconWritten = [&](const IconMade& made) { QVERIFY(made.row > std::exchange(last, made.row)); };
        engine.runEach(rows, m_options);
        // The steps of the run, each picture whole in the preview.
        m_options.targetFolder = full.path();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const QString icon = BatchConverter::iconFileName(rows[i].text);
            if (whole[i].isNull()) {
                QVERIFY2(!QFile::exists(partial.filePath(icon)), qPrintable(icon));
                continue;
            }
            box.setPicture(whole[i]);
            m_options.transparentColour = box.pixel(0, 0);
            box.setBackColour(m_options.transparentColour);
            BatchConverter(box).run({ rows[i] }, m_options);
            QVERIFY2(contents(partial.filePath(icon)) == contents(full.filePath(icon)),
                qPrintable(QStringLiteral("%1 at %2").arg(icon).arg(size)));
        }
    }
}

QTEST_MAIN(tst_BatchConverter)
#include "tst_batchconverter.moc"
