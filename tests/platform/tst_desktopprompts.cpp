#include "platform/widgets/QtPrompts.h"
#include "support/PlainFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>

using namespace brevane;

namespace {
// Hands the next modal window of the given kind to the script once it is up.
template <typename Window> void whenModal(std::function<void(Window*)> script)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, script] {
        if (auto* window = qobject_cast<Window*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            script(window);
        }
    });
    timer->start();
}

// The box's buttons from left to right.
QStringList buttonsLeftToRight(QMessageBox* box, QString& defaultText)
{
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [box](QAbstractButton* a, QAbstractButton* b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    QStringList texts;
    for (QAbstractButton* button : buttons) {
        texts.append(button->text());
        if (auto* push = qobject_cast<QPushButton*>(button); push && push->isDefault())
            defaultText = button->text();
    }
    return texts;
}
}

// What the desktop's own boxes and choosers show; the logic behind them is tested through
// the scripted prompts elsewhere.
class tst_DesktopPrompts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void messageBox_data();
    void messageBox();
    void filterDescriptionsAsGiven();
    void chooseFile_data();
    void chooseFile();
    void typedNames_data();
    void typedNames();
};

void tst_DesktopPrompts::messageBox_data()
{
    QTest::addColumn<int>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("defaultButton");
    QTest::addColumn<QKeySequence>("pressed");
    QTest::addColumn<int>("answer");
    const QStringList report { "&Abort", "&Retry", "&Ignore" };
    QTest::newRow("error report, Alt+I ignores") << int(MsgButtons::AbortRetryIgnore) << "Error" << report << "&Abort"
                                                 << QKeySequence(Qt::ALT | Qt::Key_I) << int(MsgAnswer::Ignore);
    QTest::newRow("error report, Alt+R retries") << int(MsgButtons::AbortRetryIgnore) << "Error" << report << "&Abort"
                                                 << QKeySequence(Qt::ALT | Qt::Key_R) << int(MsgAnswer::Retry);
    QTest::newRow("error report, Enter aborts") << int(MsgButtons::AbortRetryIgnore) << "Error" << report << "&Abort"
                                                << QKeySequence(Qt::Key_Return) << int(MsgAnswer::Abort);
    QTest::newRow("question, Alt+N") << int(MsgButtons::YesNo) << "Cancel" << QStringList { "&Yes", "&No" } << "&Yes"
                                     << QKeySequence(Qt::ALT | Qt::Key_N) << int(MsgAnswer::No);
    QTest::newRow("question, Esc is No") << int(MsgButtons::YesNo) << "Cancel" << QStringList { "&Yes", "&No" }
                                         << "&Yes" << QKeySequence(Qt::Key_Escape) << int(MsgAnswer::No);
    QTest::newRow("three answers, Esc cancels")
        << int(MsgButtons::YesNoCancel) << "" << QStringList { "&Yes", "&No", "Cancel" } << "&Yes"
        << QKeySequence(Qt::Key_Escape) << int(MsgAnswer::Cancel);
    QTest::newRow("note, Esc is OK") << int(MsgButtons::Ok) << "Wrong image" << QStringList { "OK" } << "OK"
                                     << QKeySequence(Qt::Key_Escape) << int(MsgAnswer::Ok);
}

void tst_DesktopPrompts::messageBox()
{
    QFETCH(int, buttons);
    QFETCH(QString, title);
    QFETCH(QStringList, shown);
    QFETCH(QString, defaultButton);
    QFETCH(QKeySequence, pressed);
    QFETCH(int, answer);
    QString caption, seenDefault;
    QStringList seen;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        caption = box->windowTitle();
        seen = buttonsLeftToRight(box, seenDefault);
        box->activateWindow(); // access keys work in the active window only
        if (QTest::qWaitForWindowActive(box))
            QTest::keySequence(box, pressed);
        // An access key clicks after a short animation.
        if (!QTest::qWaitFor([box] { return !box->isVisible(); }, 2000))
            box->reject(); // the key did nothing: end here rather than hang
    });
    const MsgAnswer got = QtPrompts().message(QStringLiteral("Text"), title, MsgIcon::Critical, MsgButtons(buttons));
    QCOMPARE(caption, title.isEmpty() ? QStringLiteral("Brevane") : title);
    QCOMPARE(seen, shown);
    QCOMPARE(seenDefault, defaultButton);
    QCOMPARE(int(got), answer);
}

void tst_DesktopPrompts::filterDescriptionsAsGiven()
{
    QStringList offered;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        const auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        for (int i = 0; types && i < types->count(); ++i)
            offered.append(types->itemText(i));
        dialog->reject();
    });
    FileChooserRequest request;
    request.filterPairs = QStringList { "All picture files", "*.bmp;*.png;", "Icon file (*.ico)", "*.ico",
        "All file types (*.*)", "*.*" };
    QtPrompts().chooseFile(request);
    QCOMPARE(offered, (QStringList { "All picture files", "Icon file (*.ico)", "All file types (*.*)" }));
}

