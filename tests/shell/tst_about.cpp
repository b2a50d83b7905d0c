#include "shell/AboutDialog.h"
#include "shell/ClickableLabel.h"
#include "support/ScriptedPrompts.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace brevane;

class tst_About : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionLine();
    void links_data();
    void links();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
};

void tst_About::versionLine()
{
    test::ScriptedPrompts prompts;
    AboutDialog about(prompts);
    QCOMPARE(about.versionLabel->text(), QStringLiteral("Brevane 2.0.19  ") + AboutDialog::makerNotice());
}

void tst_About::links_data()
{
    QTest::addColumn<bool>("contact");
    QTest::addColumn<QString>("opened");
    QTest::newRow("contact writes a mail") << true << QStringLiteral("mailto:") + AboutDialog::contactAddress();
    QTest::newRow("web label opens the site") << false << AboutDialog::webAddress();
}

void tst_About::links()
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

void tst_About::enterAndEscapeClose_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void tst_About::enterAndEscapeClose()
{
    QFETCH(int, key);
    test::ScriptedPrompts prompts;
    AboutDialog about(prompts);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key(key));
    QTRY_VERIFY(!about.isVisible());
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
