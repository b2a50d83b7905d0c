#include "icon/IconFile.h"
#include "icon/PeResources.h"

#include "../icon/PeBuilder.h"
#include "../support/IconCheck.h"
#include "CliSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;
using namespace brevane::test;

class tst_CliOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void listAndExtractAllMatchWrestool_data();
    void listAndExtractAllMatchWrestool();
    void craftedGroups();
    void standardOutput_data();
    void standardOutput();
    void outputOverInputRefused_data();
    void outputOverInputRefused();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray read(const QString& name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    bool m_programs = false;
};

void tst_CliOutput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    IconFile three;
    three.addImage(16, 16, 2);
    three.addImage(32, 32, 16);
    three.addImage(48, 48, ColourDepth::TrueColour);
    three.save(path("three.ico"));
    writeFile(m_dir.path(), "test.pal", "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4 5 6\r\n");

    // Two groups share one image, one of them named with a '/' and a newline; group 2 names an
    // image that is not there.
    writeFile(m_dir.path(), "crafted.exe",
        buildPe(
            { { PeResources::RT_ICON, quint16(1), three.imageBlock(1) },
                { PeResources::RT_GROUP_ICON, quint16(1), groupResource({ { 16, 16, 1, 176, 1 } }) },
                { PeResources::RT_GROUP_ICON, quint16(2), groupResource({ { 16, 16, 1, 176, 9 } }) },
                { PeResources::RT_GROUP_ICON, QStringLiteral("A/B\nC"), groupResource({ { 16, 16, 1, 176, 1 } }) } },
            false));

    // Real programs built by the mingw-w64 tools; the icon with a PNG-stored image and a 32-bit
    // one states 0 bits in its directory, as many do.
    QImage rgba(256, 256, QImage::Format_ARGB32);
    rgba.fill(qRgba(10, 200, 30, 128));
    writeFile(m_dir.path(), "png.ico", iconBytes(1, { { pngBlock(rgba) }, { bmp32Block(32) } }));
    writeFile(m_dir.path(), "app.rc", "1 ICON \"three.ico\"\n7 ICON \"png.ico\"\nMyIcon ICON \"three.ico\"\n");
    writeFile(m_dir.path(), "app.c", "int main(void) { return 0; }\n");
    const auto run = [this](const QString& program, const QStringList& args) {
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(program, args);
        return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    if (QStandardPaths::findExecutable(QStringLiteral("wrestool")).isEmpty())
        return;
    for (const QString prefix : { "i686-w64-mingw32", "x86_64-w64-mingw32" })
        if (!run(prefix + "-windres", { "app.rc", "-O", "coff", "-o", prefix + ".res" })
            || !run(prefix + "-gcc", { "-o", prefix + ".exe", "app.c", prefix + ".res" }))
            return;
    m_programs = true;
}

void tst_CliOutput::listAndExtractAllMatchWrestool_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("32-bit") << "i686-w64-mingw32.exe";
    QTest::newRow("64-bit") << "x86_64-w64-mingw32.exe";
}

