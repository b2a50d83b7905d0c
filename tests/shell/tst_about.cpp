#include "shell/frm_About.h"
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
    frm_About about(prompts);
    QCOMPARE(about.lbl_Info->text(), QStringLiteral("Brevane 2.0.19  ") + frm_About::MakerNotice());
}

void tst_About::links_data()
{
    QTest::addColumn<bool>("contact");
    QTest::addColumn<QString>("opened");
    QTest::newRow("contact writes a mail") << true << QStringLiteral("mailto:") + frm_About::ContactAddress();
    QTest::newRow("web label opens the site") << false << frm_About::WebAddress();
}

void tst_About::links()
{
    QFETCH(bool, contact);
    QFETCH(QString, opened);
    test::ScriptedPrompts prompts;
    frm_About about(prompts);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::mouseClick(contact ? static_cast<QWidget*>(about.Command2) : about.Label8, Qt::LeftButton);
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
    frm_About about(prompts);
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QTest::keyClick(&about, Qt::Key(key));
    QTRY_VERIFY(!about.isVisible());
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
