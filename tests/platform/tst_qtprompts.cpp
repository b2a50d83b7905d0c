#include "platform/widgets/QtPrompts.h"
#include "support/PlainFiles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace brevane;

namespace {
// Waits for the next modal window to come up, hands it to the script, and stops waiting
// once the window has gone.
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
}

class tst_QtPrompts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void messageAnswer();
    void chooseFile_data();
    void chooseFile();
};

void tst_QtPrompts::messageAnswer()
{
    QString seen;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        seen = box->windowTitle() + QLatin1Char('|') + box->text();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == QLatin1String("&Retry"))
                button->click();
        }
    });
    QCOMPARE(QtPrompts().message(
                 QStringLiteral("Something happened"), QString(), MsgIcon::Critical, MsgButtons::AbortRetryIgnore),
        MsgAnswer::Retry);
    QCOMPARE(seen, QStringLiteral("Brevane|Something happened"));
}

void tst_QtPrompts::chooseFile_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("typed"); // empty: cancel
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("result"); // "@" stands for the folder, '#' for NUL
    const int open = int(FileChooserRequest::Mode::Open), multiple = int(FileChooserRequest::Mode::OpenMultiple);
    QTest::newRow("one file") << open << "a.bmp" << 1 << true << "@/a.bmp";
    QTest::newRow("two files of a multiple selection")
        << multiple << "\"a.bmp\" \"B.gif\"" << 2 << true << "@#a.bmp#B.gif##";
    QTest::newRow("save gets the default suffix")
        << int(FileChooserRequest::Mode::Save) << "new" << 1 << true << "@/new.ico";
    QTest::newRow("cancelled") << open << QString() << 1 << false << QString();
}

void tst_QtPrompts::chooseFile()
{
    QFETCH(int, mode);
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(bool, accepted);
    QFETCH(QString, result);
    QTemporaryDir dir;
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("a.bmp")), {}));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("B.gif")), {}));
    QStringList filters;
    QString title;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        title = dialog->windowTitle();
        if (typed.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectNameFilter(filters.value(filter - 1));
        dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    FileChooserRequest request;
    request.mode = FileChooserRequest::Mode(mode);
    request.title = QStringLiteral("Browse for files...");
    request.filterPairs = QStringList { QStringLiteral("Pictures"), QStringLiteral("*.bmp;*.gif;"),
        QStringLiteral("All file types (*.*)"), QStringLiteral("*.*") };
    request.initialDir = dir.path();
    request.defaultSuffix = QStringLiteral("ico");
    QtPrompts prompts;
    const FileChooserResult chosen = prompts.chooseFile(request);

    QCOMPARE(title, QStringLiteral("Browse for files..."));
    QCOMPARE(filters,
        (QStringList { QStringLiteral("Pictures (*.bmp *.gif)"), QStringLiteral("All file types (*.*) (*)") }));
    QCOMPARE(chosen.accepted, accepted);
    QString expected = test::nuls(result);
    expected.replace(QLatin1Char('@'), QDir::toNativeSeparators(dir.path()));
    QCOMPARE(chosen.resultText, expected);
    if (accepted)
        QCOMPARE(chosen.filterIndex, filter);
}

QTEST_MAIN(tst_QtPrompts)
#include "tst_qtprompts.moc"
