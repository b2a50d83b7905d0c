#include "multipage/widgets/frm_Multi.h"

#include "IconCheck.h"
#include "platform/PictureBox.h"
#include "platform/mdl_ErrorHandle.h"
#include "platform/widgets/PictureBoxView.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {

// Keeps the order in which choosers and message boxes came up.
class OrderedPrompts : public ScriptedPrompts {
public:
    QStringList events;

    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override
    {
        events.append(QStringLiteral("message: ") + text);
        return ScriptedPrompts::message(text, title, icon, buttons);
    }
    FileChooserResult chooseFile(const FileChooserRequest& request) override
    {
        events.append(QStringLiteral("chooser: ") + request.title);
        return ScriptedPrompts::chooseFile(request);
    }
};

const QString Label1Text = QStringLiteral(
    "Multipage icon is an icon that supports three modes: \"Small\", \"Normal\" and \"Large\". Small is 16x16, "
    "normal is 32x32, large is 48x48 image, and it is always used by Windows XP (48x48 icon). Here you can choose "
    "an image for each of these modes.");

} // namespace

class tst_frm_Multi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void initialState();
    void previewsMirrorTheirBoxes();
    void browseShowsPicture_data();
    void browseShowsPicture();
    void browseCancelled();
    void invalidPictureKeepsPreviewAndCounts();

    void noImages();
    void slotsInOrder_data();
    void slotsInOrder();
    void saveNames_data();
    void saveNames();
    void largerPictureCropped();
    void clearedTransparentIgnoresBoxes();
    void invalidColourAfterSaveDialog_data();
    void invalidColourAfterSaveDialog();
    void saveCancelled();
    void savingTwiceWritesTwoFiles();
    void paddingTakesWindowColour_data();
    void paddingTakesWindowColour();
    void failedWriteIsReported_data();
    void failedWriteIsReported();

    void cancelAnsweredNoKeepsEverything();
    void cancelAnsweredYesCloses();

private:
    template <class T> T* child(const QString& name)
    {
        T* w = m_dialog->findChild<T*>(name);
        if (!w)
            qWarning("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
        return w;
    }
    void browse(int slot, const QString& file);
    void saveAs(const QString& name);

    QTemporaryDir m_pictures;
    QString m_small16, m_normal32, m_large48, m_text;
    QTemporaryDir* m_out = nullptr;
    OrderedPrompts* m_prompts = nullptr;
    frm_Multi* m_dialog = nullptr;
};

void tst_frm_Multi::initTestCase()
{
    QVERIFY(m_pictures.isValid());
    m_small16 = writePicture(m_pictures, QStringLiteral("small16.bmp"), gradientPicture(16, 16));
    m_normal32 = writePicture(m_pictures, QStringLiteral("normal32.bmp"), gradientPicture(32, 32));
    m_large48 = writePicture(m_pictures, QStringLiteral("large48.bmp"), gradientPicture(48, 48));
    m_text = writeText(m_pictures, QStringLiteral("readme.bmp"), "This is text, not a bitmap.\n");
    QVERIFY(!m_small16.isEmpty() && !m_normal32.isEmpty() && !m_large48.isEmpty() && !m_text.isEmpty());
}

void tst_frm_Multi::init()
{
    m_out = new QTemporaryDir;
    QVERIFY(m_out->isValid());
    mdl_ErrorHandle::setProgramFolder(m_out->path());
    m_prompts = new OrderedPrompts;
    m_dialog = new frm_Multi(*m_prompts);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void tst_frm_Multi::cleanup()
{
    delete m_dialog;
    m_dialog = nullptr;
    delete m_prompts;
    m_prompts = nullptr;
    delete m_out;
    m_out = nullptr;
}

void tst_frm_Multi::browse(int slot, const QString& file)
{
    m_prompts->answerFile(file);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("cmd_Browse_%1").arg(slot)), Qt::LeftButton);
}

void tst_frm_Multi::saveAs(const QString& name)
{
    m_prompts->answerFile(m_out->filePath(name), 1);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Command4")), Qt::LeftButton);
}

