#include "shell/AboutDialog.h"
#include "shell/ClickableLabel.h"
#include "support/ScriptedPrompts.h"

#include <QPushButton>
#include <QTest>

using namespace brevane;

class tst_About : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void links_data();
    void links();
    void enterAndEscapeClose();
};

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

void tst_About::enterAndEscapeClose()
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

QTEST_MAIN(tst_About)
#include "tst_about.moc"
