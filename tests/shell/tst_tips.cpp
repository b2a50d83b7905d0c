#include "platform/ErrorLog.h"
#include "shell/AboutDialog.h"
#include "shell/ClickableLabel.h"
#include "shell/TipsDialog.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

class tst_Tips : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cycling_data();
    void cycling();
    void links();
};

void tst_Tips::cycling_data()
{
    QTest::addColumn<QByteArray>("file"); // empty: none
    QTest::addColumn<QStringList>("seen"); // the first tip, one per "&Next Tip", then the next window's
    QTest::newRow("three tips, three presses")
        << QByteArray("one\r\ntwo\r\nthree\r\n") << QStringList { "one", "two", "three", "one", "two" };
    QTest::newRow("an empty line is an empty tip")
        << QByteArray("one\r\n\r\nthree") << QStringList { "one", "", "three", "one", "" };
    QTest::newRow("no tips file")
        << QByteArray() << QStringList { "That the tips.txt file was not found? \r\n\r\nCreate a text file named tips.txt "
                                         "using NotePad with 1 tip per line. Then place it in the same directory as the "
                                         "application. " };
}

void tst_Tips::cycling()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, seen);
    QTemporaryDir dir;
    ErrorLog::setProgramFolder(dir.path());
    if (!file.isEmpty())
        QVERIFY(test::writeFile(dir.filePath(QStringLiteral("tips.txt")), file));
    test::ScriptedPrompts prompts;
    TipList list;
    QStringList shown;
    {
        TipsDialog tips(prompts, list);
        QVERIFY(tips.prepare());
        shown << tips.tipText->text();
        while (shown.size() < seen.size() - 1) {
            QTest::mouseClick(tips.nextTipButton, Qt::LeftButton);
            shown << tips.tipText->text();
        }
    }
    if (seen.size() > 1) {
        TipsDialog again(prompts, list); // goes on where the last one stopped
        QVERIFY(again.prepare());
        shown << again.tipText->text();
    }
    QCOMPARE(shown, seen);
}

// Both links leave the box open.
void tst_Tips::links()
{
    test::ScriptedPrompts prompts;
    AboutDialog about(prompts);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(about.contactButton, Qt::LeftButton);
    QTest::mouseClick(about.webLink, Qt::LeftButton);
    QCOMPARE(prompts.opened, QStringList({ "mailto:" + AboutDialog::contactAddress(), AboutDialog::webAddress() }));
    QVERIFY(prompts.messages.isEmpty());
    QVERIFY(about.isVisible());
}

QTEST_MAIN(tst_Tips)
#include "tst_tips.moc"
