#include "platform/widgets/QtPrompts.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTest>

using namespace brevane;

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
    QTest::newRow("pair without patterns is left out")
        << QStringList { QStringLiteral("Nothing"), QStringLiteral(";"), QStringLiteral("Icons"), QStringLiteral("*.ico") }
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
    QTest::newRow("one file: its full path") << QStringList { QStringLiteral("/tmp/Pics/a.bmp") }
                                             << QStringLiteral("/tmp/Pics/a.bmp");
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
    QTest::newRow("bare host") << QStringLiteral("brevane.example.org") << QStringLiteral("https://brevane.example.org");
    QTest::newRow("mail address") << QStringLiteral("mailto:brevane@example.org")
                                  << QStringLiteral("mailto:brevane@example.org");
    QTest::newRow("web address with scheme") << QStringLiteral("http://example.org/x")
                                             << QStringLiteral("http://example.org/x");
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

QTEST_MAIN(tst_QtPrompts)
#include "tst_qtprompts.moc"
