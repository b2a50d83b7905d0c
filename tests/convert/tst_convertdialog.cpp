#include "convert/widgets/ConvertDialog.h"
#include "platform/ErrorLog.h"
#include "platform/widgets/PictureBoxView.h"

#include "support/IconCheck.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
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

// Records every colour the swatch takes, to catch colours composed from half-filled boxes.
class SwatchWatcher : public QObject {
public:
    explicit SwatchWatcher(QWidget* swatch)
        : m_swatch(swatch)
    {
        swatch->installEventFilter(this);
    }
    QList<QRgb> colours;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::PaletteChange)
            colours.append(m_swatch->palette().color(QPalette::Window).rgb());
        return false;
    }

private:
    QWidget* m_swatch;
};

const QRgb TopLeft = qRgb(10, 20, 30);

} // namespace

// The conversion is tested on the engine (tst_batchconverter); here the dialog's own behaviour
// and that its save reaches the engine.
class tst_ConvertDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void activationWidth_data();
    void activationWidth();
    void topLeftFillsBoxes();
    void swatch();
    void warnings();
    void saveSeveral();
    void sameStemAsked_data();
    void sameStemAsked();

private:
    // Pictures of the given widths (20 high) as p0.bmp, p1.bmp, ...; the dialog opened on them as
    // the main window does, once its activation is done.
    void open(const QList<int>& widths)
    {
        QStringList names;
        for (int i = 0; i < widths.size(); ++i) {
            names.append(QStringLiteral("p%1.bmp").arg(i));
            writePicture(
                m_dir->path(), names.last(), patternPicture(widths[i], 20, i ? qRgb(i * 10, 0, 255) : TopLeft, i));
        }
        openNamed(names);
    }
    void openNamed(const QStringList& names)
    {
        std::vector<PictureRow> rows;
        for (const QString& name : names)
            rows.push_back({ name, m_dir->path() });
        m_dialog = std::make_unique<ConvertDialog>(m_prompts, rows);
        if (rows.size() > 1) {
            m_dialog->previewView()->setEnabled(false);
            m_dialog->pickLabel()->setEnabled(false);
        }
        m_dialog->pathBox()->setText(m_out->path());
        QSignalSpy activated(m_dialog.get(), &ConvertDialog::activationDone);
        m_dialog->show();
        if (!activated.wait(5000))
            qWarning("activation did not finish");
    }
    template <typename W> W* child(const QString& name) { return m_dialog->findChild<W*>(name); }
    void click(const QString& name) { QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton); }
    QString boxes()
    {
        QStringList texts;
        for (int i = 0; i < 3; ++i)
            texts.append(child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(i))->text());
        return texts.join(QLatin1Char(','));
    }

    ScriptedPrompts m_prompts;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QTemporaryDir> m_out;
    std::unique_ptr<ConvertDialog> m_dialog;
};

void tst_ConvertDialog::init()
{
    m_dialog.reset();
    m_prompts = ScriptedPrompts();
    m_dir = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    ErrorLog::setProgramFolder(m_out->path());
}

void tst_ConvertDialog::activationWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("size");
    QTest::newRow("16 wide: 16x16") << 16 << "s1" << 16;
    QTest::newRow("17 wide: 32x32") << 17 << "s2" << 32;
    QTest::newRow("31 wide: 32x32") << 31 << "s2" << 32;
    QTest::newRow("48 wide: 48x48") << 48 << "s3" << 48;
    QTest::newRow("64 wide: 32x32") << 64 << "s2" << 32;
}

void tst_ConvertDialog::activationWidth()
{
    QFETCH(int, width);
    QFETCH(QString, option);
    QFETCH(int, size);
    open({ width });
    QVERIFY(child<QRadioButton>(option)->isChecked());
    QCOMPARE(m_dialog->iconSize(), size);
    QCOMPARE(m_dialog->preview().width(), size + 2);
    QCOMPARE(m_dialog->preview().picture().width(), width);
}

