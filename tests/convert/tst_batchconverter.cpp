#include "convert/BatchConverter.h"
#include "platform/Error.h"
#include "platform/ErrorLog.h"
#include "platform/PictureBox.h"

#include "support/IconCheck.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

class tst_BatchConverter : public QObject {
    Q_OBJECT

    PictureRow row(const QString& name) const { return { name, m_dir->path() }; }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts m_prompts;
    std::unique_ptr<PictureBox> m_box;
    BatchOptions m_options;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        ErrorLog::setProgramFolder(m_dir->path());
        m_prompts = ScriptedPrompts();
        m_box = std::make_unique<PictureBox>();
        m_options = BatchOptions();
        m_options.targetFolder = m_dir->path();
    }

    void writtenIcon_data()
    {
        // One is drawn in the preview first, as the dialog does; of two, each by the run, the second
        // checking the document is reused soundly.
        QTest::addColumn<QList<QImage>>("pictures");
        QTest::addColumn<int>("size"); // 0: automatic size and mask, each picture its own top-left
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<int>("bits");
        // Blocks of colours every palette holds exactly: a low-colour icon must show them, not black.
        const QRgb quad[] { qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(255, 255, 255) };
        const QImage rgb = QImage(reinterpret_cast<const uchar*>(quad), 2, 2, QImage::Format_RGB32).scaled(32, 32);
        QTest::newRow("10x10 padded with the background")
            << QList<QImage> { patternPicture(10, 10, qRgb(10, 20, 30)) } << 32 << QList<int> { 32 } << 24;
        QTest::newRow("4 bits") << QList<QImage> { rgb, rgb } << 32 << QList<int> { 32, 32 } << 4;
        QTest::newRow("8 bits") << QList<QImage> { rgb, rgb } << 32 << QList<int> { 32, 32 } << 8;
        QList<QImage> widths;
        for (const int w : { 64, 16, 17, 32, 48, 100 })
            widths.append(patternPicture(w, 30, qRgb(int(widths.size()), 200, 7), int(widths.size())));
        QTest::newRow("automatic: a first 64 keeps 32, then 16, 32, 32, 48, and 100 keeps 48")
            << widths << 0 << QList<int> { 32, 16, 32, 32, 48, 48 } << 24;
    }

    void writtenIcon()
    {
        REQUIRE_TOOL("icotool");
        REQUIRE_TOOL("/usr/bin/convert");
        QFETCH(QList<QImage>, pictures);
        QFETCH(int, size);
        QFETCH(QList<int>, sizes);
        QFETCH(int, bits);
        std::vector<PictureRow> rows;
        for (int i = 0; i < pictures.size(); ++i)
            rows.push_back(
                row(QFileInfo(writePicture(m_dir->path(), QStringLiteral("p%1.bmp").arg(i), pictures[i])).fileName()));
        m_options.size = size ? size : 32;
        m_options.autoSize = m_options.autoMask = size == 0;
        m_options.colourCount = ColourDepth::colourCountFor(bits);
        if (pictures.size() == 1) {
            m_box->setPicture(PictureLoader::load(m_dir->filePath(QStringLiteral("p0.bmp"))));
            m_box->resize(size + 2, size + 2);
            m_box->setBackColour(m_box->pixel(0, 0));
        }
        writeFile(m_dir->path(), QStringLiteral("p0.ico"), QByteArray(5000, 'x')); // replaced
        QCOMPARE(BatchConverter(*m_box, m_prompts).run(rows, m_options), BatchConverter::Outcome::Finished);
        QVERIFY2(m_prompts.messages.isEmpty(), qPrintable(m_prompts.messages.value(0).text));
        for (int i = 0; i < pictures.size(); ++i) {
            const QString icon = m_dir->filePath(QStringLiteral("p%1.ico").arg(i));
            QCOMPARE(icotoolList(icon), (QList<ListedImage> { { sizes[i], sizes[i], bits } }));
            const QRgb topLeft = pictures[i].pixel(0, 0);
            VERIFY_SAME(iconDiffers(icon, pictures[i], sizes[i], topLeft, size ? qRgb(255, 255, 255) : topLeft));
        }
    }

    void prompts_data()
    {
        QTest::addColumn<QList<MsgAnswer>>("answers");
        QTest::addColumn<BatchConverter::Outcome>("outcome");
        QTest::addColumn<bool>("replaced");
        using A = MsgAnswer;
        using O = BatchConverter::Outcome;
        QTest::newRow("missing folder") << QList<A>() << O::FolderInvalid << false;
        QTest::newRow("Yes replaces the picture, Yes skips the bad one")
            << QList<A> { A::Yes, A::Yes } << O::Finished << true;
        QTest::newRow("No keeps the picture") << QList<A> { A::No, A::Yes } << O::Finished << false;
        QTest::newRow("No to the bad one stops the run") << QList<A> { A::Yes, A::No } << O::Stopped << true;
    }

    // A missing folder is said; an icon that would replace its picture (a PNG called pic.ico) and a
    // bad picture are asked about, and the answers decide what is written.
    void prompts()
    {
        QFETCH(QList<MsgAnswer>, answers);
        QFETCH(BatchConverter::Outcome, outcome);
        QFETCH(bool, replaced);
        const QString pic = writePicture(m_dir->path(), QStringLiteral("pic.ico"), patternPicture(32, 32, 0), "PNG");
        writeFile(m_dir->path(), QStringLiteral("bad.bmp"), "this is not a picture");
        writePicture(m_dir->path(), QStringLiteral("other.bmp"), patternPicture(16, 16, 0));
        m_prompts.answers.append(answers);
        m_options.targetFolder = m_dir->filePath(outcome == BatchConverter::Outcome::FolderInvalid ? "missing" : "");
        m_options.autoMask = true;
        QCOMPARE(BatchConverter(*m_box, m_prompts).run({ row("pic.ico"), row("bad.bmp"), row("other.bmp") }, m_options),
            outcome);
        QStringList texts;
        for (const ShownMessage& m : std::as_const(m_prompts.messages))
            texts.append(m.text);
        const QStringList asked { "That folder is invalid !",
            "The icon for 'pic.ico' would replace the picture itself. Replace it ?",
            "The image you have added: 'bad.bmp' is invalid ! Do you wish to skip this image ?" };
        QCOMPARE(texts, outcome == BatchConverter::Outcome::FolderInvalid ? asked.mid(0, 1) : asked.mid(1));
        QCOMPARE(!readFile(pic).startsWith("\x89PNG"), replaced);
        QCOMPARE(
            QFile::exists(m_dir->filePath(QStringLiteral("other.ico"))), outcome == BatchConverter::Outcome::Finished);
    }

    // Every picture of the decoder corpus, decoded on the loading threads only as far as each size
    // needs, makes the same bytes at every depth as its whole decode drawn as the engine draws it.
    void partialDecodeIsExact()
    {
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
        m_options.autoMask = true;
        for (const int bits : { 1, 4, 8, 24, 32 })
            for (const int size : { 16, 20, 24, 32, 40, 48, 64, 72, 80, 96, 128, 256 }) {
                QTemporaryDir partial, full;
                m_options.withAlpha = bits == 32;
                m_options.colourCount = ColourDepth::colourCountFor(bits);
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
                    const QString where = QStringLiteral("%1 at %2, %3 bits").arg(icon).arg(size).arg(bits);
                    if (whole[i].isNull()) {
                        QVERIFY2(!QFile::exists(partial.filePath(icon)), qPrintable(where));
                        continue;
                    }
                    box.setPicture(whole[i]);
                    m_options.transparentColour = box.pixel(0, 0);
                    box.setBackColour(m_options.transparentColour);
                    BatchConverter(box).run({ rows[i] }, m_options);
                    QVERIFY2(readFile(partial.filePath(icon)) == readFile(full.filePath(icon)), qPrintable(where));
                }
            }
    }
};

QTEST_MAIN(tst_BatchConverter)
#include "tst_batchconverter.moc"