void tst_frm_Multi::initialState()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Multi-page icon"));
    QCOMPARE(child<QGroupBox>(QStringLiteral("Frame1"))->title(), QStringLiteral("What is this ?"));
    QCOMPARE(child<QLabel>(QStringLiteral("Label1"))->text(), Label1Text);
    QCOMPARE(child<QGroupBox>(QStringLiteral("Frame3"))->title(), QStringLiteral("Preview"));
    QCOMPARE(child<QGroupBox>(QStringLiteral("Frame2"))->title(), QStringLiteral("Transparent color"));
    QCOMPARE(child<QLabel>(QStringLiteral("Label2"))->text(), QStringLiteral("Small image, 16x16:"));
    QCOMPARE(child<QLabel>(QStringLiteral("Label3"))->text(), QStringLiteral("Normal image, 32x32:"));
    QCOMPARE(child<QLabel>(QStringLiteral("Label4"))->text(), QStringLiteral("Large image, 48x48:"));
    QCOMPARE(child<QLabel>(QStringLiteral("Label5_0"))->text(), QStringLiteral("Red:"));
    QCOMPARE(child<QLabel>(QStringLiteral("Label5_1"))->text(), QStringLiteral("Green:"));
    QCOMPARE(child<QLabel>(QStringLiteral("Label5_2"))->text(), QStringLiteral("Blue:"));
    QCOMPARE(child<QCheckBox>(QStringLiteral("ch_Trans"))->text(), QStringLiteral("Transparent ?"));
    QVERIFY(child<QCheckBox>(QStringLiteral("ch_Trans"))->isChecked());
    QCOMPARE(child<QPushButton>(QStringLiteral("Command4"))->text(), QStringLiteral("Save icon..."));
    QCOMPARE(child<QPushButton>(QStringLiteral("Command5"))->text(), QStringLiteral("Cancel"));

    const Colour window = fromQColor(QApplication::palette().color(QPalette::Base));
    const char* previews[] = { "pic_A", "pic_B", "pic_C" };
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(i))->text(), QStringLiteral("255"));
        QVERIFY(child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(i))->isEnabled());
        QCOMPARE(child<QLineEdit>(QStringLiteral("txt_File_%1").arg(i))->text(), QString());
        QCOMPARE(child<QPushButton>(QStringLiteral("cmd_Browse_%1").arg(i))->text(), QStringLiteral("..."));
        const int image = 16 * (i + 1);
        QCOMPARE(child<QWidget>(QLatin1String(previews[i]))->size(), QSize(image + 2, image + 2));
        auto* view = child<PictureBoxView>(QLatin1String(previews[i]) + QLatin1String("_surface"));
        QVERIFY(view);
        QCOMPARE(view->size(), QSize(image, image));
        QCOMPARE(view->box().backColour(), window);
        QCOMPARE(view->box().GetPixel(image - 1, image - 1), window);
        QCOMPARE(&view->box(), &m_dialog->icon().preview(i));
    }
}

void tst_frm_Multi::previewsMirrorTheirBoxes()
{
    browse(2, m_normal32);
    auto* view = child<PictureBoxView>(QStringLiteral("pic_C_surface"));
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage drawn = view->box().surface().image().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown.size(), QSize(48, 48));
    QCOMPARE(shown, drawn);
    QCOMPARE(shown.pixel(31, 31), gradientPicture(32, 32).pixel(31, 31));
}

void tst_frm_Multi::browseShowsPicture_data()
{
    QTest::addColumn<int>("slot");
    QTest::newRow("small") << 0;
    QTest::newRow("normal") << 1;
    QTest::newRow("large") << 2;
}

