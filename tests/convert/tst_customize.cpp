#include "convert/IconSize.h"
#include "convert/widgets/frm_Customize.h"
#include "platform/mdl_ErrorHandle.h"
#include "platform/widgets/PictureBoxView.h"

#include "../support/ScriptedPrompts.h"
#include "IconCheck.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
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

} // namespace

class tst_Customize : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void initialState();
    void activationWidth_data();
    void activationWidth();
    void severalPictures();
    void topLeftFillsBoxes();
    void clickPreview_data();
    void clickPreview();
    void typedColour_data();
    void typedColour();
    void getRGBComponent_data();
    void getRGBComponent();
    void sizeForcesTrueColourAndWarnings();
    void autoSizeWarning();
    void transparencySwitch();
    void folderChooser_data();
    void folderChooser();
    void back();
    void invalidFirstPicture();
    void missingFirstPicture_data();
    void missingFirstPicture();
    void saveOnePicture_data();
    void saveOnePicture();
    void saveMissingFolder();
    void saveSeveral();
    void saveSeveralStopped();

private:
    QString save(const QImage& img, const QString& name, const char* format = "BMP")
    {
        const QString path = m_dir->filePath(name);
        if (!img.save(path, format))
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    // Opens the dialog as the main window does and waits for its activation.
    frm_Customize* open(const QStringList& names)
    {
        std::vector<PictureRow> rows;
        for (const QString& n : names)
            rows.push_back({ n, m_dir->path() });
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
        return m_dialog.get();
    }
    template <typename W> W* child(const char* name) { return m_dialog->findChild<W*>(QLatin1String(name)); }
    QString boxes()
    {
        return child<QLineEdit>("txt_Color_0")->text() + QLatin1Char(',') + child<QLineEdit>("txt_Color_1")->text()
            + QLatin1Char(',') + child<QLineEdit>("txt_Color_2")->text();
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
    nIconSize = 32;
}

void tst_Customize::cleanup()
{
    m_dialog.reset();
}

void tst_Customize::initialState()
{
    std::vector<PictureRow> rows { { QStringLiteral("a.bmp"), m_dir->path() } };
    m_dialog = std::make_unique<frm_Customize>(m_prompts, rows);
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Customize icons"));
    QVERIFY(child<QCheckBox>("ch_Trans")->isChecked());
    QVERIFY(child<QCheckBox>("ch_Trans")->font().bold());
    QVERIFY(!child<QCheckBox>("ch_AutoMask")->isChecked());
    QVERIFY(!child<QCheckBox>("ch_AutoMask")->isEnabled());
    QVERIFY(child<QRadioButton>("c4")->isChecked());
    QCOMPARE(child<QRadioButton>("c4")->text(), QStringLiteral("24 BIT, true color !"));
    QVERIFY(child<QRadioButton>("s2")->isChecked());
    QVERIFY(!child<QRadioButton>("ch_AutoSize")->isEnabled());
    QCOMPARE(boxes(), QStringLiteral("0,0,0"));
    QCOMPARE(m_dialog->preview().width(), 34);
    QCOMPARE(child<QPushButton>("Command1")->text(), QStringLiteral("&Save icons"));
    QVERIFY(child<QPushButton>("Command1")->isDefault());
    QCOMPARE(child<QPushButton>("Command2")->text(), QStringLiteral("< &Back"));
    QCOMPARE(child<QLabel>("lbl_Pic")->text(), QStringLiteral("Maybe some from here:"));
}

void tst_Customize::activationWidth_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("size");
    QTest::newRow("16 wide: 16x16") << 16 << "s1" << 16;
    QTest::newRow("17 wide: 32x32") << 17 << "s2" << 32;
    QTest::newRow("31 wide: 32x32") << 31 << "s2" << 32;
    QTest::newRow("32 wide: 32x32") << 32 << "s2" << 32;
    QTest::newRow("48 wide: 48x48") << 48 << "s3" << 48;
    QTest::newRow("64 wide: 32x32") << 64 << "s2" << 32;
}

