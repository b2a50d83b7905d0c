#include "multipage/widgets/frm_Multi.h"

#include "platform/PictureBox.h"
#include "platform/mdl_ErrorHandle.h"
#include "platform/widgets/PictureBoxView.h"
#include "support/IconCheck.h"
#include "support/ScriptedPrompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

Q_DECLARE_METATYPE(MsgAnswer)

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

QImage slotPicture(int size)
{
    return patternPicture(size, size, qRgb(40, 40, 100));
}

} // namespace

// What the saved icon holds is tested on MultiPageIcon; here the dialog's prompts and that its
// boxes and previews reach the engine.
class tst_frm_Multi : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void browseShowsPicture();
    void cancelledChoosers();
    void invalidPictureKeepsPreviewAndCounts();
    void save_data();
    void save();
    void savingTwiceWritesTwoFiles();
    void paddingTakesWindowColour_data();
    void paddingTakesWindowColour();
    void failedWriteIsReported_data();
    void failedWriteIsReported();
    void cancelButton_data();
    void cancelButton();

private:
    template <class T> T* child(const QString& name) { return m_dialog->findChild<T*>(name); }
    void click(const QString& name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void browse(int slot, const QString& file)
    {
        m_prompts->answerFile(file);
        click(QStringLiteral("cmd_Browse_%1").arg(slot));
    }
    void saveAs(const QString& name)
    {
        m_prompts->answerFile(m_out->filePath(name));
        click(QStringLiteral("Command4"));
    }
    QImage preview(int slot) const { return m_dialog->icon().preview(slot).surface().image().copy(); }

    QTemporaryDir m_pictures;
    QString m_picture[3]; // 16x16, 32x32, 48x48
    QString m_text;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<OrderedPrompts> m_prompts;
    std::unique_ptr<frm_Multi> m_dialog;
};

void tst_frm_Multi::initTestCase()
{
    for (int slot = 0; slot < 3; ++slot) {
        const int size = 16 * (slot + 1);
        m_picture[slot] = writePicture(m_pictures.path(), QStringLiteral("p%1.bmp").arg(size), slotPicture(size));
    }
    m_text = writeFile(m_pictures.path(), QStringLiteral("readme.bmp"), "This is text, not a bitmap.\n");
}

void tst_frm_Multi::init()
{
    m_out = std::make_unique<QTemporaryDir>();
    mdl_ErrorHandle::setProgramFolder(m_out->path());
    m_prompts = std::make_unique<OrderedPrompts>();
    m_dialog = std::make_unique<frm_Multi>(*m_prompts);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

void tst_frm_Multi::cleanup()
{
    m_dialog.reset();
    m_prompts.reset();
    m_out.reset();
}

void tst_frm_Multi::browseShowsPicture()
{
    browse(2, m_picture[1]);
    QCOMPARE(m_prompts->fileRequests.size(), 1);
    const FileChooserRequest& asked = m_prompts->fileRequests.constFirst();
    QCOMPARE(asked.title, QStringLiteral("Browse for files..."));
    QCOMPARE(asked.mode, FileChooserRequest::Mode::Open);
    QVERIFY(asked.fileMustExist);
    QVERIFY(m_prompts->messages.isEmpty());
    QCOMPARE(child<QLineEdit>("txt_File_2")->text(), m_picture[1]);
    QCOMPARE(child<QLineEdit>("txt_File_1")->text(), QString());
    QVERIFY(m_dialog->icon().isFilled(2));
    // The view on screen shows what the engine's preview holds.
    auto* view = child<PictureBoxView>("pic_C_surface");
    QCOMPARE(&view->box(), &m_dialog->icon().preview(2));
    const QImage shown = view->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shown, preview(2).convertToFormat(QImage::Format_RGB32));
    QCOMPARE(shown.pixel(31, 31), slotPicture(32).pixel(31, 31));
}

void tst_frm_Multi::cancelledChoosers()
{
    browse(1, m_picture[2]);
    const QImage before = preview(1);
    m_prompts->cancelFile();
    click("cmd_Browse_1");
    QCOMPARE(child<QLineEdit>("txt_File_1")->text(), m_picture[2]);
    QCOMPARE(preview(1), before);
    m_prompts->cancelFile();
    click("Command4");
    QCOMPARE(m_prompts->fileRequests.size(), 3);
    QVERIFY(m_prompts->messages.isEmpty());
    QVERIFY(filesIn(m_out->path()).isEmpty());
}