void tst_frm_Multi::browseShowsPicture()
{
    QFETCH(int, slot);
    browse(slot, m_normal32);
    QCOMPARE(m_prompts->fileRequests.size(), 1);
    const FileChooserRequest& asked = m_prompts->fileRequests.constFirst();
    QCOMPARE(asked.title, QStringLiteral("Browse for files..."));
    QCOMPARE(asked.mode, FileChooserRequest::Mode::Open);
    QVERIFY(asked.fileMustExist);
    QVERIFY(asked.filterPairs.contains(QStringLiteral("All picture files")));
    QVERIFY(m_prompts->messages.isEmpty());

    for (int i = 0; i < 3; ++i)
        QCOMPARE(child<QLineEdit>(QStringLiteral("txt_File_%1").arg(i))->text(), i == slot ? m_normal32 : QString());
    const PictureBox& box = m_dialog->icon().preview(slot);
    QCOMPARE(box.GetPixel(9, 4), fromQRgb(gradientPicture(32, 32).pixel(9, 4)));
    QVERIFY(m_dialog->icon().isFilled(slot));
}

void tst_frm_Multi::browseCancelled()
{
    browse(1, m_large48);
    const QImage before = m_dialog->icon().preview(1).surface().image().copy();
    m_prompts->cancelFile();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("cmd_Browse_1")), Qt::LeftButton);
    QCOMPARE(m_prompts->fileRequests.size(), 2);
    QCOMPARE(child<QLineEdit>(QStringLiteral("txt_File_1"))->text(), m_large48);
    QCOMPARE(m_dialog->icon().preview(1).surface().image(), before);
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_frm_Multi::invalidPictureKeepsPreviewAndCounts()
{
    browse(2, m_large48);
    const QImage before = m_dialog->icon().preview(2).surface().image().copy();
    browse(2, m_text);
    QCOMPARE(m_prompts->messages.size(), 1);
    const ShownMessage& shown = m_prompts->messages.constFirst();
    QCOMPARE(shown.text, QStringLiteral("Invalid picture !"));
    QCOMPARE(shown.title, QStringLiteral("Wrong image"));
    QCOMPARE(shown.icon, MsgIcon::Exclamation);
    QCOMPARE(shown.buttons, MsgButtons::Ok);
    QCOMPARE(child<QLineEdit>(QStringLiteral("txt_File_2"))->text(), m_text);
    QCOMPARE(m_dialog->icon().preview(2).surface().image(), before);

    // The slot still counts: the image is what the preview kept showing.
    saveAs(QStringLiteral("kept"));
    QCOMPARE(m_prompts->messages.size(), 1);
    QString why;
    const QList<QImage> decoded = magickImages(m_out->filePath(QStringLiteral("kept.ico")), &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    QCOMPARE(decoded[0].size(), QSize(48, 48));
    QCOMPARE(decoded[0].pixel(47, 47), gradientPicture(48, 48).pixel(47, 47) | 0xFF000000u);
}

void tst_frm_Multi::noImages()
{
    saveAs(QStringLiteral("empty"));
    QCOMPARE(m_prompts->fileRequests.size(), 1);
    const FileChooserRequest& asked = m_prompts->fileRequests.constFirst();
    QCOMPARE(asked.title, QStringLiteral("Save icon..."));
    QCOMPARE(asked.mode, FileChooserRequest::Mode::Save);
    QVERIFY(!asked.fileMustExist);
    QCOMPARE(m_prompts->messages.size(), 1);
    const ShownMessage& shown = m_prompts->messages.constFirst();
    QCOMPARE(shown.text, QStringLiteral("There are no images !"));
    QCOMPARE(shown.title, QStringLiteral("Brevane"));
    QCOMPARE(shown.icon, MsgIcon::Exclamation);
    QCOMPARE(shown.buttons, MsgButtons::Ok);
    QVERIFY(filesIn(m_out->path()).isEmpty());
    QVERIFY(m_dialog->isVisible());
}

void tst_frm_Multi::slotsInOrder_data()
{
    QTest::addColumn<QList<int>>("browsed"); // in the order the buttons are pressed
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("only 48x48") << QList<int> { 2 } << QList<int> { 48 };
    QTest::newRow("16x16 and 48x48") << QList<int> { 0, 2 } << QList<int> { 16, 48 };
    QTest::newRow("48x48 browsed before 16x16") << QList<int> { 2, 0 } << QList<int> { 16, 48 };
    QTest::newRow("all three") << QList<int> { 1, 2, 0 } << QList<int> { 16, 32, 48 };
}

void tst_frm_Multi::slotsInOrder()
{
    QFETCH(QList<int>, browsed);
    QFETCH(QList<int>, sizes);
    const QString pictures[] = { m_small16, m_normal32, m_large48 };
    for (int slot : browsed)
        browse(slot, pictures[slot]);
    saveAs(QStringLiteral("logo"));
    QVERIFY(m_prompts->messages.isEmpty());
    QCOMPARE(filesIn(m_out->path()), QStringList { QStringLiteral("logo.ico") });
    QString why;
    const QList<ListedImage> listed = icotoolList(m_out->filePath(QStringLiteral("logo.ico")), &why);
    QVERIFY2(listed.size() == sizes.size(), qPrintable(why));
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        QCOMPARE(listed[i].width, sizes[i]);
        QCOMPARE(listed[i].height, sizes[i]);
        QCOMPARE(listed[i].bitDepth, 24);
    }
    QVERIFY(m_dialog->isVisible());
}

