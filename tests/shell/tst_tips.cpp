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

    void cycling_data();
    void cycling();
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
    QTest::addColumn<QStringList>("seen"); // the first tip, one per "&Next Tip", then the next window's
    QTest::newRow("three tips, three presses")
        << QByteArray("one\r\ntwo\r\nthree\r\n") << QStringList { "one", "two", "three", "one", "two" };
    QTest::newRow("an empty line is an empty tip")
        << QByteArray("one\r\n\r\nthree") << QStringList { "one", "", "three", "one", "" };
}

void tst_Tips::cycling()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, seen);
    writeTips(file);
    QStringList shown;
    {
        TipsDialog tips(*m_prompts, m_tips);
        QVERIFY(tips.prepare());
        shown << tips.tipText->text();
        while (shown.size() < seen.size() - 1) {
            QTest::mouseClick(tips.nextTipButton, Qt::LeftButton);
            shown << tips.tipText->text();
        }
    }
    TipsDialog again(*m_prompts, m_tips); // goes on where the last one stopped
    QVERIFY(again.prepare());
    QCOMPARE(shown << again.tipText->text(), seen);
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

QTEST_MAIN(tst_Tips)
#include "tst_tips.moc"
