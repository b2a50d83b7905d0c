#include "shell/MainWindow.h"
#include "platform/ErrorLog.h"
#include "shell/FileListView.h"
#include "shell/LaunchArguments.h"
#include "shell/Startup.h"
#include "shell/TaskPane.h"
#include "shell/TipsDialog.h"
#include "shell/WindowMenu.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
#include <QUrl>

using namespace brevane;

class tst_MainWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init();

    void addPictures_data();
    void addPictures();
    void removeRows();
    void go();
    void pathTooltip_data();
    void pathTooltip();
    void alwaysOnTopKeepsTheNativeWindow();
    void tips_data();
    void tips();
    void version();
    void startsWithPictures();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<test::ScriptedPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_form;
};

void tst_MainWindow::init()
{
    m_form.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QFile::copy(QStringLiteral(BREVANE_BINARY_DIR "/files.gif"), m_dir->filePath(QStringLiteral("files.gif"))));
    ErrorLog::setProgramFolder(m_dir->path());
    m_prompts = std::make_unique<test::ScriptedPrompts>();
    m_prompts->settings.insert(QStringLiteral("Options/Show Tips at Startup"), QStringLiteral("0"));
    m_form = std::make_unique<MainWindow>(*m_prompts);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void tst_MainWindow::addPictures_data()
{
    QTest::addColumn<QString>("chosen"); // '#' for NUL; "DROP": one.GIF and the folder dropped
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folderTag");
    QTest::addColumn<int>("icon");
    QTest::newRow("drive path, JPG") << "C:\\Pics\\Photo.JPG" << "Photo.JPG" << "C:\\Pics" << 6;
    QTest::newRow("cursor") << "/t/Icon.cur" << "Icon.cur" << "/t" << 5;
    QTest::newRow("bitmap, mixed case") << "/t/x.Bmp" << "x.Bmp" << "/t" << 1;
    QTest::newRow("jpeg has four letters: other") << "/t/p.jpeg" << "p.jpeg" << "/t" << 7;
    QTest::newRow("several, twice: folder case and duplicates kept") << "/t/Art#A.gif#B.png##" << "A.gif,B.png,A.gif,B.png"
                                                                     << "/t/Art" << 4;
    QTest::newRow("dropped: the folder is left out") << "DROP" << "One.GIF" << "" << 4;
}

