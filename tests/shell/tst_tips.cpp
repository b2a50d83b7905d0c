#include "shell/frm_Tips.h"
#include "platform/Error.h"
#include "platform/mdl_ErrorHandle.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {
const QString TipsKey = QStringLiteral("Options/Show Tips at Startup");
}

class tst_Tips : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();

    void texts();
    void cycling_data();
    void cycling();
    void reopeningGoesOn();
    void lineEnds_data();
    void lineEnds();
    void missingTips_data();
    void missingTips();
    void emptyFile();
    void setting_data();
    void setting();
    void checkBoxStoresSetting();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
    void installedCopyFindsItsTips();

private:
    void writeTips(const QByteArray& content, const QString& name = QStringLiteral("tips.txt"));

    test::ScriptedPrompts* m_prompts = nullptr;
    QTemporaryDir* m_dir = nullptr;
};

void tst_Tips::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    mdl_ErrorHandle::setProgramFolder(m_dir->path());
    m_prompts = new test::ScriptedPrompts;
    frm_Tips::TipList.clear();
    frm_Tips::TipIndex = 0;
}

void tst_Tips::cleanup()
{
    delete m_prompts;
    delete m_dir;
}

void tst_Tips::writeTips(const QByteArray& content, const QString& name)
{
    QFile file(m_dir->filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

void tst_Tips::texts()
{
    frm_Tips tips(*m_prompts);
    QCOMPARE(tips.windowTitle(), QStringLiteral("Tip of the Day"));
    QCOMPARE(tips.chkLoadTipsAtStartup->text(), QStringLiteral("&Show Tips at Startup"));
    QCOMPARE(tips.cmdNextTip->text(), QStringLiteral("&Next Tip"));
    QCOMPARE(tips.cmdOK->text(), QStringLiteral("OK"));
    QVERIFY(tips.lblTipText->text().isEmpty());
    QVERIFY(tips.findChild<QLabel*>(QStringLiteral("lblHeading")));
    QCOMPARE(tips.findChild<QLabel*>(QStringLiteral("lblHeading"))->text(), QStringLiteral("Did you know..."));
}

void tst_Tips::cycling_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("presses");
    QTest::addColumn<QStringList>("seen"); // the first tip, then one per press
    QTest::newRow("three tips, three presses")
        << QByteArray("one\r\ntwo\r\nthree\r\n") << 3
        << QStringList { QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"), QStringLiteral("one") };
    QTest::newRow("an empty line is an empty tip")
        << QByteArray("one\r\n\r\nthree") << 3
        << QStringList { QStringLiteral("one"), QString(), QStringLiteral("three"), QStringLiteral("one") };
    QTest::newRow("one tip stays") << QByteArray(
        "only") << 2 << QStringList { QStringLiteral("only"), QStringLiteral("only"), QStringLiteral("only") };
}

void tst_Tips::cycling()
{
    QFETCH(QByteArray, file);
    QFETCH(int, presses);
    QFETCH(QStringList, seen);
    writeTips(file);
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    QStringList shown { tips.lblTipText->text() };
    for (int i = 0; i < presses; ++i) {
        QTest::mouseClick(tips.cmdNextTip, Qt::LeftButton);
        shown << tips.lblTipText->text();
    }
    QCOMPARE(shown, seen);
}

void tst_Tips::reopeningGoesOn()
{
    writeTips("one\r\ntwo\r\nthree\r\n");
    {
        frm_Tips tips(*m_prompts);
        QVERIFY(tips.Form_Load());
        tips.cmdNextTip->click();
        QCOMPARE(tips.lblTipText->text(), QStringLiteral("two"));
    }
    frm_Tips again(*m_prompts);
    QVERIFY(again.Form_Load());
    QCOMPARE(again.lblTipText->text(), QStringLiteral("three"));
    // The file was read twice; the order seen stays the file's, cycling.
    QCOMPARE(frm_Tips::TipList.size(), 6);
    again.cmdNextTip->click();
    QCOMPARE(again.lblTipText->text(), QStringLiteral("one"));
}

void tst_Tips::lineEnds_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("tips");
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList { QStringLiteral("a"), QStringLiteral("b") };
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList { QStringLiteral("a"), QStringLiteral("b") };
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QStringList { QStringLiteral("a"), QStringLiteral("b") };
    QTest::newRow("last line without an end")
        << QByteArray("a\r\nb") << QStringList { QStringLiteral("a"), QStringLiteral("b") };
    QTest::newRow("empty lines count") << QByteArray("\r\n\r\nc")
                                       << QStringList { QString(), QString(), QStringLiteral("c") };
}

void tst_Tips::lineEnds()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, tips);
    writeTips(file);
    frm_Tips form(*m_prompts);
    QVERIFY(form.LoadTips(m_dir->filePath(QStringLiteral("tips.txt"))));
    QCOMPARE(frm_Tips::TipList, tips);
    QCOMPARE(frm_Tips::TipIndex, 1);
}

