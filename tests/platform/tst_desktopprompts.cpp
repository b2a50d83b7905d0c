#include "platform/widgets/QtPrompts.h"
#include "support/PlainFiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtWidgets>

#include <algorithm>
#include <functional>

using namespace brevane;

namespace {
// Hands the next modal window of the given kind to the script once it is up.
template <typename Window> void whenModal(std::function<void(Window*)> script)
{
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, script] {
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            script(window);
        }
    });
    timer->start(5);
}
}

// What the desktop's own boxes and choosers show; the logic behind them is tested through
// the scripted prompts elsewhere.
class tst_DesktopPrompts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messageBox_data();
    void messageBox();
    void chooseFile_data();
    void chooseFile();
};

void tst_DesktopPrompts::messageBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("shown"); // left to right, the default first marked '*'
    QTest::addColumn<QKeySequence>("pressed");
    QTest::addColumn<int>("answer");
    const auto row = [](const char* name, MsgButtons buttons, const char* title, const char* shown, QKeySequence key,
                         MsgAnswer a) { QTest::newRow(name) << int(buttons) << title << shown << key << int(a); };
    const MsgButtons report = MsgButtons::AbortRetryIgnore;
    const char* reportShown = "*&Abort &Retry &Ignore";
    row("error report, Alt+I", report, "Error", reportShown, Qt::ALT | Qt::Key_I, MsgAnswer::Ignore);
    row("error report, Alt+R retries", report, "Error", reportShown, Qt::ALT | Qt::Key_R, MsgAnswer::Retry);
    row("error report, Enter", report, "Error", reportShown, Qt::Key_Return, MsgAnswer::Abort);
    row("question, Esc is No", MsgButtons::YesNo, "Cancel", "*&Yes &No", Qt::Key_Escape, MsgAnswer::No);
    row("three, Esc cancels", MsgButtons::YesNoCancel, "", "*&Yes &No Cancel", Qt::Key_Escape, MsgAnswer::Cancel);
}

void tst_DesktopPrompts::messageBox()
{
    QFETCH(int, buttons);
    QFETCH(QString, title);
    QFETCH(QString, shown);
    QFETCH(QKeySequence, pressed);
    QFETCH(int, answer);
    QString caption;
    QStringList seen;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        caption = box->windowTitle();
        QList<QAbstractButton*> buttons = box->buttons();
        std::sort(buttons.begin(), buttons.end(), [box](QAbstractButton* a, QAbstractButton* b) {
            return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
        });
        for (QAbstractButton* button : buttons)
            seen << (static_cast<QPushButton*>(button)->isDefault() ? "*" : "") + button->text();
        box->activateWindow(); // access keys work in the active window only
        if (QTest::qWaitForWindowActive(box))
            QTest::keySequence(box, pressed);
        // An access key clicks after a short animation; if it did nothing, end rather than hang.
        if (!QTest::qWaitFor([box] { return !box->isVisible(); }, 2000))
            box->reject();
    });
    const MsgAnswer got = QtPrompts().message(QStringLiteral("Text"), title, MsgIcon::Critical, MsgButtons(buttons));
    QCOMPARE(caption, title.isEmpty() ? QStringLiteral("Brevane") : title);
    QCOMPARE(seen.join(QLatin1Char(' ')), shown);
    QCOMPARE(int(got), answer);
}

void tst_DesktopPrompts::chooseFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("result"); // '@' the folder, '#' NUL; empty: not accepted
    QTest::addColumn<QString>("message"); // empty: none
    const int open = int(FileChooserRequest::Mode::Open), several = int(FileChooserRequest::Mode::OpenMultiple);
    const QString notFound = "gone.gif\nFile not found.\nPlease verify the correct file name was given.";
    QTest::newRow("one file, second filter") << open << "a.bmp" << 2 << "@/a.bmp" << "";
    QTest::newRow("save gets the default suffix") << int(FileChooserRequest::Mode::Save) << "new" << 1 << "@/new.ico"
                                                  << "";
    QTest::newRow("one the filter hides, among others") << several << "\"a.bmp\" \"b.png\" \"c.jpg\"" << 1
                                                        << "@#a.bmp#b.png#c.jpg##" << "";
    QTest::newRow("a missing one is named, the rest kept") << several << "\"a.bmp\" \"gone.gif\"" << 1 << "@/a.bmp"
                                                           << notFound;
    QTest::newRow("only missing ones: the chooser stays") << several << "gone.gif" << 1 << "" << notFound;
}

// Names are typed as a user does, into the focused name box: the dialog then leaves the text
// as it is, whatever the list selects to match it. The filters' descriptions are shown as given.
void tst_DesktopPrompts::chooseFile()
{
    QFETCH(int, mode);
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(QString, result);
    QFETCH(QString, message);
    QTemporaryDir dir;
    for (const char* name : { "a.bmp", "b.png", "c.jpg" })
        QVERIFY(test::writeFile(dir.filePath(QLatin1String(name)), {}));
    QStringList offered, filters;
    QString title, shownMessage;
    bool stayedOpen = false;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        if (!message.isEmpty())
            whenModal<QMessageBox>([&](QMessageBox* box) {
                shownMessage = box->windowTitle() + QLatin1Char('|') + box->text();
                box->buttons().first()->click();
            });
        const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i)
            offered.append(types->itemText(i));
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        dialog->selectNameFilter(filters.value(filter - 1));
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        nameBox->setFocus();
        QTRY_VERIFY(nameBox->hasFocus());
        auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), filter == 1 ? 2 : 3); // the first hides b.png
        nameBox->setText(typed);
        QMetaObject::invokeMethod(dialog, "accept");
        stayedOpen = dialog->isVisible();
        if (stayedOpen)
            dialog->reject();
    });
    const FileChooserRequest request { .mode = FileChooserRequest::Mode(mode), .title = "Browse for files...",
        .filterPairs = { "Pictures", "*.bmp;*.jpg;", "All file types (*.*)", "*.*" }, .filterIndex = 1,
        .initialDir = dir.path(), .initialName = {}, .fileMustExist = mode != int(FileChooserRequest::Mode::Save),
        .defaultSuffix = "ico" };
    const FileChooserResult chosen = QtPrompts().chooseFile(request);
    QCOMPARE(title, request.title);
    QCOMPARE(offered, (QStringList { "Pictures", "All file types (*.*)" }));
    QCOMPARE(filters, (QStringList { "Pictures (*.bmp *.jpg)", "All file types (*.*) (*)" }));
    QCOMPARE(shownMessage, message.isEmpty() ? QString() : "Browse for files...|" + message);
    QCOMPARE(stayedOpen, result.isEmpty());
    QCOMPARE(chosen.accepted, !result.isEmpty());
    QCOMPARE(chosen.resultText, test::nuls(result.replace(QLatin1Char('@'), QDir::toNativeSeparators(dir.path()))));
    QCOMPARE(chosen.accepted ? chosen.filterIndex : filter, filter);
}

QTEST_MAIN(tst_DesktopPrompts)
#include "tst_desktopprompts.moc"
