#include "shell/frm_Tips.h"
#include "platform/Error.h"
#include "platform/mdl_ErrorHandle.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QCheckBox>
#include <QDir>
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

    void cycling_data();
    void cycling();
    void reopeningGoesOn();
    void missingTips_data();
    void missingTips();
    void setting_data();
    void setting();
    void checkBoxStoresSetting();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
    void installedCopyFindsItsTips();

private:
    void writeTips(const QByteArray& content, const QString& name = QStringLiteral("tips.txt"))
    {
        QVERIFY(test::writeFile(m_dir->filePath(name), content));
    }

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

void tst_Tips::cycling_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("seen"); // the first tip, then one per "&Next Tip"
    QTest::newRow("three tips, three presses")
        << QByteArray("one\r\ntwo\r\nthree\r\n") << QStringList { "one", "two", "three", "one" };
    QTest::newRow("an empty line is an empty tip")
        << QByteArray("one\r\n\r\nthree") << QStringList { "one", "", "three", "one" };
    QTest::newRow("lone CR") << QByteArray("a\rb\r") << QStringList { "a", "b", "a" };
    QTest::newRow("lone LF") << QByteArray("a\nb\n") << QStringList { "a", "b", "a" };
    QTest::newRow("one tip stays") << QByteArray("only") << QStringList { "only", "only" };
    QTest::newRow("empty file") << QByteArray() << QStringList { "", "" };
}

void tst_Tips::cycling()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, seen);
    writeTips(file);
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    QStringList shown { tips.lblTipText->text() };
    while (shown.size() < seen.size()) {
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
    again.cmdNextTip->click();
    QCOMPARE(again.lblTipText->text(), QStringLiteral("one"));
}

void tst_Tips::missingTips_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("no file") << false;
    QTest::newRow("a folder named tips.txt") << true;
}

void tst_Tips::missingTips()
{
    QFETCH(bool, folder);
    if (folder)
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("tips.txt")));
    frm_Tips tips(*m_prompts);
    QVERIFY(tips.Form_Load());
    QCOMPARE(tips.lblTipText->text(),
        QStringLiteral("That the tips.txt file was not found? \r\n\r\nCreate a text file named tips.txt using NotePad "
                       "with 1 tip per line. Then place it in the same directory as the application. "));
    QVERIFY(frm_Tips::TipList.isEmpty());
}

void tst_Tips::setting_data()
{
    QTest::addColumn<QString>("value"); // "-" for none
    QTest::addColumn<int>("outcome"); // 1 stays, 0 unloads, -1 fails
    QTest::newRow("absent means shown") << "-" << 1;
    QTest::newRow("another number") << "-3" << 1;
    QTest::newRow("0") << "0" << 0;
    QTest::newRow("blank-padded 0") << " 0 " << 0;
    QTest::newRow("not a number") << "yes" << -1;
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
    // bin/brevane with its shipped files in share/brevane; a copy beside the executable wins.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("bin")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("share/brevane")));
    writeTips("installed tip\r\n", QStringLiteral("share/brevane/tips.txt"));
    mdl_ErrorHandle::setProgramFolder(m_dir->filePath(QStringLiteral("bin")));
    for (const char* expected : { "installed tip", "beside tip" }) {
        frm_Tips::TipList.clear();
        frm_Tips::TipIndex = 0;
        frm_Tips tips(*m_prompts);
        QVERIFY(tips.Form_Load());
        QCOMPARE(tips.lblTipText->text(), QLatin1String(expected));
        writeTips("beside tip\r\n", QStringLiteral("bin/tips.txt"));
    }
}

QTEST_MAIN(tst_Tips)
#include "tst_tips.moc"
