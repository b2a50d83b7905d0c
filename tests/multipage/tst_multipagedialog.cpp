#include "multipage/widgets/MultiPageDialog.h"

#include "platform/ErrorLog.h"
#include "platform/PictureBox.h"
#include "support/IconCheck.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {

// Notes how many choosers had come up when the last message box did.
struct OrderedPrompts : ScriptedPrompts {
    qsizetype choosersBeforeMessage = -1;
    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override
    {
        choosersBeforeMessage = fileRequests.size();
        return ScriptedPrompts::message(text, title, icon, buttons);
    }
};

QImage slotPicture(int size) { return patternPicture(size, size, qRgb(40, 40, 100)); }

} // namespace

// What the saved icon holds is tested on MultiPageIcon; here the dialog's prompts and that its
// boxes and previews reach the engine.
class tst_MultiPageDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cancelledOrInvalidKeepsPreview();
    void refusedSave_data();
    void refusedSave();
    void cancelAsks_data();
    void cancelAsks();

private:
    template <class T> T* child(const QString& name) { return m_dialog->findChild<T*>(name); }
    void click(const QString& name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void browse(int slot, const QString& file) { m_prompts->answerFile(file); click(QStringLiteral("cmd_Browse_%1").arg(slot)); }
    void saveAs(const QString& name) { m_prompts->answerFile(m_out->filePath(name)); click(QStringLiteral("Command4")); }
    QImage preview(int slot) const { return m_dialog->icon().preview(slot).surface().image().copy(); }

    QString m_picture[3]; // 16x16, 32x32, 48x48
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<OrderedPrompts> m_prompts;
    std::unique_ptr<MultiPageDialog> m_dialog;
};

void tst_MultiPageDialog::init()
{
    m_dialog.reset();
    m_out = std::make_unique<QTemporaryDir>();
    ErrorLog::setProgramFolder(m_out->path());
    for (int slot = 0; slot < 3; ++slot)
        m_picture[slot] = writePicture(m_out->path(), QStringLiteral("p%1.bmp").arg(slot), slotPicture(16 * slot + 16));
    m_prompts = std::make_unique<OrderedPrompts>();
    m_dialog = std::make_unique<MultiPageDialog>(*m_prompts);
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
}

// A cancelled chooser changes nothing; a file that is no picture is named but the preview, and
// so the saved image, stays the last good one.
void tst_MultiPageDialog::cancelledOrInvalidKeepsPreview()
{
    REQUIRE_TOOL("/usr/bin/convert");
    browse(2, m_picture[2]);
    const QImage before = preview(2);
    m_prompts->cancelFile();
    click("cmd_Browse_2");
    const QString text = writeFile(m_out->path(), QStringLiteral("readme.bmp"), "This is text, not a bitmap.\n");
    browse(2, text);
    QCOMPARE(child<QLineEdit>("txt_File_2")->text(), text);
    QCOMPARE(preview(2), before);
    saveAs(QStringLiteral("kept"));
    QCOMPARE(m_prompts->messages.size(), 1);
    QCOMPARE(m_prompts->messages[0].text, QStringLiteral("Invalid picture !"));
    VERIFY_SAME(iconDiffers(m_out->filePath(QStringLiteral("kept.ico")), slotPicture(48), 48, 0, 0));
}

void tst_MultiPageDialog::refusedSave_data()
{
    QTest::addColumn<bool>("filled"); // the 32x32 slot
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<QString>("refusal");
    const QString invalid = QStringLiteral("Invalid transparent color !");
    QTest::newRow("all slots empty") << false << QStringList { "255", "255", "255" } << "There are no images !";
    QTest::newRow("letters in red") << true << QStringList { "ff", "255", "255" } << invalid;
    QTest::newRow("nothing in green") << true << QStringList { "255", "", "255" } << invalid;
    QTest::newRow("a fraction in blue") << true << QStringList { "255", "255", "12.5" } << invalid;
}

// Refused after the save dialog, nothing written.
void tst_MultiPageDialog::refusedSave()
{
    QFETCH(bool, filled);
    QFETCH(QStringList, boxes);
    QFETCH(QString, refusal);
    if (filled)
        browse(1, m_picture[1]);
    for (int i = 0; i < 3; ++i)
        child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(i))->setText(boxes[i]);
    saveAs(QStringLiteral("colour"));
    QCOMPARE(m_prompts->messages.size(), 1);
    QCOMPARE(m_prompts->messages[0].text, refusal);
    QCOMPARE(m_prompts->choosersBeforeMessage, m_prompts->fileRequests.size());
    QVERIFY(filesIn(m_out->path(), { "*.ico" }).isEmpty());
}

void tst_MultiPageDialog::cancelAsks_data()
{
    QTest::addColumn<bool>("escape"); // else the Cancel button
    QTest::newRow("Esc") << true;
    QTest::newRow("Cancel button") << false;
}

// Esc and Cancel ask first, and No keeps everything; only the close box closes without asking.
void tst_MultiPageDialog::cancelAsks()
{
    QFETCH(bool, escape);
    browse(0, m_picture[0]);
    child<QCheckBox>("ch_Trans")->setChecked(false);
    const QImage before = preview(0);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    m_prompts->answers.enqueue(MsgAnswer::No);
    for (int i = 0; i < 2; ++i) { // No, then Yes
        escape ? QTest::keyClick(m_dialog.get(), Qt::Key_Escape) : click("Command5");
        QCOMPARE(finished.size(), i);
        QCOMPARE(child<QLineEdit>("txt_File_0")->text(), m_picture[0]);
        QVERIFY(!child<QCheckBox>("ch_Trans")->isChecked());
        QCOMPARE(preview(0), before);
    }
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_prompts->messages.size(), 2);
    QCOMPARE(m_prompts->messages[0].text,
        QStringLiteral("Are you sure you want to cancel ?\r\nTIP: Click close button to avoid this message."));
    QCOMPARE(m_prompts->messages[0].title, QStringLiteral("Cancel"));
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    m_dialog->close();
    QCOMPARE(m_prompts->messages.size(), 2);
    QCOMPARE(finished.size(), 2);
}

QTEST_MAIN(tst_MultiPageDialog)
#include "tst_multipagedialog.moc"
