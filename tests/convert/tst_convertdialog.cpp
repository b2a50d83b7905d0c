#include "convert/widgets/ConvertDialog.h"
#include "platform/ErrorLog.h"
#include "platform/widgets/PictureBoxView.h"

#include "support/IconCheck.h"
#include "support/ScriptedPrompts.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

namespace {
struct ResizeCounter : QObject {
    int count = 0;
    bool eventFilter(QObject*, QEvent* e) override { return (count += e->type() == QEvent::Resize), false; }
};

const QRgb TopLeft = qRgb(10, 20, 30);
} // namespace

class tst_ConvertDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void activationWidth();
    void swatch();
    void warnings();
    void saveSeveral_data();
    void saveSeveral();

private:
    // The pictures written, the dialog opened on them as the main window does, its activation done.
    void open(const QList<std::pair<QString, QImage>>& pictures)
    {
        std::vector<PictureRow> rows;
        for (const auto& [name, image] : pictures) {
            writePicture(m_dir.path(), name, image, name.endsWith(QLatin1String(".png")) ? "PNG" : "BMP");
            rows.push_back({ name, m_dir.path() });
        }
        m_dialog = std::make_unique<ConvertDialog>(m_prompts, rows);
        m_dialog->pathBox()->setText(m_out.path());
        QSignalSpy activated(m_dialog.get(), &ConvertDialog::activationDone);
        m_dialog->show();
        QVERIFY(activated.wait(5000));
    }
    template <typename W> W* child(const QString& name) { return m_dialog->findChild<W*>(name); }
    void click(const QString& name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    QString boxes()
    {
        return QStringList { child<QLineEdit>("txt_Color_0")->text(), child<QLineEdit>("txt_Color_1")->text(),
            child<QLineEdit>("txt_Color_2")->text() }.join(QLatin1Char(','));
    }

    ScriptedPrompts m_prompts;
    QTemporaryDir m_dir, m_out;
    std::unique_ptr<ConvertDialog> m_dialog;
};

void tst_ConvertDialog::init()
{
    m_dialog.reset();
    m_prompts = ScriptedPrompts();
    ErrorLog::setProgramFolder(m_out.path());
}

// One picture: 16x16 up to 16 wide, 48x48 at exactly 48, 32x32 for any other width.
void tst_ConvertDialog::activationWidth()
{
    for (const auto& [width, size] : { std::pair { 16, 16 }, { 17, 32 }, { 48, 48 }, { 64, 32 } }) {
        open({ { "p.bmp", patternPicture(width, 20, TopLeft) } });
        QVERIFY(child<QAbstractButton>(QStringLiteral("s%1").arg(size / 16))->isChecked());
        QCOMPARE(m_dialog->iconSize(), size);
    }
}

// The top-left colour first; then typed, picked from the preview, cleared by "Icon is transparent ?".
void tst_ConvertDialog::swatch()
{
    open({ { "p.bmp", patternPicture(20, 20, TopLeft) } });
    QCOMPARE(boxes(), QStringLiteral("10,20,30"));
    auto* red = child<QLineEdit>(QStringLiteral("txt_Color_0"));
    for (const char* typed : { "300", "", "12.5" }) { // empty or not a whole number: kept
        red->setText(QLatin1String(typed));
        QCOMPARE(m_dialog->swatchColour(), RGB(255, 20, 30));
    }
    const QRgb want = patternPicture(20, 20, TopLeft).pixel(5, 9);
    QTest::mouseClick(m_dialog->previewView(), Qt::LeftButton, {}, QPoint(5, 9));
    QCOMPARE(m_dialog->swatchColour(), fromQRgb(want));
    QCOMPARE(boxes(), QStringLiteral("%1,%2,%3").arg(qRed(want)).arg(qGreen(want)).arg(qBlue(want)));
    click("ch_Trans");
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 255, 250));
}

void tst_ConvertDialog::warnings()
{
    const QImage picture = patternPicture(20, 20, TopLeft);
    open({ { "p.bmp", picture } });
    click("s3");
    click("c3"); // lower colour at 48x48 only informs
    QCOMPARE(m_dialog->colourCount(), 256);
    open({ { "p.bmp", picture }, { "q.bmp", picture } });
    click("c2");
    click("c1");
    click("c4");
    QCOMPARE(m_prompts.messages.size(), 3);
    QCOMPARE(m_prompts.messages[0].text, QStringLiteral("Windows, and some programs only support 24-bit image, with "
                                                        "size 48x48. If you set other color format, the icon(s) may "
                                                        "be corrupted !"));
    for (int i : { 1, 2 })
        QCOMPARE(m_prompts.messages[i].text,
            QStringLiteral("The icons may be corrupted if you change the color format to lower level."));
}

void tst_ConvertDialog::saveSeveral_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("kept"); // whose image a.ico holds: 0 a.bmp, 1 a.png
    QTest::newRow("Yes replaces") << int(MsgAnswer::Yes) << 1;
    QTest::newRow("No skips") << int(MsgAnswer::No) << 0;
}

// Each picture sized from its width (up to 48x48), progress shown in a dialog that keeps its
// size, and a second picture of the same stem asked about.
void tst_ConvertDialog::saveSeveral()
{
    REQUIRE_TOOL("icotool");
    QFETCH(int, answer);
    QFETCH(int, kept);
    const QImage pictures[] = { patternPicture(16, 16, qRgb(1, 2, 3), 1), patternPicture(16, 16, qRgb(4, 5, 6), 7) };
    open({ { "a.bmp", pictures[0] }, { "c.bmp", patternPicture(40, 20, TopLeft) }, { "a.png", pictures[1] },
        { "b.bmp", patternPicture(64, 20, TopLeft) } });
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
    auto* progress = child<QProgressBar>("prg_Batch");
    QStringList shown;
    connect(progress, &QProgressBar::valueChanged, this, [&](int v) {
        if (v > 0 && progress->isVisible())
            shown.append(progress->text());
    });
    ResizeCounter resizes;
    m_dialog->installEventFilter(&resizes);
    m_prompts.answers.enqueue(MsgAnswer(answer));
    click("Command1");
    QVERIFY(!m_dialog->isVisible());
    QCOMPARE(resizes.count, 0);
    QCOMPARE(shown, (QStringList { "1 of 4", "2 of 4", "3 of 4", "4 of 4" }));
    QCOMPARE(m_prompts.messages.size(), 1);
    const ShownMessage& asked = m_prompts.messages.first();
    QCOMPARE(
        asked.text, QStringLiteral("The icon for 'a.png' would replace the icon just made for 'a.bmp'. Replace it ?"));
    QCOMPARE(asked.title, QStringLiteral("Warning !"));
    QCOMPARE(asked.buttons, MsgButtons::YesNo);
    QCOMPARE(filesIn(m_out.path(), { "*.ico" }), (QStringList { "a.ico", "b.ico", "c.ico" }));
    QCOMPARE(icotoolList(m_out.filePath(QStringLiteral("c.ico"))), sizes24({ 48 }));
    QCOMPARE(icotoolList(m_out.filePath(QStringLiteral("b.ico"))), sizes24({ 16 })); // wider: the size so far
    const QImage& picture = pictures[kept];
    VERIFY_SAME(iconDiffers(m_out.filePath(QStringLiteral("a.ico")), picture, 16, 0, picture.pixel(0, 0)));
}

QTEST_MAIN(tst_ConvertDialog)
#include "tst_convertdialog.moc"
