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

namespace {

// ICO and CUR files read as the format describes them, with nothing of ours: what info --json
// must say of each (error texts aside).
const char* const IndependentReading = R"(
import json, struct, sys
def image(d, i, kind):
    w, h, cc, res, planes, bits, size, off = struct.unpack_from('<BBBBHHII', d, 6 + 16 * i)
    assert off + size <= len(d)
    b = d[off:off + size]
    if b[:8] == b'\x89PNG\r\n\x1a\n':
        W, H, depth, ct = struct.unpack_from('>IIBB', b, 16)
        r = dict(format='png', width=W, height=H, bits=depth * {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[ct],
                 colours=2 ** (3 * depth if ct in (2, 6) else depth))
    else:
        hs, W, H2, _, bc, comp, _, _, _, used = struct.unpack_from('<IiiHHIIiiI', b)
        assert hs == 40 and comp == 0 and bc in (1, 4, 8, 16, 24, 32)
        row = lambda bpp: (W * bpp + 31) // 32 * 4
        table = used or (2 ** bc if bc <= 8 else 0)
        assert 40 + 4 * table + H2 // 2 * (row(bc) + (row(1) if bc != 32 else 0)) <= size
        r = dict(format='bmp', width=W, height=H2 // 2, bits=bc, colours=2 ** min(bc, 24))
    r.update(index=i + 1, bytes=size, offset=off)
    if kind == 2:
        r['hotspot'] = dict(x=planes, y=bits)
    return r
out = []
for path in sys.argv[1:]:
    try:
        d = open(path, 'rb').read()
        res, kind, n = struct.unpack_from('<HHh', d)
        assert res == 0 and kind in (1, 2) and 0 < n <= 256
        images = [image(d, i, kind) for i in range(n)]
        out.append(dict(file=path, valid=True, type='icon' if kind == 1 else 'cursor', images=images))
    except Exception:
        out.append(dict(file=path, valid=False, images=[]))
print(json.dumps(out))
)";

} // namespace

class tst_CliOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void listAndExtractAllMatchWrestool_data();
    void listAndExtractAllMatchWrestool();
    void infoJsonMatchesIndependentReading();
    void infoTextShowsSoundFilesOnly();
    void messages_data();
    void messages();
    void extractAllSkipsDamagedGroups();
    void previewShowsEveryKind_data();
    void previewShowsEveryKind();
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

    void write(const QString& name, const QByteArray& bytes, bool valid)
    {
        writeFile(m_dir.path(), name, bytes);
        (valid ? m_valid : m_invalid).append(name);
    }

    QTemporaryDir m_dir;
    bool m_programs = false;
    QStringList m_valid; // icon and cursor files info must find sound, and the others
    QStringList m_invalid { QStringLiteral("missing.ico") };
};