void tst_Tips::missingTips_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("no file") << 0;
    QTest::newRow("a folder named tips.txt") << 1;
}

void tst_Tips::missingTips()
{
    QFETCH(int, kind);
    if (kind == 1)
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("tips.txt")));
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    QCOMPARE(tips.lblTipText->text(),
        QStringLiteral("That the tips.txt file was not found? \r\n\r\nCreate a text file named tips.txt using NotePad "
                       "with 1 tip per line. Then place it in the same directory as the application. "));
    QVERIFY(frm_Tips::TipList.isEmpty());
    // Hidden files and an empty name count as not found too.
    writeTips("hidden\r\n", QStringLiteral(".tips.txt"));
    QVERIFY(!tips.LoadTips(m_dir->filePath(QStringLiteral(".tips.txt"))));
    QVERIFY(!tips.LoadTips(QString()));
}

void tst_Tips::emptyFile()
{
    writeTips(QByteArray());
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    QVERIFY(tips.lblTipText->text().isEmpty());
    tips.cmdNextTip->click();
    QVERIFY(tips.lblTipText->text().isEmpty());
}

void tst_Tips::setting_data()
{
    QTest::addColumn<QString>("value"); // "-" for none
    QTest::addColumn<int>("outcome"); // 1 stays, 0 unloads, -1 fails
    QTest::newRow("absent means shown") << QStringLiteral("-") << 1;
    QTest::newRow("1") << QStringLiteral("1") << 1;
    QTest::newRow("another number") << QStringLiteral("-3") << 1;
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("blank-padded 0") << QStringLiteral(" 0 ") << 0;
    QTest::newRow("not a number") << QStringLiteral("yes") << -1;
}

void tst_Tips::setting()
{
    QFETCH(QString, value);
    QFETCH(int, outcome);
    writeTips("first\r\n");
    if (value != QLatin1String("-"))
        m_prompts->settings.insert(TipsKey, value);
    frm_Tips tips(*m_prompts);
    int result = -1;
    try {
        result = tips.Form_Load() ? 1 : 0;
    } catch (const Error& e) {
        QCOMPARE(e.number(), err::TypeMismatch);
    }
    QCOMPARE(result, outcome);
    QCOMPARE(tips.chkLoadTipsAtStartup->isChecked(), outcome == 1);
    QCOMPARE(tips.lblTipText->text(), outcome == 1 ? QStringLiteral("first") : QString());
}

void tst_Tips::checkBoxStoresSetting()
{
    writeTips("first\r\n");
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("1"));
    QTest::mouseClick(tips.chkLoadTipsAtStartup, Qt::LeftButton);
    QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("0"));
    tips.chkLoadTipsAtStartup->click();
    QCOMPARE(m_prompts->settings.value(TipsKey), QStringLiteral("1"));
}

void tst_Tips::enterAndEscapeClose_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void tst_Tips::enterAndEscapeClose()
{
    QFETCH(int, key);
    writeTips("first\r\n");
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    tips.show();
    QVERIFY(QTest::qWaitForWindowActive(&tips));
    QTest::keyClick(&tips, Qt::Key(key));
    QVERIFY(!tips.isVisible());
}

void tst_Tips::installedCopyFindsItsTips()
{
    // bin/brevane with its shipped files in share/brevane.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("share/brevane")));
    writeTips("installed tip\r\n", QStringLiteral("share/brevane/tips.txt"));
    mdl_ErrorHandle::setProgramFolder(m_dir->filePath(QStringLiteral("bin")));
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    QCOMPARE(tips.lblTipText->text(), QStringLiteral("installed tip"));

    // A copy beside the executable wins.
    writeTips("beside tip\r\n", QStringLiteral("bin/tips.txt"));
    frm_Tips::TipList.clear();
    frm_Tips::TipIndex = 0;
    frm_Tips beside(*m_prompts);
    QVERIFY(beside.Form_Load());
    QCOMPARE(beside.lblTipText->text(), QStringLiteral("beside tip"));
}

QTEST_MAIN(tst_Tips)
#include "tst_tips.moc"