void tst_frm_Multi::saveNames_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("logo") << "logo"
                          << "logo.ico";
    QTest::newRow("logo.ico") << "logo.ico"
                              << "logo.ico";
    QTest::newRow("logo.ICO keeps its name") << "logo.ICO"
                                             << "logo.ICO";
    QTest::newRow("logo.png") << "logo.png"
                              << "logo.png.ico";
}

void tst_frm_Multi::saveNames()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    browse(0, m_small16);
    saveAs(chosen);
    QCOMPARE(filesIn(m_out->path()), QStringList { written });
}

void tst_frm_Multi::largerPictureCropped()
{
    browse(0, m_normal32);
    saveAs(QStringLiteral("cropped"));
    QVERIFY(m_prompts->messages.isEmpty());
    QString why;
    const QList<QImage> decoded = magickImages(m_out->filePath(QStringLiteral("cropped.ico")), &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    QVERIFY2(samePixels(decoded[0], gradientPicture(32, 32).copy(0, 0, 16, 16), &why), qPrintable(why));
}

void tst_frm_Multi::clearedTransparentIgnoresBoxes()
{
    QImage picture = gradientPicture(32, 32);
    picture.setPixel(0, 0, qRgb(0, 128, 0));
    picture.setPixel(20, 11, qRgb(0, 128, 0));
    picture.setPixel(5, 5, qRgb(255, 255, 255));
    const QString path = writePicture(m_pictures, QStringLiteral("greencorner.bmp"), picture);
    browse(1, path);
    child<QCheckBox>(QStringLiteral("ch_Trans"))->setChecked(false);
    child<QLineEdit>(QStringLiteral("txt_Color_0"))->setText(QStringLiteral("letters"));
    child<QLineEdit>(QStringLiteral("txt_Color_1"))->clear();
    child<QLineEdit>(QStringLiteral("txt_Color_2"))->setText(QStringLiteral("-3"));
    saveAs(QStringLiteral("green"));
    QVERIFY(m_prompts->messages.isEmpty());

    QString why;
    const QList<QImage> decoded = magickImages(m_out->filePath(QStringLiteral("green.ico")), &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (picture.pixel(x, y) == qRgb(0, 128, 0))
                QCOMPARE(qAlpha(decoded[0].pixel(x, y)), 0);
            else
                QCOMPARE(decoded[0].pixel(x, y), picture.pixel(x, y) | 0xFF000000u);
        }
    }
}

void tst_frm_Multi::invalidColourAfterSaveDialog_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::newRow("letters in red") << 0 << "ff";
    QTest::newRow("nothing in green") << 1 << "";
    QTest::newRow("letters after a number in blue") << 2 << "12px";
}