void tst_CliOutput::initTestCase()
{
    QVERIFY(m_dir.isValid());
    IconFile depths;
    depths.addImage(16, 16, 2);
    depths.addImage(32, 32, 16);
    depths.addImage(48, 48, 256);
    depths.addImage(24, 24, ColourDepth::TrueColour);
    depths.save(path("depths.ico"));
    m_valid.append("depths.ico");
    QImage rgba(256, 256, QImage::Format_ARGB32);
    rgba.fill(qRgba(10, 200, 30, 128));
    QImage indexed(40, 20, QImage::Format_Indexed8);
    indexed.setColorTable({ qRgb(1, 2, 3), qRgb(200, 100, 0) });
    indexed.fill(1);
    write("png and 32-bit images, directory all 0.ico",
        iconBytes(1, { { pngBlock(rgba) }, { bmp32Block(48) }, { pngBlock(indexed) } }), true);
    write("cursor.cur", iconBytes(2, { { depths.imageBlock(1), 5, 9 } }), true);
    QByteArray sevenBits = depths.imageBlock(1);
    qToLittleEndian<quint16>(7, sevenBits.data() + 14);
    write("7 bits per pixel.ico", iconBytes(1, { { sevenBits } }), false);
    QByteArray fourBits = depths.imageBlock(2);
    fourBits.replace(40, 3, "\x03\x02\x01"); // colour 0: red 1, green 2, blue 3
    write("4 bits.ico", iconBytes(1, { { fourBits } }), true);
    write("pixels cut short.ico", iconBytes(1, { { depths.imageBlock(2).left(300) } }), false);
    write("block past the end.ico", read("depths.ico").chopped(10), false);
    write("300 images.ico", QByteArray("\0\0\1\0\x2c\x01", 6) + QByteArray(300 * 16, '\0'), false);
    write("name with a\nnewline.ico", "these are not the pixels you are looking for\n", false);
    writeFile(m_dir.path(), "test.pal", "JASC-PAL\r\n0100\r\n2\r\n1 2 3\r\n4 5 6\r\n");
    writeFile(m_dir.path(), "lf.pal", "JASC-PAL\n0100\n1\n1 2 3\n");
    writePicture(m_dir.path(), "new\nline.bmp", patternPicture(16, 16, 0));
    // An uncompressed TGA of two pixels, with the version 2 footer that Qt's reader asks for.
    writeFile(m_dir.path(), "two.tga",
        QByteArray("\0\0\2\0\0\0\0\0\0\0\0\0\2\0\1\0\x20\x08\0\0\xff\xff\0\0\xff\xff", 26) + QByteArray(8, '\0')
            + QByteArray("TRUEVISION-XFILE.", 18));
    QVERIFY(QDir(m_dir.path()).mkdir("pics"));
    // Pure red squares of 4 pixels between see-through ones, which every depth but 1 keeps exactly.
    QImage squares(256, 256, QImage::Format_ARGB32);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            squares.setPixel(x, y, (x / 4 + y / 4) % 2 ? 0 : qRgb(255, 0, 0));
    writePicture(m_dir.path(), "squares.png", squares, "PNG");
    // Programs that give no icons: one without a resource directory, one whose section
    // reaches past what an executable may have (a sparse file).
    QByteArray pe = buildPe({}, false);
    qToLittleEndian<quint32>(0, pe.data() + 0x40 + 24 + 92); // no data directories
    writeFile(m_dir.path(), "nores.exe", pe);
    pe = buildPe({}, false);
    qToLittleEndian<quint32>(300 << 20, pe.data() + 0x40 + 24 + 224 + 16); // the section's raw size
    QFile big(writeFile(m_dir.path(), "big.exe", pe));
    QVERIFY(big.resize(301 << 20));

    // Two groups share one image, one of them named with a '/' and a newline; group 2 names an
    // image that is not there.
    writeFile(m_dir.path(), "crafted.exe",
        buildPe(
            { { PeResources::RT_ICON, quint16(1), depths.imageBlock(1) },
                { PeResources::RT_GROUP_ICON, quint16(1), groupResource({ { 16, 16, 1, 176, 1 } }) },
                { PeResources::RT_GROUP_ICON, quint16(2), groupResource({ { 16, 16, 1, 176, 9 } }) },
                { PeResources::RT_GROUP_ICON, QStringLiteral("A/B\nC"), groupResource({ { 16, 16, 1, 176, 1 } }) } },
            false));

    // Real programs built by the mingw-w64 tools; the icon with a PNG-stored image and a 32-bit
    // one states 0 bits in its directory, as many do.
    writeFile(m_dir.path(), "png.ico", iconBytes(1, { { pngBlock(rgba) }, { bmp32Block(32) } }));
    writeFile(m_dir.path(), "app.rc", "1 ICON \"depths.ico\"\n7 ICON \"png.ico\"\nMyIcon ICON \"depths.ico\"\n");
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

void tst_CliOutput::infoJsonMatchesIndependentReading()
{
    if (QStandardPaths::findExecutable(QStringLiteral("python3")).isEmpty())
        QSKIP("python3 is needed for the independent reading");
    const QStringList files = m_valid + m_invalid;
    const RawRun ours = runRaw(QStringList { "info", "--json" } + files, m_dir.path());
    QCOMPARE(ours.exitCode, 1);
    QProcess python;
    python.setWorkingDirectory(m_dir.path());
    python.start(QStringLiteral("python3"), QStringList { "-c", IndependentReading } + files);
    QVERIFY(python.waitForFinished(60000));
    const QJsonArray theirs = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    const QJsonArray got = QJsonDocument::fromJson(ours.out).array();
    QCOMPARE(theirs.size(), files.size());
    QCOMPARE(got.size(), files.size());
    for (qsizetype i = 0; i < files.size(); ++i) {
        QJsonObject g = got[i].toObject();
        if (!g.value("valid").toBool()) {
            QVERIFY2(!g.take("error").toString().isEmpty(), qPrintable(files[i]));
            g.remove("type");
        }
        QVERIFY2(g == theirs[i].toObject(),
            qPrintable(QJsonDocument(g).toJson() + "expected\n" + QJsonDocument(theirs[i].toObject()).toJson()));
    }
    // Only the sound ones: exit 0 and nothing on stderr.
    const RawRun sound = runRaw(QStringList { "info", "--json" } + m_valid, m_dir.path());
    QCOMPARE(sound.exitCode, 0);
    QVERIFY2(sound.err.isEmpty(), qPrintable(sound.err));
}

void tst_CliOutput::infoTextShowsSoundFilesOnly()
{
    const RawRun r = runRaw({ "info", "cursor.cur", "name with a\nnewline.ico",
                                "png and 32-bit images, directory all 0.ico", "block past the end.ico" },
        m_dir.path());
    QCOMPARE(r.exitCode, 1);
    const QString out = QString::fromUtf8(r.out);
    QVERIFY2(out.startsWith("cursor.cur: a valid cursor file, 1 image\n  1: 16x16, 1 bpp, 2 colours, hotspot 5,9, "),
        qPrintable(out));
    QVERIFY2(out.contains("\n  1: 256x256 PNG, 32 bpp, 16.7M colours + alpha, "), qPrintable(out));
    QVERIFY2(!out.contains("newline") && !out.contains("block past"), qPrintable(out));
    // One line per failure, the name's newline escaped.
    QVERIFY2(r.err.contains("info: name with a\\nnewline.ico: not an icon or cursor file\n"), qPrintable(r.err));
    QVERIFY2(
        r.err.contains("info: block past the end.ico: Failed to load icon: Icon Images Array is Corrupt. (image 4: "),
        qPrintable(r.err));
    QCOMPARE(r.err.count('\n'), 2);
}

void tst_CliOutput::messages_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutHas");
    QTest::addColumn<QString>("stderrHas"); // "" when stderr must be empty
    const auto row = [](const char* name, const QStringList& args, int rc, const char* out, const char* err) {
        QTest::newRow(name) << args << rc << out << err;
    };
    row("info", { "info", "depths.ico" }, 0, "1: 16x16, 1 bpp, 2 colours, 176 bytes at offset 70", "");
    row("info without a file", { "info" }, 2, "", "wrong number of arguments");
    row("preview without -o", { "preview", "depths.ico" }, 2, "",
        "-o - for standard output)\nRun 'brevane-cli preview --help'");
    row("list, names escaped", { "list", "crafted.exe" }, 1, "  name A/B\\nC: 1 image\n", "id 2 is damaged");
    row("list of a missing file", { "list", "missing.exe" }, 1, "", "list: missing.exe: does not exist");
    row("list of a folder", { "list", "pics" }, 1, "", "list: pics: is a folder");
    row("info of a folder", { "info", "pics" }, 1, "", "info: pics: is a folder");
    row("palette --load of a folder", { "palette", "--load", "pics", "-o", "x.pal" }, 1, "",
        "palette: pics: is a folder");
    row("multi --from a folder", { "multi", "--from", "pics", "-o", "x" }, 1, "", "multi: pics: is a folder");
    row("multi --small a folder", { "multi", "--small", "pics", "-o", "x" }, 1, "", "multi: pics: is a folder");
    row("palette, 0 bits in the directory", { "palette", "--from-icon", "4 bits.ico", "-o", "-" }, 0,
        "JASC\r\n0100\r\n16\r\n1 2 3\r\n", "wrote standard output (16 colours)");
    row("preview onto a folder", { "preview", "depths.ico", "-o", "pics" }, 1, "",
        "preview: cannot write pics: is a folder");
    row("multi --from a file that is no picture", { "multi", "--from", "test.pal", "-o", "x" }, 1, "",
        "multi: test.pal: Invalid picture !\n");
    row("preview of a cursor", { "preview", "cursor.cur", "-o", "x.png" }, 1, "", "cursor.cur: a cursor, not an icon");
    row("convert of a TGA", { "convert", "-v", "-o", ".", "two.tga" }, 0, "two.ico\n", "");
    row("palette --load of LF lines", { "palette", "--load", "lf.pal", "-o", "-" }, 1, "",
        "lf.pal: its lines end in LF alone");
    row("list --json: format and bytes", { "list", "--json", "crafted.exe" }, 1,
        "\"bytes\": 176,\n                        \"format\": \"bmp\"", "id 2 is damaged");
    row("info of a PNG", { "info", "squares.png" }, 1, "",
        "info: squares.png: not an icon or cursor file: a PNG picture\n");
    row("extract --name of a number", { "extract", "crafted.exe", "--name", "1", "-o", "x.ico" }, 1, "",
        "give --id 1)");
    row("list: no resources", { "list", "nores.exe" }, 0, "nores.exe: no icon groups: it has no resources at all", "");
    row("extract: no resources", { "extract", "nores.exe", "-o", "x.ico" }, 1, "",
        "nores.exe: no icon groups: it has no");
    row("list: too large", { "list", "big.exe" }, 1, "", "list: big.exe: its sections reach 314573312 bytes");
    row("extract: too large", { "extract", "big.exe", "-o", "x.ico" }, 1, "", "extract: big.exe: its sections reach");
    row("multi, names escaped", { "multi", "--small", "new\nline.bmp", "-o", "o\tut" }, 0, "o\\tut.ico: 1 image", "");
    row("multi, missing picture escaped", { "multi", "--from", "gone\x01.png", "-o", "x" }, 1, "",
        "multi: gone\\x01.png: does not exist");
    row("convert, names escaped", { "convert", "-v", "-o", ".", "new\nline.bmp", "gone\x01.bmp" }, 1,
        "new\\nline.ico\n", "gone\\x01.bmp: ");
}