void tst_frm_Multi::invalidPictureKeepsPreviewAndCounts()
{
    browse(2, m_picture[2]);
    const QImage before = preview(2);
    browse(2, m_text);
    QCOMPARE(m_prompts->messages.size(), 1);
    const ShownMessage& shown = m_prompts->messages.constFirst();
    QCOMPARE(shown.text, QStringLiteral("Invalid picture !"));
    QCOMPARE(shown.title, QStringLiteral("Wrong image"));
    QCOMPARE(shown.icon, MsgIcon::Exclamation);
    QCOMPARE(child<QLineEdit>("txt_File_2")->text(), m_text);
    QCOMPARE(preview(2), before);

    // The slot still counts: the image is what the preview kept showing.
    saveAs(QStringLiteral("kept"));
    QCOMPARE(m_prompts->messages.size(), 1);
    const QString diff = iconDiffers(m_out->filePath(QStringLiteral("kept.ico")), slotPicture(48), 48, 0, 0);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_frm_Multi::save_data()
{
    QTest::addColumn<bool>("filled"); // the 32x32 slot
    QTest::addColumn<bool>("typed");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("refusal"); // shown after the save dialog; "" when saved
    const QString invalid = QStringLiteral("Invalid transparent color !");
    QTest::newRow("all slots empty") << false << true << QStringList { "255", "255", "255" } << "There are no images !";
    QTest::newRow("cleared: top-left goes, whatever the boxes hold")
        << true << false << QStringList { "x", "", "-3" } << "";
    QTest::newRow("letters in red") << true << true << QStringList { "ff", "255", "255" } << invalid;
    QTest::newRow("nothing in green") << true << true << QStringList { "255", "", "255" } << invalid;
    QTest::newRow("letters after a number in blue") << true << true << QStringList { "255", "255", "12px" } << invalid;
}

void tst_frm_Multi::save()
{
    QFETCH(bool, filled);
    QFETCH(bool, typed);
    QFETCH(QStringList, boxes);
    QFETCH(QString, refusal);
    if (filled)
        browse(1, m_picture[1]);
    m_prompts->events.clear();
    child<QCheckBox>("ch_Trans")->setChecked(typed);
    for (int i = 0; i < 3; ++i)
        child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(i))->setText(boxes[i]);
    saveAs(QStringLiteral("colour"));
    QCOMPARE(m_prompts->fileRequests.constLast().mode, FileChooserRequest::Mode::Save);
    QVERIFY(m_dialog->isVisible());
    if (!refusal.isEmpty()) {
        QCOMPARE(m_prompts->events, (QStringList { "chooser: Save icon...", "message: " + refusal }));
        QCOMPARE(m_prompts->messages.constLast().icon, MsgIcon::Exclamation);
        QCOMPARE(m_prompts->messages.constLast().title, filled ? QStringLiteral("Error") : QStringLiteral("Brevane"));
        QVERIFY(filesIn(m_out->path()).isEmpty());
        return;
    }
    QCOMPARE(m_prompts->events, QStringList { "chooser: Save icon..." });
    const QString diff
        = iconDiffers(m_out->filePath(QStringLiteral("colour.ico")), slotPicture(32), 32, 0, qRgb(40, 40, 100));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_frm_Multi::savingTwiceWritesTwoFiles()
{
    browse(2, m_picture[2]);
    saveAs(QStringLiteral("one"));
    browse(0, m_picture[0]);
    saveAs(QStringLiteral("two.ico"));
    QVERIFY(m_prompts->messages.isEmpty());
    QCOMPARE(filesIn(m_out->path()), (QStringList { "one.ico", "two.ico" }));
    QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("one.ico"))), sizes24({ 48 }));
    QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("two.ico"))), sizes24({ 16, 48 }));
}

void tst_frm_Multi::paddingTakesWindowColour_data()
{
    QTest::addColumn<QColor>("window");
    QTest::addColumn<QString>("component"); // typed into all three colour boxes
    QTest::addColumn<QRgb>("transparent");
    QTest::newRow("white window, default colour: see-through") << QColor(Qt::white) << "255" << qRgb(255, 255, 255);
    QTest::newRow("white window, 300 counts as 255") << QColor(Qt::white) << "300" << qRgb(255, 255, 255);
    QTest::newRow("grey window: padding grey") << QColor(210, 205, 200) << "255" << qRgb(255, 255, 255);
}