void tst_frm_Multi::invalidColourAfterSaveDialog()
{
    QFETCH(int, box);
    QFETCH(QString, text);
    browse(0, m_small16);
    m_prompts->events.clear();
    child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(box))->setText(text);
    saveAs(QStringLiteral("colour"));
    QCOMPARE(m_prompts->events,
        (QStringList {
            QStringLiteral("chooser: Save icon..."), QStringLiteral("message: Invalid transparent color !") }));
    const ShownMessage& shown = m_prompts->messages.constLast();
    QCOMPARE(shown.title, QStringLiteral("Error"));
    QCOMPARE(shown.icon, MsgIcon::Exclamation);
    QCOMPARE(shown.buttons, MsgButtons::Ok);
    QVERIFY(filesIn(m_out->path()).isEmpty());
    QVERIFY(m_dialog->isVisible());
}

void tst_frm_Multi::saveCancelled()
{
    browse(0, m_small16);
    m_prompts->cancelFile();
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Command4")), Qt::LeftButton);
    QCOMPARE(m_prompts->fileRequests.size(), 2);
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(filesIn(m_out->path()).isEmpty());
}

void tst_frm_Multi::savingTwiceWritesTwoFiles()
{
    browse(2, m_large48);
    saveAs(QStringLiteral("one"));
    browse(0, m_small16);
    saveAs(QStringLiteral("two.ico"));
    QCOMPARE(filesIn(m_out->path()), (QStringList { QStringLiteral("one.ico"), QStringLiteral("two.ico") }));
    QString why;
    QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("one.ico")), &why).size(), 1);
    QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("two.ico")), &why).size(), 2);
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_frm_Multi::paddingTakesWindowColour_data()
{
    QTest::addColumn<QColor>("window");
    QTest::addColumn<QString>("component"); // typed into all three colour boxes
    QTest::addColumn<bool>("transparent");
    QTest::newRow("white window, default colour") << QColor(255, 255, 255) << "255" << true;
    QTest::newRow("white window, 300 counts as 255") << QColor(255, 255, 255) << "300" << true;
    QTest::newRow("grey window, default colour") << QColor(210, 205, 200) << "255" << false;
    QTest::newRow("white window, black transparent") << QColor(255, 255, 255) << "0" << false;
}

void tst_frm_Multi::paddingTakesWindowColour()
{
    QFETCH(QColor, window);
    QFETCH(QString, component);
    QFETCH(bool, transparent);
    // The previews take the desktop's window colour when the dialog is made.
    const QPalette saved = QApplication::palette();
    QPalette desktop = saved;
    desktop.setColor(QPalette::Base, window);
    QApplication::setPalette(desktop);
    frm_Multi dialog(*m_prompts);
    QApplication::setPalette(saved);
    QCOMPARE(dialog.icon().preview(2).backColour(), fromQColor(window));

    for (int i = 0; i < 3; ++i)
        dialog.findChild<QLineEdit*>(QStringLiteral("txt_Color_%1").arg(i))->setText(component);
    m_prompts->answerFile(m_small16);
    dialog.cmd_Browse_Click(2);
    m_prompts->answerFile(m_out->filePath(QStringLiteral("padded")));
    dialog.Command4_Click();
    QVERIFY(m_prompts->messages.isEmpty());

    QString why;
    const QList<QImage> decoded = magickImages(m_out->filePath(QStringLiteral("padded.ico")), &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    QCOMPARE(decoded[0].size(), QSize(48, 48));
    const QImage picture = gradientPicture(16, 16);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 48; ++x) {
            const QRgb got = decoded[0].pixel(x, y);
            if (x < 16 && y < 16)
                QCOMPARE(got, picture.pixel(x, y) | 0xFF000000u);
            else if (transparent)
                QCOMPARE(qAlpha(got), 0);
            else
                QCOMPARE(got, window.rgb());
        }
    }
}