void tst_Customize::activationWidth()
{
    QFETCH(int, width);
    QFETCH(QString, option);
    QFETCH(int, size);
    nIconSize = 16; // activation always sets it anew
    save(patternPicture(width, 20, qRgb(255, 0, 255)), QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    QVERIFY(m_dialog->findChild<QRadioButton*>(option)->isChecked());
    QCOMPARE(nIconSize, size);
    QCOMPARE(m_dialog->preview().width(), size + 2);
    QCOMPARE(m_dialog->preview().height(), size + 2);
    QVERIFY(child<QRadioButton>("c4")->isChecked());
    QCOMPARE(m_dialog->nColors(), 1000);
    QVERIFY(m_prompts.messages.isEmpty());
    QCOMPARE(m_dialog->preview().picture().width(), width);
    QVERIFY(!child<QRadioButton>("ch_AutoSize")->isEnabled());
    QVERIFY(!child<QCheckBox>("ch_AutoMask")->isEnabled());
}

void tst_Customize::severalPictures()
{
    save(patternPicture(16, 16, qRgb(255, 0, 255)), QStringLiteral("a.bmp"));
    save(patternPicture(48, 48, qRgb(0, 0, 255)), QStringLiteral("b.bmp"));
    open({ QStringLiteral("a.bmp"), QStringLiteral("b.bmp") });
    QVERIFY(child<QRadioButton>("ch_AutoSize")->isEnabled());
    QVERIFY(child<QRadioButton>("ch_AutoSize")->isChecked());
    QVERIFY(!child<QRadioButton>("s1")->isChecked());
    QVERIFY(child<QCheckBox>("ch_AutoMask")->isEnabled());
    QVERIFY(child<QCheckBox>("ch_AutoMask")->isChecked());
    QVERIFY(!m_dialog->pic_Hdc()->isEnabled());
    QVERIFY(!m_dialog->lbl_Pic()->isEnabled());
    // The preview stays empty: its top-left is its own background.
    QVERIFY(m_dialog->preview().picture().isNull());
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 255, 255));
    QCOMPARE(boxes(), QStringLiteral("255,255,255"));
    QCOMPARE(nIconSize, 16); // from the first picture
}

void tst_Customize::topLeftFillsBoxes()
{
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("p.bmp"));
    std::vector<PictureRow> rows { { QStringLiteral("p.bmp"), m_dir->path() } };
    m_dialog = std::make_unique<frm_Customize>(m_prompts, rows);
    SwatchWatcher watcher(child<QWidget>("pic_Color"));
    m_dialog->Form_Activate();
    QCOMPARE(boxes(), QStringLiteral("10,20,30"));
    QCOMPARE(m_dialog->swatchColour(), RGB(10, 20, 30));
    QCOMPARE(m_dialog->preview().backColour(), RGB(10, 20, 30));
    QCOMPARE(watcher.colours, QList<QRgb> { qRgb(10, 20, 30) });
    QVERIFY(!m_dialog->bPicking());
}

void tst_Customize::clickPreview_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("left button inside the picture") << QPoint(5, 9) << Qt::LeftButton;
    QTest::newRow("right button, last picture pixel") << QPoint(19, 19) << Qt::RightButton;
    QTest::newRow("left button on the padding") << QPoint(25, 25) << Qt::LeftButton;
}

