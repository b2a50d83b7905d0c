#include "convert/widgets/ConvertDialog.h"
#include "platform/ErrorLog.h"
#include "platform/widgets/PictureBoxView.h"

#include "support/IconCheck.h"
#include "support/ScriptedPrompts.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {
// Counts the resizes a widget goes through.
struct ResizeCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        count += e->type() == QEvent::Resize;
        return false;
    }
};
}

// A several-picture run as the options dialog shows it: its size, and icons of one name.
class tst_ConvertRun : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void runKeepsDialogSize();
    void sameStemAsked_data();
    void sameStemAsked();

private:
    // The dialog on the given pictures, activated and shown as the main window opens it.
    void open(const QStringList& names)
    {
        std::vector<PictureRow> rows;
        for (const QString& name : names)
            rows.push_back({ name, m_dir->path() });
        m_dialog = std::make_unique<ConvertDialog>(m_prompts, rows);
        m_dialog->previewView()->setEnabled(false);
        m_dialog->pathBox()->setText(m_out->path());
        QSignalSpy activated(m_dialog.get(), &ConvertDialog::activationDone);
        m_dialog->show();
        QVERIFY(activated.wait(5000));
    }
    void save() { QTest::mouseClick(m_dialog->findChild<QAbstractButton*>("Command1"), Qt::LeftButton); }

    ScriptedPrompts m_prompts;
    std::unique_ptr<QTemporaryDir> m_dir, m_out;
    std::unique_ptr<ConvertDialog> m_dialog;
};

void tst_ConvertRun::init()
{
    m_dialog.reset();
    m_prompts = ScriptedPrompts();
    m_dir = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    ErrorLog::setProgramFolder(m_out->path());
}

void tst_ConvertRun::runKeepsDialogSize()
{
    for (const char* name : { "p.bmp", "q.bmp" })
        writePicture(m_dir->path(), QLatin1String(name), patternPicture(20, 20, qRgb(1, 2, 3)));
    open({ "p.bmp", "q.bmp" });
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
    auto* progress = m_dialog->findChild<QProgressBar*>("prg_Batch");
    int progressShown = 0;
    connect(progress, &QProgressBar::valueChanged, this, [&] { progressShown += progress->isVisible(); });
    ResizeCounter resizes;
    m_dialog->installEventFilter(&resizes);
    save();
    QCOMPARE(progressShown, 2);
    QCOMPARE(resizes.count, 0);
}

void tst_ConvertRun::sameStemAsked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("kept"); // whose image a.ico holds: 0 a.bmp, 1 a.png
    QTest::newRow("Yes replaces") << int(MsgAnswer::Yes) << 1;
    QTest::newRow("No skips") << int(MsgAnswer::No) << 0;
}

void tst_ConvertRun::sameStemAsked()
{
    QFETCH(int, answer);
    QFETCH(int, kept);
    const QImage pictures[] = { patternPicture(16, 16, qRgb(1, 2, 3), 1), patternPicture(16, 16, qRgb(4, 5, 6), 7) };
    writePicture(m_dir->path(), QStringLiteral("a.bmp"), pictures[0]);
    writePicture(m_dir->path(), QStringLiteral("a.png"), pictures[1], "PNG");
    writePicture(m_dir->path(), QStringLiteral("b.bmp"), pictures[0]);
    open({ "a.bmp", "b.bmp", "a.png" });
    m_prompts.answers.enqueue(MsgAnswer(answer));
    save();
    QCOMPARE(m_prompts.messages.size(), 1);
    const ShownMessage& asked = m_prompts.messages.first();
    QCOMPARE(
        asked.text, QStringLiteral("The icon for 'a.png' would replace the icon just made for 'a.bmp'. Replace it ?"));
    QCOMPARE(asked.title, QStringLiteral("Warning !"));
    QCOMPARE(asked.icon, MsgIcon::Question);
    QCOMPARE(asked.buttons, MsgButtons::YesNo);
    QCOMPARE(filesIn(m_out->path(), { "*.ico" }), (QStringList { "a.ico", "b.ico" }));
    const QImage& picture = pictures[kept];
    VERIFY_SAME(iconDiffers(m_out->filePath(QStringLiteral("a.ico")), picture, 16, 0, picture.pixel(0, 0)));
}

QTEST_MAIN(tst_ConvertRun)
#include "tst_convertrun.moc"
