#include "shell/TipsDialog.h"
#include "platform/ErrorLog.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include "shell/AboutDialog.h"
#include "shell/ClickableLabel.h"

using namespace brevane;

class tst_Tips : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void links_data();
    void links();
    void enterAndEscapeClose();

    void cycling_data();
    void cycling();
    void reopeningGoesOn();
    void missingTips();

private:
    void writeTips(const QByteArray& content)
    {
        QVERIFY(test::writeFile(m_dir->filePath(QStringLiteral("tips.txt")), content));
    }

    test::ScriptedPrompts* m_prompts = nullptr;
    QTemporaryDir* m_dir = nullptr;
    TipList m_tips;
};

void tst_Tips::init()
{
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    ErrorLog::setProgramFolder(m_dir->path());
    m_prompts = new test::ScriptedPrompts;
    m_tips = TipList {};
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
}

void tst_Tips::cycling()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, seen);
    writeTips(file);
    TipsDialog tips(*m_prompts, m_tips);
    QVERIFY(tips.prepare());
    QStringList shown { tips.tipText->text() };
    while (shown.size() < seen.size()) {
        QTest::mouseClick(tips.nextTipButton, Qt::LeftButton);
        shown << tips.tipText->text();
    }
    QCOMPARE(shown, seen);
}

void tst_Tips::reopeningGoesOn()
{
    writeTips("one\r\ntwo\r\nthree\r\n");
    {
        TipsDialog tips(*m_prompts, m_tips);
        QVERIFY(tips.prepare());
        tips.nextTipButton->click();
        QCOMPARE(tips.tipText->text(), QStringLiteral("two"));
    }
    TipsDialog again(*m_prompts, m_tips);
    QVERIFY(again.prepare());
    QCOMPARE(again.tipText->text(), QStringLiteral("three"));
}

void tst_Tips::missingTips()
{
    TipsDialog tips(*m_prompts, m_tips);
    QVERIFY(tips.prepare());
    QCOMPARE(tips.tipText->text(),
        QStringLiteral("That the tips.txt file was not found? \r\n\r\nCreate a text file named tips.txt using NotePad "
                       "with 1 tip per line. Then place it in the same directory as the application. "));
}

void tst_Tips::links_data()
{
    QTest::addColumn<bool>("contact");
    QTest::addColumn<QString>("opened");
    QTest::newRow("contact writes a mail") << true << QStringLiteral("mailto:") + AboutDialog::contactAddress();
    QTest::newRow("web label opens the site") << false << AboutDialog::webAddress();
}

void tst_Tips::links()
{
    QFETCH(bool, contact);
    QFETCH(QString, opened);
    test::ScriptedPrompts prompts;
    AboutDialog about(prompts);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(contact ? static_cast<QWidget*>(about.contactButton) : about.webLink, Qt::LeftButton);
    QCOMPARE(prompts.opened, QStringList { opened });
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(about.isVisible()); // links leave the box open
}

void tst_Tips::enterAndEscapeClose()
{
    test::ScriptedPrompts prompts;
    for (Qt::Key key : { Qt::Key_Return, Qt::Key_Escape }) {
        AboutDialog about(prompts);
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::keyClick(&about, key);
        QTRY_VERIFY(!about.isVisible());
    }
}

QTEST_MAIN(tst_Tips)
#include "tst_tips.moc"