void tst_frm_Multi::failedWriteIsReported_data()
{
    QTest::addColumn<QList<int>>("answers"); // MsgAnswer values
    QTest::addColumn<int>("reports");
    QTest::newRow("abort") << QList<int> { int(MsgAnswer::Abort) } << 1;
    QTest::newRow("ignore") << QList<int> { int(MsgAnswer::Ignore) } << 1;
    QTest::newRow("retry, then abort") << QList<int> { int(MsgAnswer::Retry), int(MsgAnswer::Abort) } << 2;
    QTest::newRow("retry twice, then ignore")
        << QList<int> { int(MsgAnswer::Retry), int(MsgAnswer::Retry), int(MsgAnswer::Ignore) } << 3;
}

void tst_frm_Multi::failedWriteIsReported()
{
    QFETCH(QList<int>, answers);
    QFETCH(int, reports);
    browse(1, m_normal32);
    for (int a : answers)
        m_prompts->answers.enqueue(static_cast<MsgAnswer>(a));
    // The save dialog does not insist on an existing folder; writing there fails.
    m_prompts->answerFile(m_out->filePath(QStringLiteral("no/such/folder/logo")));
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Command4")), Qt::LeftButton);

    QCOMPARE(m_prompts->messages.size(), reports);
    for (const ShownMessage& shown : std::as_const(m_prompts->messages)) {
        QCOMPARE(shown.title, QStringLiteral("Error"));
        QCOMPARE(shown.icon, MsgIcon::Critical);
        QCOMPARE(shown.buttons, MsgButtons::AbortRetryIgnore);
        QVERIFY2(shown.text.contains(QStringLiteral("Couldn't open file for writing.")), qPrintable(shown.text));
    }
    QFile log(m_out->filePath(QStringLiteral("program.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), reports);
    const QString tail = frm_Multi::LocationCode + QLatin1Char(':') + QString::number(MultiPageIcon::LineSave)
        + QLatin1Char(':') + QString::number(static_cast<qint32>(0x8004041C));
    for (const QString& line : lines)
        QVERIFY2(line.endsWith(tail), qPrintable(line));
    QCOMPARE(filesIn(m_out->path()), QStringList { QStringLiteral("program.log") });
    QVERIFY(m_dialog->isVisible());
}

void tst_frm_Multi::cancelAnsweredNoKeepsEverything()
{
    browse(0, m_small16);
    child<QCheckBox>(QStringLiteral("ch_Trans"))->setChecked(false);
    child<QLineEdit>(QStringLiteral("txt_Color_1"))->setText(QStringLiteral("17"));
    const QImage before = m_dialog->icon().preview(0).surface().image().copy();
    QSignalSpy finished(m_dialog, &QDialog::finished);

    m_prompts->answers.enqueue(MsgAnswer::No);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(m_prompts->messages.size(), 1);
    const ShownMessage& shown = m_prompts->messages.constFirst();
    QCOMPARE(shown.text,
        QStringLiteral("Are you sure you want to cancel ?\r\nTIP: Click close button to avoid this message."));
    QCOMPARE(shown.title, QStringLiteral("Cancel"));
    QCOMPARE(shown.icon, MsgIcon::Question);
    QCOMPARE(shown.buttons, MsgButtons::YesNo);

    QVERIFY(m_dialog->isVisible());
    QCOMPARE(finished.size(), 0);
    QCOMPARE(child<QLineEdit>(QStringLiteral("txt_File_0"))->text(), m_small16);
    QVERIFY(!child<QCheckBox>(QStringLiteral("ch_Trans"))->isChecked());
    QCOMPARE(child<QLineEdit>(QStringLiteral("txt_Color_1"))->text(), QStringLiteral("17"));
    QCOMPARE(m_dialog->icon().preview(0).surface().image(), before);
}

void tst_frm_Multi::cancelAnsweredYesCloses()
{
    QSignalSpy finished(m_dialog, &QDialog::finished);
    m_prompts->answers.enqueue(MsgAnswer::Yes);
    QTest::mouseClick(child<QPushButton>(QStringLiteral("Command5")), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!m_dialog->isVisible());
}

QTEST_MAIN(tst_frm_Multi)
#include "tst_frm_multi.moc"