void tst_CliOutput::messages()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    const RawRun r = runRaw(args, m_dir.path());
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.out.contains(stdoutHas.toUtf8()), r.out.constData());
    QVERIFY2(stderrHas.isEmpty() ? r.err.isEmpty() : r.err.contains(stderrHas), qPrintable(r.err));
}

void tst_CliOutput::extractAllSkipsDamagedGroups()
{
    // The damaged group is skipped, the others written, the name made safe for a file name.
    const QString out = path("crafted.icons");
    QVERIFY(QDir().mkpath(out));
    const RawRun extracted = runRaw({ "extract", "--all", "-o", out, path("crafted.exe") });
    QCOMPARE(extracted.exitCode, 1);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList({ "crafted-1.ico", "crafted-A_B_C.ico" }));
    QCOMPARE(read("crafted.icons/crafted-1.ico"), read("crafted.icons/crafted-A_B_C.ico"));
    QVERIFY2(extracted.err.contains("id 2 is damaged"), qPrintable(extracted.err));
}

void tst_CliOutput::previewShowsEveryKind_data()
{
    QTest::addColumn<QString>("bits");
    QTest::addColumn<QByteArray>("largest"); // as info describes the 256-pixel image
    QTest::newRow("32 bits, BMP- and PNG-stored")
        << "32" << QByteArray("  2: 256x256 PNG, 32 bpp, 16.7M colours + alpha");
    QTest::newRow("24 bits") << "24" << QByteArray("  2: 256x256, 24 bpp, 16.7M colours,");
    QTest::newRow("8 bits") << "8" << QByteArray("  2: 256x256, 8 bpp, 256 colours,");
    QTest::newRow("4 bits") << "4" << QByteArray("  2: 256x256, 4 bpp, 16 colours,");
}

