#include "shell/frm_About.h"
#include "platform/Error.h"
#include "platform/mdl_ErrorHandle.h"
#include "shell/ClickableLabel.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

namespace {
// A desktop that fails on the way to opening anything.
class FailingPrompts : public test::ScriptedPrompts {
public:
    bool openExternally(const QString& target) override
    {
        opened.append(target);
        throw Error::runtime(err::FileNotFound);
    }
};
}

class tst_About : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void versionLine();
    void links_data();
    void links();
    void openFailureIsReported();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
};

void tst_About::versionLine()
{
    test::ScriptedPrompts prompts;
    frm_About about(prompts);
    // Plain decimal numbers: the revision reads 19, never 0019.
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
    QVERIFY(about.isVisible());
    QVERIFY(prompts.messages.isEmpty());
}

void tst_About::openFailureIsReported()
{
    QTemporaryDir dir;
    mdl_ErrorHandle::setProgramFolder(dir.path());
    FailingPrompts prompts;
    prompts.answers << MsgAnswer::Ignore;
    frm_About about(prompts);
    QCOMPARE(about.FileOpen(frm_About::WebAddress(), QStringLiteral("open")), 0);
    QCOMPARE(prompts.messages.size(), 1);
    const QStringList lines = test::logLines(dir.filePath(QStringLiteral("program.log")));
    QCOMPARE(lines.size(), 1);
    QVERIFY(lines.first().endsWith(QStringLiteral(":{02A00608-B7EC-49E3-8EE0-DE6AA0B3B42B}:1:53")));
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
    QVERIFY(QTest::qWaitForWindowActive(&about));
    QTest::keyClick(&about, Qt::Key(key));
    QVERIFY(!about.isVisible());
    QVERIFY(prompts.opened.isEmpty());
}

QTEST_MAIN(tst_About)
#include "tst_about.moc"
