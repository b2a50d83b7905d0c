#include "convert/IconSize.h"
#include "convert/widgets/frm_Customize.h"
#include "platform/mdl_ErrorHandle.h"
#include "platform/widgets/PictureBoxView.h"

#include "support/IconCheck.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

Q_DECLARE_METATYPE(MsgAnswer)

namespace {

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
class tst_Customize : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void activationWidth_data();
    void activationWidth();
    void severalPictures();
    void topLeftFillsBoxes();
    void clickPreview_data();
    void clickPreview();
    void typedColour_data();
    void typedColour();
    void warnings_data();
    void warnings();
    void transparencySwitch();
    void folderChooser_data();
    void folderChooser();
    void missingFirstPicture_data();
    void missingFirstPicture();
    void saveOnePicture();
    void saveMissingFolder();
    void saveSeveral();
    void saveSeveralStopped();

private:
    // Pictures of the given widths (20 high) as p0.bmp, p1.bmp, ...; the dialog opened on them as
    // the main window does, once its activation is done.
    void open(const QList<int>& widths)
    {
        std::vector<PictureRow> rows;
        for (int i = 0; i < widths.size(); ++i) {
            const QString name = QStringLiteral("p%1.bmp").arg(i);
            writePicture(m_dir->path(), name, patternPicture(widths[i], 20, i ? qRgb(i * 10, 0, 255) : TopLeft, i));
            rows.push_back({ name, m_dir->path() });
        }
        openRows(rows);
    }
    void openRows(const std::vector<PictureRow>& rows)
    {
        m_dialog = std::make_unique<frm_Customize>(m_prompts, rows);
        if (rows.size() > 1) {
            m_dialog->pic_Hdc()->setEnabled(false);
            m_dialog->lbl_Pic()->setEnabled(false);
        }
        m_dialog->txt_Path()->setText(m_out->path());
        QSignalSpy activated(m_dialog.get(), &frm_Customize::activationDone);
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
    std::unique_ptr<frm_Customize> m_dialog;
};

void tst_Customize::init()
{
    m_prompts = ScriptedPrompts();
    m_dir = std::make_unique<QTemporaryDir>();
    m_out = std::make_unique<QTemporaryDir>();
    mdl_ErrorHandle::setProgramFolder(m_out->path());
    nIconSize = 16; // activation always sets it anew
}

void tst_Customize::cleanup()
{
    m_dialog.reset();
}

void tst_Customize::activationWidth_data()
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

void tst_Customize::activationWidth()
{
    QFETCH(int, width);
    QFETCH(QString, option);
    QFETCH(int, size);
    open({ width });
    QVERIFY(child<QRadioButton>(option)->isChecked());
    QCOMPARE(nIconSize, size);
    QCOMPARE(m_dialog->preview().width(), size + 2);
    QCOMPARE(m_dialog->preview().height(), size + 2);
    QVERIFY(child<QRadioButton>("c4")->isChecked());
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(m_dialog->preview().picture().width(), width);
    QVERIFY(!child<QRadioButton>("ch_AutoSize")->isEnabled());
    QVERIFY(!child<QCheckBox>("ch_AutoMask")->isEnabled());
}

void tst_Customize::severalPictures()
{
    open({ 16, 48 });
    QVERIFY(child<QRadioButton>("ch_AutoSize")->isEnabled());
    QVERIFY(child<QRadioButton>("ch_AutoSize")->isChecked());
    QVERIFY(child<QCheckBox>("ch_AutoMask")->isEnabled());
    QVERIFY(child<QCheckBox>("ch_AutoMask")->isChecked());
    QVERIFY(!m_dialog->pic_Hdc()->isEnabled());
    QVERIFY(!m_dialog->lbl_Pic()->isEnabled());
    QVERIFY(m_dialog->preview().picture().isNull());
    QCOMPARE(boxes(), QStringLiteral("255,255,255")); // the empty preview's own background
    QCOMPARE(nIconSize, 16); // from the first picture
}

void tst_Customize::topLeftFillsBoxes()
{
    writePicture(m_dir->path(), QStringLiteral("p.bmp"), patternPicture(20, 20, TopLeft));
    m_dialog = std::make_unique<frm_Customize>(m_prompts, std::vector<PictureRow> { { "p.bmp", m_dir->path() } });
    SwatchWatcher watcher(child<QWidget>("pic_Color"));
    m_dialog->Form_Activate();
    QCOMPARE(boxes(), QStringLiteral("10,20,30"));
    QCOMPARE(m_dialog->swatchColour(), RGB(10, 20, 30));
    QCOMPARE(m_dialog->preview().backColour(), RGB(10, 20, 30));
    QCOMPARE(watcher.colours, QList<QRgb> { TopLeft }); // no intermediate colour
}

void tst_Customize::clickPreview_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left button inside the picture") << QPoint(5, 9) << Qt::LeftButton;
    QTest::newRow("right button on the padding") << QPoint(25, 25) << Qt::RightButton;
}