void tst_DesktopPrompts::chooseFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("typed"); // empty: cancel
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("result"); // "@" stands for the folder; empty: not accepted
    const int open = int(FileChooserRequest::Mode::Open);
    QTest::newRow("one file, second filter") << open << "a.bmp" << 2 << "@/a.bmp";
    QTest::newRow("save gets the default suffix") << int(FileChooserRequest::Mode::Save) << "new" << 1 << "@/new.ico";
    QTest::newRow("cancelled") << open << QString() << 1 << QString();
}

void tst_DesktopPrompts::chooseFile()
{
    QFETCH(int, mode);
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(QString, result);
    QTemporaryDir dir;
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("a.bmp")), {}));
    QStringList filters;
    QString title;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        title = dialog->windowTitle();
        if (typed.isEmpty())
            return dialog->reject();
        dialog->selectNameFilter(filters.value(filter - 1));
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    FileChooserRequest request;
    request.mode = FileChooserRequest::Mode(mode);
    request.title = QStringLiteral("Browse for files...");
    request.filterPairs = QStringList { "Pictures", "*.bmp;*.gif;", "All file types (*.*)", "*.*" };
    request.initialDir = dir.path();
    request.defaultSuffix = QStringLiteral("ico");
    const FileChooserResult chosen = QtPrompts().chooseFile(request);
    QCOMPARE(title, request.title);
    QCOMPARE(filters, (QStringList { "Pictures (*.bmp *.gif)", "All file types (*.*) (*)" }));
    QCOMPARE(chosen.accepted, !result.isEmpty());
    QCOMPARE(chosen.resultText, result.replace(QLatin1Char('@'), QDir::toNativeSeparators(dir.path())));
    if (chosen.accepted)
        QCOMPARE(chosen.filterIndex, filter);
}

void tst_DesktopPrompts::typedNames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("result"); // '@' the folder, '#' NUL; empty: still open
    QTest::addColumn<QString>("message"); // empty: none
    const QString notFound
        = QStringLiteral("gone.gif\nFile not found.\nPlease verify the correct file name was given.");
    QTest::newRow("one the filter hides, among others") << "\"a.bmp\" \"b.png\" \"c.jpg\""
                                                        << "@#a.bmp#b.png#c.jpg##"
                                                        << "";
    QTest::newRow("a missing one is named, the rest kept") << "\"a.bmp\" \"gone.gif\""
                                                           << "@/a.bmp" << notFound;
    QTest::newRow("only missing ones: the chooser stays") << "gone.gif"
                                                          << "" << notFound;
}

void tst_DesktopPrompts::typedNames()
{
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(QString, message);
    QTemporaryDir dir;
    for (const char* name : { "a.bmp", "b.png", "c.jpg" })
        QVERIFY(test::writeFile(dir.filePath(QLatin1String(name)), {}));
    QString shownMessage;
    bool stayedOpen = false;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        whenModal<QMessageBox>([&](QMessageBox* box) {
            shownMessage = box->windowTitle() + QLatin1Char('|') + box->text();
            box->buttons().first()->click();
        });
        // Typed as a user does, into the focused name box: the dialog then leaves the text as
        // it is, whatever the list selects to match it.
        auto* nameBox = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        dialog->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        nameBox->setFocus();
        QTRY_VERIFY(nameBox->hasFocus());
        auto* list = dialog->findChild<QListView*>(QStringLiteral("listView"));
        QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 2); // the filter hides b.png
        nameBox->setText(typed); // the list selects the names it shows
        QMetaObject::invokeMethod(dialog, "accept");
        stayedOpen = dialog->isVisible();
        if (stayedOpen)
            dialog->reject();
    });
    FileChooserRequest request;
    request.mode = FileChooserRequest::Mode::OpenMultiple;
    request.title = QStringLiteral("Browse for files...");
    request.filterPairs = QStringList { "All picture files", "*.bmp;*.jpg;" };
    request.initialDir = dir.path();
    request.fileMustExist = true;
    const FileChooserResult chosen = QtPrompts().chooseFile(request);

    QCOMPARE(shownMessage, message.isEmpty() ? QString() : QStringLiteral("Browse for files...|") + message);
    QCOMPARE(stayedOpen, result.isEmpty());
    QCOMPARE(chosen.accepted, !result.isEmpty());
    result.replace(QLatin1Char('@'), QDir::toNativeSeparators(dir.path()));
    QCOMPARE(chosen.resultText, test::nuls(result));
}

QTEST_MAIN(tst_DesktopPrompts)
#include "tst_desktopprompts.moc"