void tst_Customize::clickPreview()
{
    QFETCH(QPoint, at);
    QFETCH(Qt::MouseButton, button);
    const QImage picture = patternPicture(20, 20, qRgb(10, 20, 30));
    save(picture, QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    const QRgb want = picture.valid(at) ? picture.pixel(at) : qRgb(10, 20, 30);
    SwatchWatcher watcher(child<QWidget>("pic_Color"));
    QTest::mousePress(m_dialog->pic_Hdc(), button, {}, at);
    QVERIFY(m_dialog->bPicking());
    QCOMPARE(m_dialog->swatchColour(), fromQRgb(want));
    QCOMPARE(boxes(), QStringLiteral("%1,%2,%3").arg(qRed(want)).arg(qGreen(want)).arg(qBlue(want)));
    for (QRgb c : watcher.colours) // none composed from half-filled boxes
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
    QTest::newRow("32767, the largest 16-bit number") << 2 << "32767" << RGB(10, 20, 255);
    QTest::newRow("empty box") << 0 << "" << -1;
    QTest::newRow("letters") << 1 << "abc" << -1;
    QTest::newRow("negative") << 2 << "-5" << -1;
    QTest::newRow("beyond 16 bits") << 0 << "40000" << -1;
}

void tst_Customize::typedColour()
{
    QFETCH(int, box);
    QFETCH(QString, text);
    QFETCH(int, colour);
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    QLineEdit* edit = m_dialog->findChild<QLineEdit*>(QStringLiteral("txt_Color_%1").arg(box));
    edit->setText(text);
    QCOMPARE(edit->text(), text);
    QCOMPARE(m_dialog->swatchColour(), colour == -1 ? RGB(10, 20, 30) : colour);
    QVERIFY(m_prompts.messages.isEmpty());
}

void tst_Customize::getRGBComponent_data()
{
    QTest::addColumn<int>("colour");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("component");
    QTest::newRow("red of 0x00BBGGRR") << 0x00302010 << 1 << 0x10;
    QTest::newRow("green") << 0x00302010 << 2 << 0x20;
    QTest::newRow("blue") << 0x00302010 << 3 << 0x30;
    QTest::newRow("white, blue") << 0x00FFFFFF << 3 << 255;
    QTest::newRow("index 0") << 0x00302010 << 0 << -1;
    QTest::newRow("index 4") << 0x00302010 << 4 << -1;
    QTest::newRow("negative colour") << -1 << 1 << -1;
    QTest::newRow("colour 0x1000000") << 0x1000000 << 2 << -1;
}

void tst_Customize::getRGBComponent()
{
    QFETCH(int, colour);
    QFETCH(int, index);
    QFETCH(int, component);
    QCOMPARE(int(frm_Customize::GetRGBComponent(colour, qint16(index))), component);
}

void tst_Customize::sizeForcesTrueColourAndWarnings()
{
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    QTest::mouseClick(child<QRadioButton>("c3"), Qt::LeftButton);
    QCOMPARE(m_dialog->nColors(), 256);
    QVERIFY(m_prompts.messages.isEmpty());

    QTest::mouseClick(child<QRadioButton>("s3"), Qt::LeftButton);
    QCOMPARE(nIconSize, 48);
    QCOMPARE(m_dialog->preview().width(), 50);
    QVERIFY(child<QRadioButton>("c4")->isChecked());
    QCOMPARE(m_dialog->nColors(), 1000);
    QVERIFY(m_prompts.messages.isEmpty());

    QTest::mouseClick(child<QRadioButton>("c3"), Qt::LeftButton);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text,
        QStringLiteral("Windows, and some programs only support 24-bit image, with size 48x48. If you set other color "
                       "format, the icon(s) may be corrupted !"));
    QCOMPARE(m_prompts.messages[0].title, QStringLiteral("Warning !"));
    QCOMPARE(m_prompts.messages[0].icon, MsgIcon::Information);
    QCOMPARE(m_prompts.messages[0].buttons, MsgButtons::Ok);
    QVERIFY(child<QRadioButton>("c3")->isChecked()); // the warning only informs
    QCOMPARE(m_dialog->nColors(), 256);

    QTest::mouseClick(child<QRadioButton>("s1"), Qt::LeftButton);
    QCOMPARE(nIconSize, 16);
    QCOMPARE(m_dialog->preview().height(), 18);
    QVERIFY(child<QRadioButton>("c3")->isChecked());
}

void tst_Customize::autoSizeWarning()
{
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("a.bmp"));
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("b.bmp"));
    open({ QStringLiteral("a.bmp"), QStringLiteral("b.bmp") });
    for (const char* option : { "c2", "c1", "c3" }) {
        m_prompts.messages.clear();
        QTest::mouseClick(child<QRadioButton>(option), Qt::LeftButton);
        QCOMPARE(m_prompts.messages.size(), 1);
        QCOMPARE(m_prompts.messages[0].text,
            QStringLiteral("The icons may be corrupted if you change the color format to lower level."));
        QCOMPARE(m_prompts.messages[0].title, QStringLiteral("Warning !"));
        QCOMPARE(m_prompts.messages[0].icon, MsgIcon::Exclamation);
    }
    m_prompts.messages.clear();
    QTest::mouseClick(child<QRadioButton>("c4"), Qt::LeftButton);
    QVERIFY(m_prompts.messages.isEmpty());
}