void tst_Customize::clickPreview()
{
    QFETCH(QPoint, at);
    QFETCH(Qt::MouseButton, button);
    open({ 20 });
    const QImage picture = patternPicture(20, 20, TopLeft);
    const QRgb want = picture.valid(at) ? picture.pixel(at) : TopLeft;
    SwatchWatcher watcher(child<QWidget>("pic_Color"));
    QTest::mousePress(m_dialog->pic_Hdc(), button, {}, at);
    QVERIFY(m_dialog->bPicking());
    QCOMPARE(m_dialog->swatchColour(), fromQRgb(want));
    QCOMPARE(boxes(), QStringLiteral("%1,%2,%3").arg(qRed(want)).arg(qGreen(want)).arg(qBlue(want)));
    for (QRgb c : std::as_const(watcher.colours)) // none composed from half-filled boxes
        QCOMPARE(c, want);
    QTest::mouseRelease(m_dialog->pic_Hdc(), button, {}, at);
    QVERIFY(!m_dialog->bPicking());
}

void tst_Customize::typedColour_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("colour"); // -1: unchanged
    QTest::newRow("plain number") << 1 << "200" << RGB(10, 200, 30);
    QTest::newRow("300 in red counts as 255") << 0 << "300" << RGB(255, 20, 30);
    QTest::newRow("empty box leaves the swatch") << 0 << "" << -1;
    QTest::newRow("letters") << 1 << "abc" << -1;
    QTest::newRow("beyond 16 bits") << 0 << "40000" << -1;
}

void tst_Customize::typedColour()
{
    QFETCH(int, box);
    QFETCH(QString, text);
    QFETCH(int, colour);
    open({ 20 });
    child<QLineEdit>(QStringLiteral("txt_Color_%1").arg(box))->setText(text);
    QCOMPARE(m_dialog->swatchColour(), colour == -1 ? RGB(10, 20, 30) : colour);
    QVERIFY(m_prompts.messages.isEmpty());
}

void tst_Customize::warnings_data()
{
    QTest::addColumn<int>("pictures");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("nColors");
    const QString at48 = QStringLiteral("Windows, and some programs only support 24-bit image, with size 48x48. If you "
                                        "set other color format, the icon(s) may be corrupted !");
    const QString lower = QStringLiteral("The icons may be corrupted if you change the color format to lower level.");
    QTest::newRow("256 colours at 32x32: quiet") << 1 << QStringList { "c3" } << QStringList {} << 256;
    QTest::newRow("48x48 forces true colour") << 1 << QStringList { "c3", "s3" } << QStringList {} << 1000;
    QTest::newRow("lower colour at 48x48 only informs")
        << 1 << QStringList { "s3", "c3" } << QStringList { at48 } << 256;
    QTest::newRow("16x16 keeps the colour format")
        << 1 << QStringList { "s3", "c3", "s1" } << QStringList { at48 } << 256;
    QTest::newRow("lower colour with auto size")
        << 2 << QStringList { "c2", "c1", "c4" } << QStringList { lower, lower } << 1000;
}

void tst_Customize::warnings()
{
    QFETCH(int, pictures);
    QFETCH(QStringList, clicks);
    QFETCH(QStringList, shown);
    QFETCH(int, nColors);
    open(QList<int>(pictures, 20));
    for (const QString& option : std::as_const(clicks))
        click(option);
    QStringList texts;
    for (const ShownMessage& m : std::as_const(m_prompts.messages)) {
        texts.append(m.text);
        QCOMPARE(m.title, QStringLiteral("Warning !"));
    }
    QCOMPARE(texts, shown);
    QCOMPARE(m_dialog->nColors(), nColors);
    QCOMPARE(m_dialog->preview().width(), nIconSize + 2);
}

void tst_Customize::transparencySwitch()
{
    open({ 20 });
    click("ch_Trans");
    QVERIFY(!child<QCheckBox>("ch_Trans")->isChecked());
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 255, 250));
    QCOMPARE(boxes(), QStringLiteral("10,20,30")); // the boxes keep their text
    QVERIFY(!child<QLineEdit>("txt_Color_1")->isEnabled());
    click("ch_Trans");
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 255, 250));
    QVERIFY(child<QLineEdit>("txt_Color_1")->isEnabled());
}