void tst_frm_Multi::paddingTakesWindowColour()
{
    QFETCH(QColor, window);
    QFETCH(QString, component);
    QFETCH(QRgb, transparent);
    // The previews take the desktop's window colour when the dialog is made.
    const QPalette saved = QApplication::palette();
    QPalette desktop = saved;
    desktop.setColor(QPalette::Base, window);
    QApplication::setPalette(desktop);
    m_dialog = std::make_unique<frm_Multi>(*m_prompts);
    QApplication::setPalette(saved);
    for (int i = 0; i < 3; ++i)
        child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(i))->setText(component);
    m_prompts->answerFile(m_picture[0]);
    m_dialog->cmd_Browse_Click(2);
    m_prompts->answerFile(m_out->filePath(QStringLiteral("padded")));
    m_dialog->Command4_Click();
    QVERIFY(m_prompts->messages.isEmpty());
    const QString diff
        = iconDiffers(m_out->filePath(QStringLiteral("padded.ico")), slotPicture(16), 48, window.rgb(), transparent);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_frm_Multi::failedWriteIsReported_data()
{
    QTest::addColumn<QList<MsgAnswer>>("answers");
    QTest::newRow("abort") << QList<MsgAnswer> { MsgAnswer::Abort };
    QTest::newRow("ignore") << QList<MsgAnswer> { MsgAnswer::Ignore };
    QTest::newRow("retry twice, then ignore")
        << QList<MsgAnswer> { MsgAnswer::Retry, MsgAnswer::Retry, MsgAnswer::Ignore };
}

void tst_frm_Multi::failedWriteIsReported()
{
    QFETCH(QList<MsgAnswer>, answers);
    browse(1, m_picture[1]);
    for (MsgAnswer a : answers)
        m_prompts->answers.enqueue(a);
    // The save dialog does not insist on an existing folder; writing there fails.
    saveAs(QStringLiteral("no/such/folder/logo"));
    QCOMPARE(m_prompts->messages.size(), answers.size());
    for (const ShownMessage& shown : std::as_const(m_prompts->messages)) {
        QCOMPARE(shown.title, QStringLiteral("Error"));
        QCOMPARE(shown.icon, MsgIcon::Critical);
        QCOMPARE(shown.buttons, MsgButtons::AbortRetryIgnore);
        QVERIFY2(shown.text.contains(QStringLiteral("Couldn't open file for writing.")), qPrintable(shown.text));
    }
    QFile log(m_out->filePath(QStringLiteral("program.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), answers.size());
    const QString tail = QStringLiteral("%1:%2:%3")
                             .arg(frm_Multi::LocationCode)
                             .arg(int(MultiPageIcon::LineSave))
                             .arg(static_cast<qint32>(0x8004041C));
    for (const QString& line : lines)
        QVERIFY2(line.endsWith(tail), qPrintable(line));
    QCOMPARE(filesIn(m_out->path()), QStringList { "program.log" });
    QVERIFY(m_dialog->isVisible());
}

void tst_frm_Multi::cancelButton_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::newRow("No keeps everything") << MsgAnswer::No;
    QTest::newRow("Yes closes") << MsgAnswer::Yes;
}

void tst_frm_Multi::cancelButton()
{
    QFETCH(MsgAnswer, answer);
    browse(0, m_picture[0]);
    child<QCheckBox>("ch_Trans")->setChecked(false);
    child<QLineEdit>("txt_Color_1")->setText(QStringLiteral("17"));
    const QImage before = preview(0);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    m_prompts->answers.enqueue(answer);
    click("Command5");
    QCOMPARE(m_prompts->messages.size(), 1);
    const ShownMessage& shown = m_prompts->messages.constFirst();
    QCOMPARE(shown.text,
        QStringLiteral("Are you sure you want to cancel ?\r\nTIP: Click close button to avoid this message."));
    QCOMPARE(shown.title, QStringLiteral("Cancel"));
    QCOMPARE(shown.buttons, MsgButtons::YesNo);
    const bool closed = answer == MsgAnswer::Yes;
    QCOMPARE(finished.size(), closed ? 1 : 0);
    QCOMPARE(m_dialog->isVisible(), !closed);
    if (closed)
        return;
    QCOMPARE(child<QLineEdit>("txt_File_0")->text(), m_picture[0]);
    QVERIFY(!child<QCheckBox>("ch_Trans")->isChecked());
    QCOMPARE(child<QLineEdit>("txt_Color_1")->text(), QStringLiteral("17"));
    QCOMPARE(preview(0), before);
}

QTEST_MAIN(tst_frm_Multi)
#include "tst_frm_multi.moc"