void tst_MainWindow::addPictures()
{
    QFETCH(QString, chosen);
    QFETCH(QString, text);
    QFETCH(QString, folderTag);
    QFETCH(int, icon);
    if (chosen == QLatin1String("DROP")) {
        const QString file = m_dir->filePath(QStringLiteral("One.GIF"));
        folderTag = QDir::toNativeSeparators(m_dir->path());
        QVERIFY(test::writeFile(file, {}));
        QMimeData data;
        data.setUrls({ QUrl::fromLocalFile(file), QUrl::fromLocalFile(m_dir->path()) });
        QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_form->fileList->viewport(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(30, 30), Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(m_form->fileList->viewport(), &drop);
    } else
        for (int i = chosen.contains('#') ? 2 : 1; i > 0; --i) {
            m_prompts->answerFile(test::nuls(chosen));
            m_form->addPictures();
        }
    QList<PictureRow> rows;
    for (const QString& t : text.split(','))
        rows.append({ t, folderTag });
    QCOMPARE(m_form->rows(), rows);
    QCOMPARE(m_form->rowPathColumn(1), folderTag);
    QCOMPARE(m_form->rowIcon(1), icon);
}

// Rows 1 and 3 by the Delete key.
void tst_MainWindow::removeRows()
{
    for (int i = 1; i <= 3; ++i)
        m_form->addRow(QStringLiteral("%1.bmp").arg(i), QStringLiteral("/p"));
    m_form->fileList->clearSelection();
    for (int row : { 0, 2 })
        m_form->fileList->selectionModel()->select(
            m_form->fileList->model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    m_form->fileList->setFocus();
    QTest::keyClick(m_form->fileList, Qt::Key_Delete);
    QCOMPARE(m_form->rows(), (QList<PictureRow> { { QStringLiteral("2.bmp"), QStringLiteral("/p") } }));
}

// GO hands the first row's folder on; the preview only for one picture (the rest: tst_keyboard).
void tst_MainWindow::go()
{
    for (int rows = 1; rows <= 2; ++rows) {
        m_form->addRow(QStringLiteral("p%1.bmp").arg(rows), QStringLiteral("/Pictures%1").arg(rows));
        QStringList modals;
        QString path;
        bool preview = false;
        m_form->runModal = [&](QDialog& dialog) {
            modals.append(dialog.objectName());
            path = dialog.findChild<QLineEdit*>(QStringLiteral("txt_Path"))->text();
            preview = dialog.findChild<QWidget*>(QStringLiteral("pic_Hdc"))->isEnabled();
        };
        QTest::mouseClick(m_form->taskPane->item(QStringLiteral("GO")), Qt::LeftButton);
        QCOMPARE(modals, QStringList { QStringLiteral("frm_Customize") });
        QCOMPARE(path, QStringLiteral("/Pictures1"));
        QCOMPARE(preview, rows == 1);
    }
    QVERIFY(m_prompts->messages.isEmpty());
}

void tst_MainWindow::pathTooltip_data()
{
    QTest::addColumn<int>("columnWidth");
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("tooltip");
    // The list is 253 pixels wide and its name column 180: 300 pixels of Path reach past its edge.
    QTest::newRow("wide column, cut by the list's edge") << 300 << "/pictures/of/the/year/2024" << true;
    QTest::newRow("wide column, short path") << 300 << "/p" << false;
    QTest::newRow("narrow column") << 40 << "/pictures" << true;
}

void tst_MainWindow::pathTooltip()
{
    QFETCH(int, columnWidth);
    QFETCH(QString, path);
    QFETCH(bool, tooltip);
    m_form->addRow(QStringLiteral("a.bmp"), path);
    m_form->fileList->setColumnWidth(1, columnWidth);
    QToolTip::hideText();
    QWidget* viewport = m_form->fileList->viewport();
    const QRect cell = m_form->fileList->visualItemRect(m_form->fileList->item(0, 1)).intersected(viewport->rect());
    QHelpEvent help(QEvent::ToolTip, cell.topLeft() + QPoint(4, 4), viewport->mapToGlobal(cell.topLeft()));
    QApplication::sendEvent(viewport, &help);
    QCOMPARE(QToolTip::isVisible() ? QToolTip::text() : QString(), tooltip ? path : QString());
    QToolTip::hideText();
}

void tst_MainWindow::alwaysOnTopKeepsTheNativeWindow()
{
    const WId id = m_form->winId();
    const QRect before = m_form->geometry();
    QWindow* native = m_form->windowHandle();
    QAction* onTop = m_form->windowMenu().action(WindowMenu::AlwaysOnTopCommand);
    for (bool expected : { true, false }) {
        onTop->trigger();
        QCOMPARE(onTop->isChecked(), expected);
        QCOMPARE(m_form->windowHandle(), native);
        QCOMPARE(m_form->winId(), id);
        QCOMPARE(native->flags().testFlag(Qt::WindowStaysOnTopHint), expected);
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_form->geometry(), before);
    }
}

void tst_MainWindow::tips_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: none
    QTest::addColumn<QStringList>("seen"); // the first tip, one per "&Next Tip", then the next window's
    QTest::newRow("three tips, three presses")
        << QByteArray("one\r\ntwo\r\nthree\r\n") << QStringList { "one", "two", "three", "one", "two" };
    QTest::newRow("an empty line is an empty tip")
        << QByteArray("one\r\n\r\nthree") << QStringList { "one", "", "three", "one", "" };
    QTest::newRow("no tips file")
        << QByteArray() << QStringList { "That the tips.txt file was not found? \r\n\r\nCreate a text file named tips.txt "
                                         "using NotePad with 1 tip per line. Then place it in the same directory as the "
                                         "application. " };
}

void tst_MainWindow::tips()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, seen);
    if (!file.isEmpty())
        QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("tips.txt")), file));
    test::ScriptedPrompts prompts;
    TipList list;
    QStringList shown;
    {
        TipsDialog tips(prompts, list);
        QVERIFY(tips.prepare());
        shown << tips.tipText->text();
        while (shown.size() < seen.size() - 1) {
            QTest::mouseClick(tips.nextTipButton, Qt::LeftButton);
            shown << tips.tipText->text();
        }
    }
    if (seen.size() > 1) {
        TipsDialog again(prompts, list); // goes on where the last one stopped
        QVERIFY(again.prepare());
        shown << again.tipText->text();
    }
    QCOMPARE(shown, seen);
}

// No display at all: the version must not need a window system.
void tst_MainWindow::version()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        env.remove(QString::fromLatin1(name));
    for (const QString program : { "brevane", "brevane-cli" }) {
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(BREVANE_BINARY_DIR "/") + program, { QStringLiteral("--version") });
        QVERIFY(p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()), program + QStringLiteral(" " BREVANE_VERSION "\n"));
    }
}

// Pictures in the order given; a missing file and a folder reported and skipped.
void tst_MainWindow::startsWithPictures()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("sub")));
    QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("one.gif")), "GIF89a"));
    QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("sub/two.png")), "png"));
    QDir::setCurrent(m_dir->path());
    QString errText;
    QTextStream err(&errText);
    const auto pictures = LaunchArguments::pictures({ "brevane", "sub/two.png", "gone.bmp", "one.gif", "sub" }, err);
    err.flush();
    QVERIFY(pictures);
    m_form.reset();
    Startup::showMainWindow(*m_prompts, *pictures);
    MainWindow* form = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        form = form ? form : qobject_cast<MainWindow*>(w);
    QVERIFY(form && form->isVisible());
    QStringList texts;
    for (const PictureRow& row : form->rows())
        texts.append(QFileInfo::exists(row.fullPath()) ? row.text : QStringLiteral("missing ") + row.text);
    delete form;
    QCOMPARE(texts, QStringList({ "two.png", "one.gif" }));
    const QStringList lines = errText.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains("gone.bmp: no such file") && lines[1].contains("sub: not a file"), qPrintable(errText));
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
