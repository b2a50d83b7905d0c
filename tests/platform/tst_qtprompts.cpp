#include "platform/widgets/QtPrompts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
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
    void initTestCase();
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
    void settingsName();
};

void tst_QtPrompts::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void tst_QtPrompts::nameFilters_data()
{
    QTest::addColumn<QStringList>("pairs");
    QTest::addColumn<QStringList>("filters");
    QTest::newRow("pictures with a trailing semicolon, then all files")
        << QStringList { QStringLiteral("All picture files"), QStringLiteral("*.bmp;*.dib;*.gif;"),
               QStringLiteral("All file types (*.*)"), QStringLiteral("*.*") }
        << QStringList { QStringLiteral("All picture files (*.bmp *.dib *.gif)"),
               QStringLiteral("All file types (*.*) (*)") };
    QTest::newRow("pair without patterns is left out") << QStringList { QStringLiteral("Nothing"), QStringLiteral(";"),
        QStringLiteral("Icons"), QStringLiteral("*.ico") }
                                                       << QStringList { QStringLiteral("Icons (*.ico)") };
    QTest::newRow("unpaired description is left out") << QStringList { QStringLiteral("Drive C") } << QStringList {};
}

void tst_QtPrompts::nameFilters()
{
    QFETCH(QStringList, pairs);
    QFETCH(QStringList, filters);
    QCOMPARE(QtPrompts::nameFilters(pairs), filters);
}

void tst_QtPrompts::resultText_data()
{
    const QChar nul(u'\0');
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing") << QStringList {} << QString();
    QTest::newRow("one file: its full path")
        << QStringList { QStringLiteral("/tmp/Pics/a.bmp") } << QStringLiteral("/tmp/Pics/a.bmp");
    QTest::newRow("two files: folder, names, two NULs")
        << QStringList { QStringLiteral("/tmp/Pics/a.bmp"), QStringLiteral("/tmp/Pics/B.gif") }
        << QStringLiteral("/tmp/Pics") + nul + QStringLiteral("a.bmp") + nul + QStringLiteral("B.gif") + nul + nul;
    QTest::newRow("two files at the root")
        << QStringList { QStringLiteral("/a.bmp"), QStringLiteral("/b.bmp") }
        << QStringLiteral("/") + nul + QStringLiteral("a.bmp") + nul + QStringLiteral("b.bmp") + nul + nul;
}

void tst_QtPrompts::resultText()
{
    QFETCH(QStringList, files);
    QFETCH(QString, text);
    QCOMPARE(QtPrompts::resultText(files), text);
}

void tst_QtPrompts::externalUrl_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("url");
    QTest::newRow("bare host") << QStringLiteral("brevane.example.org")
                               << QStringLiteral("https://brevane.example.org");
    QTest::newRow("mail address") << QStringLiteral("mailto:brevane@example.org")
                                  << QStringLiteral("mailto:brevane@example.org");
    QTest::newRow("web address with scheme")
        << QStringLiteral("http://example.org/x") << QStringLiteral("http://example.org/x");
    QTest::newRow("absolute path") << QStringLiteral("/tmp/a b.txt") << QStringLiteral("file:///tmp/a b.txt");
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
    QtPrompts prompts;
    prompts.setSetting(QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("0"));
    QCOMPARE(prompts.setting(QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("1")),
        QStringLiteral("0"));
    prompts.setSetting(QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("1"));
    QCOMPARE(prompts.setting(QStringLiteral("Options"), QStringLiteral("Show Tips at Startup"), QStringLiteral("9")),
        QStringLiteral("1"));
    QCOMPARE(prompts.setting(QStringLiteral("Options"), QStringLiteral("Missing"), QStringLiteral("fallback")),
        QStringLiteral("fallback"));
}

void tst_QtPrompts::settingsName()
{
    QCOMPARE(QtPrompts::settingsName(), QStringLiteral("tst_qtprompts"));
}

void tst_QtPrompts::messageAnswers_data()
{
    QTest::addColumn<MsgButtons>("buttons");
    QTest::addColumn<QString>("title");
    QTest::addColumn<int>("pressed"); // a QMessageBox::StandardButton, or 0 for Esc
    QTest::addColumn<MsgAnswer>("answer");
    QTest::addColumn<QString>("shownTitle");
    QTest::newRow("abort") << MsgButtons::AbortRetryIgnore << QStringLiteral("Error") << int(QMessageBox::Abort)
                           << MsgAnswer::Abort << QStringLiteral("Error");
    QTest::newRow("retry") << MsgButtons::AbortRetryIgnore << QStringLiteral("Error") << int(QMessageBox::Retry)
                           << MsgAnswer::Retry << QStringLiteral("Error");
    QTest::newRow("ignore") << MsgButtons::AbortRetryIgnore << QStringLiteral("Error") << int(QMessageBox::Ignore)
                            << MsgAnswer::Ignore << QStringLiteral("Error");
    QTest::newRow("ok without a title") << MsgButtons::Ok << QString() << int(QMessageBox::Ok) << MsgAnswer::Ok
                                        << QStringLiteral("Brevane");
    QTest::newRow("no") << MsgButtons::YesNo << QString() << int(QMessageBox::No) << MsgAnswer::No
                        << QStringLiteral("Brevane");
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
    const QChar nul(u'\0');
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("typed"); // empty: cancel
    QTest::addColumn<int>("filter");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("result"); // "@" stands for the folder
    QTest::newRow("one file") << int(FileChooserRequest::Mode::Open) << QStringLiteral("a.bmp") << 1 << true
                              << QStringLiteral("@/a.bmp");
    QTest::newRow("two files of a multiple selection")
        << int(FileChooserRequest::Mode::OpenMultiple) << QStringLiteral("\"a.bmp\" \"B.gif\"") << 2 << true
        << QStringLiteral("@") + nul + QStringLiteral("a.bmp") + nul + QStringLiteral("B.gif") + nul + nul;
    QTest::newRow("one file of a multiple selection")
        << int(FileChooserRequest::Mode::OpenMultiple) << QStringLiteral("B.gif") << 2 << true
        << QStringLiteral("@/B.gif");
    QTest::newRow("save gets the default suffix")
        << int(FileChooserRequest::Mode::Save) << QStringLiteral("new") << 1 << true << QStringLiteral("@/new.ico");
    QTest::newRow("cancelled") << int(FileChooserRequest::Mode::Open) << QString() << 1 << false << QString();
}

void tst_QtPrompts::chooseFile()
{
    QFETCH(int, mode);
    QFETCH(QString, typed);
    QFETCH(int, filter);
    QFETCH(bool, accepted);
    QFETCH(QString, result);
    QTemporaryDir dir;
    for (const char* name : { "a.bmp", "B.gif" }) {
        QFile file(dir.filePath(QLatin1String(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
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
    QString expected = result;
    expected.replace(QLatin1Char('@'), QDir::toNativeSeparators(dir.path()));
    QCOMPARE(chosen.resultText, expected);
    if (accepted)
        QCOMPARE(chosen.filterIndex, filter);
}

QTEST_MAIN(tst_QtPrompts)
#include "tst_qtprompts.moc"