void tst_Customize::transparencySwitch()
{
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    QCheckBox* trans = child<QCheckBox>("ch_Trans");
    QTest::mouseClick(trans, Qt::LeftButton);
    QVERIFY(!trans->isChecked());
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 255, 250));
    QCOMPARE(boxes(), QStringLiteral("10,20,30")); // the boxes keep their text
    for (const char* box : { "txt_Color_0", "txt_Color_1", "txt_Color_2" })
        QVERIFY(!child<QLineEdit>(box)->isEnabled());
    QTest::mouseClick(trans, Qt::LeftButton);
    QVERIFY(trans->isChecked());
    QCOMPARE(m_dialog->swatchColour(), RGB(255, 255, 250));
    for (const char* box : { "txt_Color_0", "txt_Color_1", "txt_Color_2" })
        QVERIFY(child<QLineEdit>(box)->isEnabled());
}

void tst_Customize::folderChooser_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("changes");
    QTest::newRow("a folder replaces the text") << "/some/where" << true;
    QTest::newRow("cancelled leaves the text") << "" << false;
    QTest::newRow("cut at the first NUL") << QStringLiteral("/x/y") + QChar(0) + QStringLiteral("junk") << true;
}

void tst_Customize::folderChooser()
{
    QFETCH(QString, answer);
    QFETCH(bool, changes);
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    m_prompts.folderAnswers.enqueue(answer);
    QTest::mouseClick(child<QPushButton>("Command3"), Qt::LeftButton);
    QCOMPARE(m_prompts.folderTitles, QStringList { "Select a folder, all the icons will be saved here:" });
    QCOMPARE(m_dialog->txt_Path()->text(), changes ? answer.section(QChar(0), 0, 0) : m_out->path());
}

void tst_Customize::back()
{
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!m_dialog->isVisible());
    QVERIFY(QDir(m_out->path()).entryList(QDir::Files).isEmpty());
}

void tst_Customize::invalidFirstPicture()
{
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("broken.jpg")), "not a picture at all"));
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("fine.bmp"));
    std::vector<PictureRow> rows { { QStringLiteral("broken.jpg"), m_dir->path() },
        { QStringLiteral("fine.bmp"), m_dir->path() } };
    m_dialog = std::make_unique<frm_Customize>(m_prompts, rows);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    m_dialog->show();
    QVERIFY(finished.wait(5000));
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text, QStringLiteral("The image you have added: 'broken.jpg' is invalid !"));
    QCOMPARE(m_prompts.messages[0].title, QStringLiteral("Wrong image"));
    QCOMPARE(m_prompts.messages[0].icon, MsgIcon::Exclamation);
    QCOMPARE(m_prompts.messages[0].buttons, MsgButtons::Ok);
    QVERIFY(!m_dialog->isVisible());
}

void tst_Customize::missingFirstPicture_data()
{
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<bool>("goesOn");
    QTest::newRow("Ignore: 32x32 and the rest of the activation") << MsgAnswer::Ignore << true;
    QTest::newRow("Abort: activation left at once") << MsgAnswer::Abort << false;
}

void tst_Customize::missingFirstPicture()
{
    QFETCH(MsgAnswer, answer);
    QFETCH(bool, goesOn);
    nIconSize = 48;
    m_prompts.answers.enqueue(answer);
    open({ QStringLiteral("gone.bmp") });
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].title, QStringLiteral("Error"));
    QCOMPARE(m_prompts.messages[0].buttons, MsgButtons::AbortRetryIgnore);
    QVERIFY(m_dialog->isVisible()); // only an invalid picture closes the dialog
    QCOMPARE(nIconSize, 32); // the first step ran before the failure either way
    QCOMPARE(boxes(), goesOn ? QStringLiteral("255,255,255") : QStringLiteral("0,0,0"));
    QFile log(mdl_ErrorHandle::lastLogPath());
    QVERIFY(log.open(QIODevice::ReadOnly));
    QVERIFY(
        QString::fromLocal8Bit(log.readAll()).contains(frm_Customize::ActivateLocationCode + QStringLiteral(":2:53")));
}

