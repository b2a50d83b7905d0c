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
    void nameFilters_data();
    void nameFilters();
    void resultText_data();
    void resultText();
    void externalUrl_data();
    void externalUrl();
    void settingsRoundTrip();
    void messageAnswers_data();
    void messageAnswers();
    void chooseFile_data();
    void chooseFile();
};

void tst_QtPrompts::nameFilters_data()
{
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<QStringList>("filters");
    QTest::newRow("pictures with a trailing semicolon, then all files")
        << QStringList { "All picture files", "*.bmp;*.dib;*.gif;", "All file types (*.*)", "*.*" }
        << QStringList { "All picture files (*.bmp *.dib *.gif)", "All file types (*.*) (*)" };
    QTest::newRow("pair without patterns is left out")
        << QStringList { "Nothing", ";", "Icons", "*.ico" } << QStringList { "Icons (*.ico)" };
    QTest::newRow("unpaired description is left out") << QStringList { "Drive C" } << QStringList {};
}

void tst_QtPrompts::nameFilters()
{
    QFETCH(QStringList, pairs);
    QFETCH(QStringList, filters);
    QCOMPARE(QtPrompts::nameFilters(pairs), filters);
}

void tst_QtPrompts::resultText_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("text"); // '#' stands for NUL
    QTest::newRow("nothing") << QStringList {} << QString();
    QTest::newRow("one file: its full path") << QStringList { "/tmp/Pics/a.bmp" } << "/tmp/Pics/a.bmp";
    QTest::newRow("two files: folder, names, two NULs")
        << QStringList { "/tmp/Pics/a.bmp", "/tmp/Pics/B.gif" } << "/tmp/Pics#a.bmp#B.gif##";
    QTest::newRow("two files at the root") << QStringList { "/a.bmp", "/b.bmp" } << "/#a.bmp#b.bmp##";
}

void tst_QtPrompts::resultText()
{
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    QCOMPARE(QtPrompts::resultText(files), test::nuls(text));
}

void tst_QtPrompts::externalUrl_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url");
    QTest::newRow("bare host") << "brevane.example.org"
                               << "https://brevane.example.org";
    QTest::newRow("mail address") << "mailto:brevane@example.org"
                                  << "mailto:brevane@example.org";
    QTest::newRow("web address with scheme") << "http://example.org/x"
                                             << "http://example.org/x";
    QTest::newRow("absolute path") << "/tmp/a b.txt"
                                   << "file:///tmp/a b.txt";
    QTest::newRow("empty") << QString() << QString();
}

void tst_QtPrompts::externalUrl()
{
    QFETCH(QString, target);
    QFETCH(QString, url);
    QCOMPARE(QtPrompts::externalUrl(target), url);
}

void tst_QtPrompts::settingsRoundTrip()
{
    const QString section = QStringLiteral("Options"), key = QStringLiteral("Show Tips at Startup");
    QtPrompts prompts;
    for (const QString& value : { QStringLiteral("0"), QStringLiteral("1") }) {
        prompts.setSetting(section, key, value);
        QCOMPARE(QtPrompts().setting(section, key, QStringLiteral("9")), value);
    }
    QCOMPARE(
        prompts.setting(section, QStringLiteral("Missing"), QStringLiteral("fallback")), QStringLiteral("fallback"));
}

void tst_QtPrompts::messageAnswers_data()
{
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("pressed"); // a QMessageBox::StandardButton
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("abort") << MsgButtons::AbortRetryIgnore << "Error" << int(QMessageBox::Abort) << MsgAnswer::Abort
                           << "Error";
    QTest::newRow("retry") << MsgButtons::AbortRetryIgnore << "Error" << int(QMessageBox::Retry) << MsgAnswer::Retry
                           << "Error";
    QTest::newRow("ignore") << MsgButtons::AbortRetryIgnore << "Error" << int(QMessageBox::Ignore) << MsgAnswer::Ignore
                            << "Error";
    QTest::newRow("no, without a title") << MsgButtons::YesNo << QString() << int(QMessageBox::No) << MsgAnswer::No
                                         << "Brevane";
}

void tst_QtPrompts::messageAnswers()
{
    QFETCH(MsgButtons, buttons);
    QFETCH(QString, title);
    QFETCH(int, pressed);
    QFETCH(MsgAnswer, answer);
    QFETCH(QString, shownTitle);
    QString seenTitle;
    QString seenText;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        seenTitle = box->windowTitle();
        seenText = box->text();
        box->button(QMessageBox::StandardButton(pressed))->click();
    });
    QtPrompts prompts;
    QCOMPARE(prompts.message(QStringLiteral("Something happened"), title, MsgIcon::Critical, buttons), answer);
    QCOMPARE(seenTitle, shownTitle);
    QCOMPARE(seenText, QStringLiteral("Something happened"));
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
    QTest::newRow("one file of a multiple selection") << multiple << "B.gif" << 2 << true << "@/B.gif";
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