void tst_CliOutput::previewShowsEveryKind()
{
    QFETCH(QString, bits);
    QFETCH(QByteArray, largest);
    const QString icon = path("kinds.ico");
    const QStringList multi { "multi", "--from", path("squares.png"), "--crop", "--sizes", "16,256", "-b", bits };
    QCOMPARE(runRaw(multi + QStringList { "-o", icon }).exitCode, 0);
    const RawRun info = runRaw({ "info", icon });
    QVERIFY2(info.out.contains(largest), info.out.constData());
    QCOMPARE(runRaw({ "preview", icon, "-o", path("kinds.png"), "--scale", "2" }).exitCode, 0);
    // Side by side, 8 pixels apart and from the edges; see-through shows the checkerboard.
    const QImage sheet(path("kinds.png"));
    QCOMPARE(sheet.size(), QSize(8 + 32 + 8 + 512 + 8, 512 + 16));
    for (const auto& [left, size] : { std::pair { 8, 16 }, std::pair { 48, 256 } })
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                const QRgb got = sheet.pixel(left + 2 * x, 8 + 2 * y);
                if ((x / 4 + y / 4) % 2 == 0)
                    QCOMPARE(got, qRgb(255, 0, 0));
                else if (got != qRgb(255, 255, 255) && got != qRgb(204, 204, 204))
                    QFAIL(qPrintable(QString::asprintf("image %d, (%d, %d) is #%08x", size, x, y, got)));
            }
}