void tst_Customize::saveOnePicture_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("size");
    QTest::newRow("100x80 at 48x48") << "s3" << 48;
    QTest::newRow("100x80 at 16x16") << "s1" << 16;
}

void tst_Customize::saveOnePicture()
{
    QFETCH(QString, option);
    QFETCH(int, size);
    const QImage picture = patternPicture(100, 80, qRgb(255, 0, 255));
    save(picture, QStringLiteral("photo.jpeg.bmp"));
    open({ QStringLiteral("photo.jpeg.bmp") });
    QTest::mouseClick(m_dialog->findChild<QRadioButton*>(option), Qt::LeftButton);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toInt(), int(QDialog::Accepted));
    QVERIFY(m_prompts.messages.isEmpty());
    const QString icon = m_out->filePath(QStringLiteral("photo.jpeg.ico"));
    QCOMPARE(icotoolList(icon), expectedIcotoolLine(size, 24));
    const QString diff = firstDifference(
        decodeWithImageMagick(icon, size), expectedIcon(picture, size, qRgb(255, 0, 255), qRgb(255, 0, 255)));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void tst_Customize::saveMissingFolder()
{
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("p.bmp"));
    open({ QStringLiteral("p.bmp") });
    m_dialog->txt_Path()->setText(m_out->filePath(QStringLiteral("missing")));
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].text, QStringLiteral("That folder is invalid !"));
    QVERIFY(m_dialog->isVisible());
    QVERIFY(QDir(m_out->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

void tst_Customize::saveSeveral()
{
    const QList<int> widths { 16, 20, 40, 64 };
    const QList<int> sizes { 16, 32, 48, 48 };
    QStringList names;
    for (int i = 0; i < widths.size(); ++i) {
        names.append(QStringLiteral("s%1.bmp").arg(i));
        save(patternPicture(widths[i], 20, qRgb(i * 10, 0, 255), i), names.last());
    }
    open(names);
    auto* progress = child<QProgressBar>("prg_Batch");
    QVERIFY(progress->isHidden());
    QStringList shown;
    QList<int> previewWidths;
    QList<bool> previewEnabled;
    connect(progress, &QProgressBar::valueChanged, this, [&](int v) {
        if (v <= 0)
            return;
        shown.append(progress->text());
        previewWidths.append(m_dialog->preview().picture().width());
        previewEnabled.append(m_dialog->pic_Hdc()->isEnabled() && progress->isVisible());
    });
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(shown, (QStringList { "1 of 4", "2 of 4", "3 of 4", "4 of 4" }));
    QCOMPARE(previewWidths, widths);
    QCOMPARE(previewEnabled, (QList<bool> { true, true, true, true }));
    QVERIFY(!m_dialog->pic_Hdc()->isEnabled()); // disabled again after the run
    for (int i = 0; i < widths.size(); ++i)
        QCOMPARE(icotoolList(m_out->filePath(QStringLiteral("s%1.ico").arg(i))), expectedIcotoolLine(sizes[i], 24));
    // The swatch keeps the last picture's top-left colour.
    QCOMPARE(m_dialog->swatchColour(), RGB(30, 0, 255));
    QCOMPARE(nIconSize, 48);
}

void tst_Customize::saveSeveralStopped()
{
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("a.bmp"));
    QVERIFY(writeFile(m_dir->filePath(QStringLiteral("b.bmp")), "garbage"));
    save(patternPicture(20, 20, qRgb(10, 20, 30)), QStringLiteral("c.bmp"));
    open({ QStringLiteral("a.bmp"), QStringLiteral("b.bmp"), QStringLiteral("c.bmp") });
    m_prompts.answers.enqueue(MsgAnswer::No);
    QSignalSpy finished(m_dialog.get(), &QDialog::finished);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(m_prompts.messages.size(), 1);
    QCOMPARE(m_prompts.messages[0].buttons, MsgButtons::YesNo);
    QCOMPARE(QDir(m_out->path()).entryList({ "*.ico" }, QDir::Files), QStringList { "a.ico" });
}

QTEST_MAIN(tst_Customize)
#include "tst_customize.moc"
