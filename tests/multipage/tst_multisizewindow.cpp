#include "multipage/widgets/MultiSizeIconWindow.h"

#include "multipage/widgets/IconPreviewSheet.h"
#include "platform/ErrorLog.h"
#include "support/PilProbe.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

// The window driven as a user would; what it writes is read back by Pillow.
class tst_MultiSizeWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void endToEnd();
    void refused_data();
    void refused();

private:
    template <class T> T* child(const char* name) { return m_window->findChild<T*>(QLatin1String(name)); }
    void click(const char* name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    void choose(const char* button, const QString& file)
    {
        m_prompts->answerFile(file);
        click(button);
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isPreviewCurrent(), 10000);
    }
    QList<PilImage> saveAndRead(const QString& stem) // ".ico" is added
    {
        choose("cmd_Save", m_dir.filePath(stem));
        return pilRead(m_dir.filePath(stem + QLatin1String(".ico")));
    }

    QTemporaryDir m_dir;
    QImage m_logo = alphaBands(64, 48);
    QImage m_own = patternPicture(40, 40, qRgb(9, 99, 199));
    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<MultiSizeIconWindow> m_window;
};

void tst_MultiSizeWindow::init()
{
    if (pilPython().isEmpty())
        QSKIP("Pillow is not installed: this test reads the icons with it");
    ErrorLog::setProgramFolder(m_dir.path());
    m_prompts = std::make_unique<ScriptedPrompts>();
    m_window = std::make_unique<MultiSizeIconWindow>(*m_prompts);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    choose("cmd_Browse", writePicture(m_dir.path(), QStringLiteral("logo.png"), m_logo, "PNG"));
}

void tst_MultiSizeWindow::endToEnd()
{
    IconPreviewSheet* sheet = m_window->previewSheet();
    QCOMPARE(sheet->images().size(), 5); // 16, 24, 32, 48 and 256 ticked at first
    click("chk_Size_256");
    click("chk_Size_20");
    click("opt_Crop");
    child<QComboBox>("cmb_OwnSize")->setCurrentIndex(3); // 32 x 32
    choose("cmd_OwnPicture", writePicture(m_dir.path(), QStringLiteral("own.bmp"), m_own));
    // Pixel (3, 5) of the 16 x 16 image, clicked where it is shown enlarged on the dark background.
    const int zoom = IconPreviewSheet::zoom(16);
    QTest::mouseClick(sheet, Qt::LeftButton, {},
        sheet->imageRect(16, IconPreviewSheet::Dark, true).topLeft() + QPoint(3 * zoom + 1, 5 * zoom + 1));
    QVERIFY(child<QCheckBox>("chk_Transparent")->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(m_window->isPreviewCurrent(), 10000);

    QList<PilImage> read = saveAndRead(QStringLiteral("cropped"));
    QCOMPARE(m_prompts->fileRequests.last().initialName, QStringLiteral("logo.ico"));
    const QList<int> sizes { 16, 20, 24, 32, 48 };
    QCOMPARE(read.size(), sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        const int size = sizes[i];
        QImage want = size == 32 ? m_own.copy(0, 0, 32, 32).convertToFormat(QImage::Format_ARGB32)
                                 : m_logo.copy(0, 0, size, size);
        if (size != 32)
            want.setPixel(3, 5, 0); // the picked colour, keyed out
        QCOMPARE(read[i].width, size);
        QCOMPARE(read[i].bitCount, 32);
        VERIFY_SAME(firstDifference(read[i].image, want));
        VERIFY_SAME(firstDifference(sheet->images().value(i).image, want));
    }

    // Fitted below 32 bits, without a colour: the preview is what the file shows, mask included.
    QComboBox* depth = child<QComboBox>("cmb_Depth");
    depth->setCurrentIndex(depth->findData(8));
    click("opt_Fit");
    click("chk_Transparent");
    QTRY_VERIFY_WITH_TIMEOUT(m_window->isPreviewCurrent(), 10000);
    read = saveAndRead(QStringLiteral("fitted"));
    QCOMPARE(read.size(), sizes.size());
    for (int i = 0; i < sizes.size(); ++i) {
        QCOMPARE(read[i].bitCount, 8);
        VERIFY_SAME(firstDifference(read[i].image, sheet->images().value(i).image));
        QCOMPARE(qAlpha(read[i].image.pixel(0, 0)), sizes[i] == 32 ? 255 : 0); // fitted 64x48 leaves a band
    }
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_MultiSizeWindow::refused_data()
{
    QTest::addColumn<QString>("file"); // chosen to save, or a picture to load
    QTest::addColumn<QString>("red");
    QTest::addColumn<QString>("message");
    QTest::newRow("folder missing") << "no/such/x.ico"
                                    << "255"
                                    << "The icon '%1' could not be saved: ";
    QTest::newRow("letters in red") << "x.ico"
                                    << "ff"
                                    << "Invalid transparent color !";
    QTest::newRow("unreadable picture") << "text.png"
                                        << "255"
                                        << "The picture '%1' could not be read: ";
}

void tst_MultiSizeWindow::refused()
{
    QFETCH(QString, file);
    QFETCH(QString, red);
    QFETCH(QString, message);
    const QStringList before = QDir(m_dir.path()).entryList(QDir::Files);
    child<QLineEdit>("txt_Color_0")->setText(red);
    click("chk_Transparent");
    const QString path = m_dir.filePath(file);
    if (file.endsWith(QLatin1String(".png"))) {
        writeFile(m_dir.path(), file, "not a picture");
        choose("cmd_Browse", path);
        QCOMPARE(child<QLineEdit>("txt_Picture")->text(), m_dir.filePath(QStringLiteral("logo.png")));
    } else {
        choose("cmd_Save", path);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), before);
    }
    QCOMPARE(m_prompts->messages.size(), 1);
    QVERIFY2(m_prompts->messages[0].text.startsWith(message.replace(QLatin1String("%1"), path)),
        qPrintable(m_prompts->messages[0].text));
}

QTEST_MAIN(tst_MultiSizeWindow)
#include "tst_multisizewindow.moc"