void tst_ConvertDialog::topLeftFillsBoxes()
{
    writePicture(m_dir->path(), QStringLiteral("p.bmp"), patternPicture(20, 20, TopLeft));
    m_dialog = std::make_unique<ConvertDialog>(m_prompts, std::vector<PictureRow> { { "p.bmp", m_dir->path() } });
    SwatchWatcher watcher(child<QWidget>("pic_Color"));
    m_dialog->detectSettings();
    QCOMPARE(boxes(), QStringLiteral("10,20,30"));
    QCOMPARE(watcher.colours, QList<QRgb> { TopLeft }); // no intermediate colour
}

// Typed, picked from the preview, cleared by "Icon is transparent ?".
void tst_ConvertDialog::swatch()
{
    open({ 20 });
    auto* red = child<QLineEdit>(QStringLiteral("txt_Color_0"));
    red->setText(QStringLiteral("300"));
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 20, 30));
    red->clear();
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 20, 30));
    red->setText(QStringLiteral("12.5")); // not a whole number
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 20, 30));
    const QRgb want = patternPicture(20, 20, TopLeft).pixel(5, 9);
    QTest::mouseClick(m_dialog->previewView(), Qt::LeftButton, {}, QPoint(5, 9));
    QCOMPARE(m_dialog->swatchColour(), fromQRgb(want));
    QCOMPARE(boxes(), QStringLiteral("%1,%2,%3").arg(qRed(want)).arg(qGreen(want)).arg(qBlue(want)));
    click("ch_Trans");
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 255, 250));
    QVERIFY(m_prompts.messages.isEmpty());
}

void tst_ConvertDialog::warnings()
{
    open({ 20 });
    click("s3");
    click("c3"); // lower colour at 48x48 only informs
    QCOMPARE(m_dialog->colourCount(), 256);
    open({ 20, 20 });
    click("c2");
    click("c1");
    click("c4");
    QStringList texts;
    for (const ShownMessage& m : std::as_const(m_prompts.messages))
        texts.append(m.text);
    const QString lower = QStringLiteral("The icons may be corrupted if you change the color format to lower level.");
    QCOMPARE(texts,
        (QStringList { QStringLiteral("Windows, and some programs only support 24-bit image, with size 48x48. If you "
                                      "set other color format, the icon(s) may be corrupted !"),
            lower, lower }));
}

// The run shows its progress in a dialog that keeps its size.
void tst_ConvertDialog::saveSeveral()
{
    REQUIRE_TOOL("icotool");
    const QList<int> widths { 16, 20, 40, 64 };
    open(widths);
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
    auto* progress = child<QProgressBar>("prg_Batch");
    QStringList shown;
    connect(progress, &QProgressBar::valueChanged, this, [&](int v) {
        if (v > 0 && progress->isVisible())
            shown.append(progress->text());
    });
    ResizeCounter resizes;
    m_dialog->installEventFilter(&resizes);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    click("Command1");
    QCOMPARE(finished.size(), 1);
    QCOMPARE(resizes.count, 0);
    QCOMPARE(shown, (QStringList { "1 of 4", "2 of 4", "3 of 4", "4 of 4" }));
    const QList<int> sizes { 16, 32, 48, 48 };
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("p%1.ico").arg(i))), sizes24({ sizes[i] }));
}

void tst_ConvertDialog::sameStemAsked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<int>("kept"); // whose image a.ico holds: 0 a.bmp, 1 a.png
    QTest::newRow("Yes replaces") << int(MsgAnswer::Yes) << 1;
    QTest::newRow("No skips") << int(MsgAnswer::No) << 0;
}

void tst_ConvertDialog::sameStemAsked()
{
    QFETCH(int, answer);
    QFETCH(int, kept);
    const QImage pictures[] = { patternPicture(16, 16, qRgb(1, 2, 3), 1), patternPicture(16, 16, qRgb(4, 5, 6), 7) };
    writePicture(m_dir->path(), QStringLiteral("a.bmp"), pictures[0]);
    writePicture(m_dir->path(), QStringLiteral("a.png"), pictures[1], "PNG");
    writePicture(m_dir->path(), QStringLiteral("b.bmp"), pictures[0]);
    openNamed({ "a.bmp", "b.bmp", "a.png" });
    m_prompts.answers.enqueue(MsgAnswer(answer));
    click("Command1");
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

QTEST_MAIN(tst_ConvertDialog)
#include "tst_convertdialog.moc"