void tst_CliOutput::standardOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("extract") << QStringList { "extract", path("crafted.exe"), "--name", "a/b\nc" };
    QTest::newRow("palette") << QStringList { "palette", "--load", path("test.pal") };
    QTest::newRow("preview") << QStringList { "preview", path("depths.ico"), "--scale", "2" };
    QTest::newRow("multi --from") << QStringList { "multi", "--from", path("squares.png"), "--sizes", "16,256" };
    QTest::newRow("multi --small") << QStringList { "multi", "--small", path("squares.png") };
}

void tst_CliOutput::standardOutput()
{
    QFETCH(QStringList, args);
    const QString file = path("written.ico");
    QFile::remove(file);
    QCOMPARE(runRaw(args + QStringList { "-o", file }).exitCode, 0);
    QTemporaryDir cwd;
    // No temporary folder to be had (none can be made in /proc, even by root): the data must not
    // pass through one.
    qputenv("TMPDIR", "/proc");
    const RawRun r = runRaw(args + QStringList { "-o", "-" }, cwd.path());
    qunsetenv("TMPDIR");
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.size() > 16);
    QCOMPARE(r.out, read("written.ico"));
    QVERIFY2(r.err.contains("standard output"), qPrintable(r.err));
    QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void tst_CliOutput::outputOverInputRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("input");
    QTest::newRow("extract onto the program")
        << QStringList { "extract", "crafted.exe", "-o", "crafted.exe" } << "crafted.exe";
    QTest::newRow("preview onto the icon")
        << QStringList { "preview", "depths.ico", "-o", "depths.ico" } << "depths.ico";
    QTest::newRow("palette onto its --load")
        << QStringList { "palette", "--load", "test.pal", "-o", "./test.pal" } << "test.pal";
    QTest::newRow("palette onto a link to its icon")
        << QStringList { "palette", "--from-icon", "depths.ico", "-o", "link.pal" } << "depths.ico";
    QTest::newRow("multi onto a link to its --from")
        << QStringList { "multi", "--from", "depths.ico", "--sizes", "16", "-o", "link" } << "depths.ico";
    QTest::newRow("multi onto its --normal") << QStringList { "multi", "--small", "new\nline.bmp", "--normal",
        "depths.ico", "-o", "./depths" } << "depths.ico";
}

void tst_CliOutput::outputOverInputRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, input);
    for (const QString link : { "link.pal", "link.ico" }) {
        QFile::remove(path(link));
        QVERIFY(QFile::link("depths.ico", path(link)));
    }
    const QByteArray before = read(input);
    const RawRun r = runRaw(args, m_dir.path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("would replace its own input"), qPrintable(r.err));
    QCOMPARE(read(input), before);
    QVERIFY(QFileInfo(path("link.pal")).isSymLink());
}

QTEST_GUILESS_MAIN(tst_CliOutput)
#include "tst_cli_output.moc"
