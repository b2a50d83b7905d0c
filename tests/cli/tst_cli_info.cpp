#include "icon/cls_IconFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

class tst_CliInfo : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void info_data();
    void info();

private:
    QTemporaryDir m_dir;
    QString m_icon;
};

void tst_CliInfo::initTestCase()
{
    QVERIFY(m_dir.isValid());
    cls_IconFile icon;
    icon.AddImage(32, 32, 16);
    icon.AddImage(16, 16, 2);
    m_icon = m_dir.filePath(QStringLiteral("two.ico"));
    QVERIFY(icon.saveicon(m_icon));
    QFile text(m_dir.filePath(QStringLiteral("notes.ico")));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("these are not the pixels you are looking for\n");
}

void tst_CliInfo::info_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");

    QTest::newRow("valid icon") << QStringList { QStringLiteral("info"), QStringLiteral("two.ico") } << 0
                                << QStringList { QStringLiteral("a valid icon file"), QStringLiteral("2 images"),
                                       QStringLiteral("1: 32x32, 4 bpp, 16 colours, 744 bytes at offset 38"),
                                       QStringLiteral("2: 16x16, 1 bpp, 2 colours, 176 bytes at offset 782") }
                                << QString();
    QTest::newRow("text file") << QStringList { QStringLiteral("info"), QStringLiteral("notes.ico") } << 1
                               << QStringList { QStringLiteral("not a valid icon file") }
                               << QStringLiteral("is not a valid icon file");
    QTest::newRow("missing file") << QStringList { QStringLiteral("info"), QStringLiteral("gone.ico") } << 1
                                  << QStringList() << QStringLiteral("is not a valid icon file");
    QTest::newRow("no file given") << QStringList { QStringLiteral("info") } << 2 << QStringList()
                                   << QStringLiteral("wrong number of arguments");
    QTest::newRow("unknown option") << QStringList { QStringLiteral("info"), QStringLiteral("--frobnicate"),
                                           QStringLiteral("two.ico") }
                                    << 2 << QStringList() << QStringLiteral("frobnicate");
    QTest::newRow("command help") << QStringList { QStringLiteral("info"), QStringLiteral("--help") } << 0
                                  << QStringList { QStringLiteral("FILE.ico") } << QString();
    QTest::newRow("tool help") << QStringList { QStringLiteral("--help") } << 0
                               << QStringList { QStringLiteral("info") } << QString();
    QTest::newRow("no command") << QStringList() << 2 << QStringList() << QStringLiteral("Usage:");
    QTest::newRow("unknown command") << QStringList { QStringLiteral("frob") } << 2 << QStringList()
                                     << QStringLiteral("unknown command");
}

void tst_CliInfo::info()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QStringList, stdoutHas);
    QFETCH(QString, stderrHas);

    QProcess cli;
    cli.setWorkingDirectory(m_dir.path());
    cli.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), args);
    QVERIFY(cli.waitForFinished(30000));
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    const QString err = QString::fromUtf8(cli.readAllStandardError());
    QCOMPARE(cli.exitCode(), exitCode);
    for (const QString& line : stdoutHas)
        QVERIFY2(out.contains(line), qPrintable(out));
    if (stderrHas.isEmpty())
        QVERIFY2(err.isEmpty(), qPrintable(err));
    else
        QVERIFY2(err.contains(stderrHas), qPrintable(err));
}

QTEST_GUILESS_MAIN(tst_CliInfo)
#include "tst_cli_info.moc"