void tst_CliOutput::listAndExtractAllMatchWrestool()
{
    QFETCH(QString, program);
    if (!m_programs)
        QSKIP("needs the mingw-w64 tools and wrestool");
    const QString out = path(program + ".icons");
    QVERIFY(QDir().mkpath(out));
    const RawRun listed = runRaw({ "list", "--json", path(program) });
    QCOMPARE(listed.exitCode, 0);
    const QJsonArray groups = QJsonDocument::fromJson(listed.out).array()[0].toObject()["groups"].toArray();
    QCOMPARE(runRaw({ "extract", "--all", "-o", out, path(program) }).exitCode, 0);

    // wrestool names the groups in directory order; each of ours matches in name, images and bytes.
    const ToolRun names = runTool("wrestool", { "-l", "--type=14", path(program) });
    static const QRegularExpression nameOf(QStringLiteral("--name=('?)([^' ]+)\\1"));
    QStringList theirs;
    for (auto it = nameOf.globalMatch(names.out); it.hasNext();)
        theirs.append(it.next().captured(2));
    QCOMPARE(groups.size(), theirs.size());
    const QString stem = QFileInfo(program).completeBaseName();
    for (qsizetype g = 0; g < groups.size(); ++g) {
        const QJsonObject group = groups[g].toObject();
        const QString name = group["id"].isNull() ? group["name"].toString() : QString::number(group["id"].toInt());
        QCOMPARE(name, theirs[g]);
        const QString wrestoolIcon = path("wrestool.ico");
        QCOMPARE(
            runTool("wrestool", { "-x", "--type=14", "--name=" + name, "-o", wrestoolIcon, path(program) }).exitCode,
            0);
        QList<ListedImage> images;
        for (const QJsonValue image : group["images"].toArray())
            images.append({ image["width"].toInt(), image["height"].toInt(), image["bits"].toInt() });
        QCOMPARE(images, icotoolList(wrestoolIcon));
        // The other tool appends the raw group after the icon; the icon part must be the same.
        const QByteArray ours = read(program + ".icons/" + stem + "-" + name + ".ico");
        QVERIFY(ours.size() > 22);
        QCOMPARE(read("wrestool.ico").left(ours.size()), ours);
    }
}

void tst_CliOutput::craftedGroups()
{
    const RawRun listed = runRaw({ "list", path("crafted.exe") });
    QCOMPARE(listed.exitCode, 1);
    QVERIFY2(listed.out.contains("  name A/B\\nC: 1 image\n"), listed.out.constData());
    QVERIFY2(listed.err.contains("id 2 is damaged"), qPrintable(listed.err));

    // The damaged group is skipped, the others written, the name made safe for a file name.
    const QString out = path("crafted.icons");
    QVERIFY(QDir().mkpath(out));
    const RawRun extracted = runRaw({ "extract", "--all", "-o", out, path("crafted.exe") });
    QCOMPARE(extracted.exitCode, 1);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({ "crafted-1.ico", "crafted-A_B_C.ico" }));
    QCOMPARE(read("crafted.icons/crafted-1.ico"), read("crafted.icons/crafted-A_B_C.ico"));
    QVERIFY2(extracted.err.contains("id 2 is damaged"), qPrintable(extracted.err));
}

void tst_CliOutput::standardOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("extract") << QStringList { "extract", path("crafted.exe"), "--name", "a/b\nc" };
    QTest::newRow("palette") << QStringList { "palette", "--load", path("test.pal") };
    QTest::newRow("preview") << QStringList { "preview", path("three.ico"), "--scale", "2" };
}

void tst_CliOutput::standardOutput()
{
    QFETCH(QStringList, args);
    const QString file = path("written");
    QFile::remove(file);
    QCOMPARE(runRaw(args + QStringList { "-o", file }).exitCode, 0);
    QTemporaryDir cwd;
    const RawRun r = runRaw(args + QStringList { "-o", "-" }, cwd.path());
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.size() > 16);
    QCOMPARE(r.out, read("written"));
    QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void tst_CliOutput::outputOverInputRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("input");
    QTest::newRow("extract onto the program")
        << QStringList { "extract", "crafted.exe", "-o", "crafted.exe" } << "crafted.exe";
    QTest::newRow("preview onto the icon") << QStringList { "preview", "three.ico", "-o", "three.ico" } << "three.ico";
    QTest::newRow("palette onto its --load")
        << QStringList { "palette", "--load", "test.pal", "-o", "./test.pal" } << "test.pal";
    QTest::newRow("palette onto a link to its icon")
        << QStringList { "palette", "--from-icon", "three.ico", "-o", "link.pal" } << "three.ico";
}

void tst_CliOutput::outputOverInputRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, input);
    QFile::remove(path("link.pal"));
    QVERIFY(QFile::link("three.ico", path("link.pal")));
    const QByteArray before = read(input);
    const RawRun r = runRaw(args, m_dir.path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("would replace its own input"), qPrintable(r.err));
    QCOMPARE(read(input), before);
    QVERIFY(QFileInfo(path("link.pal")).isSymLink());
}

QTEST_GUILESS_MAIN(tst_CliOutput)
#include "tst_cli_output.moc"