void tst_Customize::folderChooser_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("path"); // "" for the text left as it was
    QTest::newRow("a folder replaces the text") << "/some/where"
                                                << "/some/where";
    QTest::newRow("cancelled leaves the text") << ""
                                               << "";
    QTest::newRow("cut at the first NUL") << QStringLiteral("/x/y") + QChar(0) + QStringLiteral("junk") << "/x/y";
}

void tst_Customize::folderChooser()
{
    QFETCH(QString, answer);
    QFETCH(QString, path);
    open({ 20 });
    m_prompts.folderAnswers.enqueue(answer);
    click("Command3");
    QCOMPARE(m_prompts.folderTitles, QStringList { "Select a folder, all the icons will be saved here:" });
    QCOMPARE(m_dialog->txt_Path()->text(), path.isEmpty() ? m_out->path() : path);
}

void tst_Customize::missingFirstPicture_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("boxes");
    QTest::newRow("Ignore: the rest of the activation runs") << MsgAnswer::Ignore << "255,255,255";
    QTest::newRow("Abort: activation left at once") << MsgAnswer::Abort << "0,0,0";
}

void tst_Customize::missingFirstPicture()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(QString, boxes);
    m_prompts.answers.enqueue(answer);
    openRows({ { QStringLiteral("gone.bmp"), m_dir->path() } });
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].buttons, MsgButtons::AbortRetryIgnore);
    QVERIFY(m_dialog->isVisible()); // only an invalid picture closes the dialog
    QCOMPARE(nIconSize, 32);
    QCOMPARE(this->boxes(), boxes);
    QFile log(mdl_ErrorHandle::lastLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(QString::fromLocal8Bit(log.readAll()).contains(frm_Customize::ActivateLocationCode + ":2:53"));
}

void tst_Customize::saveOnePicture()
{
    const QImage picture = patternPicture(100, 80, qRgb(255, 0, 255));
    writePicture(m_dir->path(), QStringLiteral("photo.jpeg.bmp"), picture);
    openRows({ { QStringLiteral("photo.jpeg.bmp"), m_dir->path() } });
    click("s3");
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    click("Command1");
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toInt(), int(QDialog::Accepted));
    QVERIFY(m_prompts.messages.isEmpty());
    const QString icon = m_out->filePath(QStringLiteral("photo.jpeg.ico"));
    QCOMPARE(icotoolList(icon), sizes24({ 48 }));
    const QString diff = iconDiffers(icon, picture, 48, qRgb(255, 0, 255), qRgb(255, 0, 255));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_Customize::saveMissingFolder()
{
    open({ 20 });
    m_dialog->txt_Path()->setText(m_out->filePath(QStringLiteral("missing")));
    click("Command1");
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text, QStringLiteral("That folder is invalid !"));
    QVERIFY(m_dialog->isVisible());
    QVERIFY(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void tst_Customize::saveSeveral()
{
    const QList<int> widths { 16, 20, 40, 64 };
    open(widths);
    auto* progress = child<QProgressBar>("prg_Batch");
    QVERIFY(progress->isHidden());
    QStringList shown;
    QList<int> previewWidths;
    connect(progress, &QProgressBar::valueChanged, this, [&](int v) {
        if (v <= 0)
            return;
        shown.append(progress->text());
        previewWidths.append(m_dialog->preview().picture().width());
        QVERIFY(m_dialog->pic_Hdc()->isEnabled() && progress->isVisible());
    });
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    click("Command1");
    QCOMPARE(finished.size(), 1);
    QCOMPARE(shown, (QStringList { "1 of 4", "2 of 4", "3 of 4", "4 of 4" }));
    QCOMPARE(previewWidths, widths);
    QVERIFY(!m_dialog->pic_Hdc()->isEnabled()); // disabled again after the run
    const QList<int> sizes { 16, 32, 48, 48 };
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("p%1.ico").arg(i))), sizes24({ sizes[i] }));
    QCOMPARE(m_dialog->swatchColour(), RGB(30, 0, 255)); // the last picture's top-left colour
}

void tst_Customize::saveSeveralStopped()
{
    open({ 20, 20, 20 });
    writeFile(m_dir->path(), QStringLiteral("p1.bmp"), "garbage");
    m_prompts.answers.enqueue(MsgAnswer::No);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    click("Command1");
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].buttons, MsgButtons::YesNo);
    QCOMPARE(filesIn(m_out->path(), { "*.ico" }), QStringList { "p0.ico" });
}

QTEST_MAIN(tst_Customize)
#include "tst_customize.moc"
