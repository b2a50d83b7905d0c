#include "icon/IconFile.h"
#include "icon/PeResources.h"

#include "../icon/PeBuilder.h"
#include "../support/IconCheck.h"
#include "support/PlainFiles.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtEndian>

using namespace brevane;
using namespace brevane::test;

namespace {

struct RawRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

// 'limit': the program runs under prlimit with that option.
RawRun runRaw(const QStringList& args, const QString& workingDirectory = QString(), const QString& limit = QString())
{
    QProcess p;
    p.setWorkingDirectory(workingDirectory);
    const QString cli = QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli");
    if (limit.isEmpty())
        p.start(cli, args);
    else
        p.start(QStringLiteral("prlimit"), QStringList { limit, QStringLiteral("--"), cli } + args);
    if (!p.waitForFinished(120000))
        return {};
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
        QString::fromUtf8(p.readAllStandardError()) };
}

// An icon (type 1) or cursor (type 2) stating 0 for width, height, colours, as many real files do.
QByteArray iconBytes(quint16 type, const QList<QByteArray>& blocks, quint32 hotspot = 0)
{
    QByteArray d(6 + 16 * blocks.size(), '\0');
    qToLittleEndian<quint16>(type, d.data() + 2);
    qToLittleEndian<quint16>(quint16(blocks.size()), d.data() + 4);
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const quint32 entry[] = { 0, hotspot, quint32(blocks[i].size()), quint32(d.size()) };
        for (int k = 0; k < 4; ++k)
            qToLittleEndian<quint32>(entry[k], d.data() + 6 + 16 * i + 4 * k);
        d += blocks[i];
    }
    return d;
}

QByteArray pngBlock(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A size x size 32-bit block: colour and alpha bits, then the AND mask.
QByteArray bmp32Block(int size)
{
    QByteArray b(40 + size * size * 4 + size * ((size + 31) / 32 * 4), '\x5A');
    const qint32 header[] = { 40, size, 2 * size, 1 | 32 << 16, 0, 0, 0, 0, 0, 0 };
    for (int k = 0; k < 10; ++k)
        qToLittleEndian<qint32>(header[k], b.data() + 4 * k);
    return b;
}

// ICO and CUR read as the format says, nothing of ours: what info --json must say (errors aside).
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
        out.append(dict(file=path, valid=True, type='icon' if kind == 1 else 'cursor',
                        images=[image(d, i, kind) for i in range(n)]))
    except Exception:
        out.append(dict(file=path, valid=False, images=[]))
print(json.dumps(out))
)";

} // namespace

class tst_CliOutput : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void infoJsonMatchesIndependentReading();
    void messages_data();
    void messages();
    void standardOutput_data();
    void standardOutput();
    void listAndExtractAllMatchWrestool();
    void fullDiskKeepsTheOldFile_data() { standardOutput_data(); }
    void fullDiskKeepsTheOldFile();
    void outputOverInputRefused_data();
    void outputOverInputRefused();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QByteArray read(const QString& name) const { return readFile(path(name)); }
    void write(const QString& name, const QByteArray& bytes, bool valid)
    {
        writeFile(m_dir.path(), name, bytes);
        (valid ? m_valid : m_invalid).append(name);
    }

    QTemporaryDir m_dir;
    QStringList m_valid; // icon and cursor files info must find sound, and the others
    QStringList m_invalid { QStringLiteral("missing.ico") };
};

void tst_CliOutput::initTestCase()
{
    IconFile depths;
    for (const auto& [size, colours] : { std::pair { 16, 2 }, { 32, 16 }, { 48, 256 }, { 24, ColourDepth::TrueColour } })
        depths.addImage(size, size, colours);
    depths.save(path("depths.ico"));
    m_valid.append("depths.ico");
    QImage rgba(256, 256, QImage::Format_ARGB32);
    rgba.fill(qRgba(10, 200, 30, 128));
    QImage indexed(40, 20, QImage::Format_Indexed8);
    indexed.setColorTable({ qRgb(1, 2, 3), qRgb(200, 100, 0) });
    indexed.fill(1);
    write("png and 32-bit images, directory all 0.ico", iconBytes(1, { pngBlock(rgba), bmp32Block(48), pngBlock(indexed) }),
        true);
    write("cursor.cur", iconBytes(2, { depths.imageBlock(1) }, 5 | 9 << 16), true);
    QByteArray sevenBits = depths.imageBlock(1);
    qToLittleEndian<quint16>(7, sevenBits.data() + 14);
    write("7 bits per pixel.ico", iconBytes(1, { sevenBits }), false);
    QByteArray fourBits = depths.imageBlock(2);
    fourBits.replace(40, 3, "\x03\x02\x01"); // colour 0: red 1, green 2, blue 3
    write("4 bits.ico", iconBytes(1, { fourBits }), true);
    write("pixels cut short.ico", iconBytes(1, { depths.imageBlock(2).left(300) }), false);
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
    writePicture(m_dir.path(), "squares.png", patternPicture(256, 256, 0), "PNG");
    // No resource directory; a section reaching past what a program may have (sparse).
    QByteArray pe = buildPe({}, false);
    qToLittleEndian<quint32>(0, pe.data() + 0x40 + 24 + 92); // no data directories
    writeFile(m_dir.path(), "nores.exe", pe);
    pe = buildPe({}, false);
    qToLittleEndian<quint32>(300 << 20, pe.data() + 0x40 + 24 + 224 + 16); // the section's raw size
    QVERIFY(QFile::resize(writeFile(m_dir.path(), "big.exe", pe), 301 << 20));
    // Two groups share one image, one of them named with a '/' and a newline; group 2 names an
    // image that is not there.
    writeFile(m_dir.path(), "crafted.exe",
        buildPe({ { PeResources::RT_ICON, quint16(1), depths.imageBlock(1) },
                    { PeResources::RT_GROUP_ICON, quint16(1), groupResource({ { 16, 16, 1, 176, 1 } }) },
                    { PeResources::RT_GROUP_ICON, quint16(2), groupResource({ { 16, 16, 1, 176, 9 } }) },
                    { PeResources::RT_GROUP_ICON, QStringLiteral("A/B\nC"), groupResource({ { 16, 16, 1, 176, 1 } }) } },
            false));
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
    row("info of sound files only", m_valid, 0, "1: 16x16, 1 bpp, 2 colours, 176 bytes at offset 70", "");
    row("info, one line per failure, names escaped",
        { "info", "cursor.cur", "name with a\nnewline.ico", "png and 32-bit images, directory all 0.ico",
            "block past the end.ico" },
        1, "cursor.cur: a valid cursor file, 1 image\n  1: 16x16, 1 bpp, 2 colours, hotspot 5,9, ",
        "info: name with a\\nnewline.ico: not an icon or cursor file\nbrevane-cli info: block past the end.ico: "
        "Failed to load icon: Icon Images Array is Corrupt. (image 4: ");
    row("info, PNG-stored", { "info", "png and 32-bit images, directory all 0.ico" }, 0,
        "\n  1: 256x256 PNG, 32 bpp, 16.7M colours + alpha, ", "");
    row("info without a file", { "info" }, 2, "", "wrong number of arguments");
    row("preview without -o", { "preview", "depths.ico" }, 2, "",
        "-o - for standard output)\nRun 'brevane-cli preview --help'");
    row("list, names escaped", { "list", "crafted.exe" }, 1, "  name A/B\\nC: 1 image\n", "id 2 is damaged");
    row("list of a missing file", { "list", "missing.exe" }, 1, "", "list: missing.exe: does not exist");
    row("list of a folder", { "list", "pics" }, 1, "", "list: pics: is a folder");
    row("palette --load of a folder", { "palette", "--load", "pics", "-o", "x.pal" }, 1, "",
        "palette: pics: is a folder");
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
    row("extract: not a program", { "extract", "depths.ico", "-o", "x.ico" }, 1, "", "not a Windows executable");
    row("list: too large", { "list", "big.exe" }, 1, "", "list: big.exe: its sections reach 314573312 bytes");
    row("multi, names escaped", { "multi", "--small", "new\nline.bmp", "-o", "o\tut" }, 0, "o\\tut.ico: 1 image", "");
    row("multi, missing picture escaped", { "multi", "--from", "gone\x01.png", "-o", "x" }, 1, "",
        "multi: gone\\x01.png: does not exist");
    row("convert, names escaped", { "convert", "-v", "-o", ".", "new\nline.bmp", "gone\x01.bmp" }, 1,
        "new\\nline.ico\n", "gone\\x01.bmp: ");
    // The damaged group is skipped, the others written, the name made safe for a file name.
    row("extract --all skips a damaged group", { "extract", "--all", "-o", "pics", "crafted.exe" }, 1, "",
        "id 2 is damaged");
}

void tst_CliOutput::messages()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);
    if (args.first() != QLatin1String("info") && m_valid.contains(args.first()))
        args.prepend(QStringLiteral("info"));
    const RawRun r = runRaw(args, m_dir.path());
    QCOMPARE(r.exitCode, exitCode);
    QVERIFY2(r.out.contains(stdoutHas.toUtf8()), r.out.constData());
    QVERIFY2(stderrHas.isEmpty() ? r.err.isEmpty() : r.err.contains(stderrHas), qPrintable(r.err));
    if (args.contains("--all")) {
        QCOMPARE(filesIn(path("pics")), QStringList({ "crafted-1.ico", "crafted-A_B_C.ico" }));
        QCOMPARE(read("pics/crafted-1.ico"), read("pics/crafted-A_B_C.ico"));
    }
}

void tst_CliOutput::standardOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("extract") << QStringList { "extract", path("crafted.exe"), "--name", "a/b\nc" };
    QTest::newRow("palette") << QStringList { "palette", "--load", path("test.pal") };
    QTest::newRow("preview") << QStringList { "preview", path("depths.ico"), "--scale", "2" };
    QTest::newRow("multi --from") << QStringList { "multi", "--from", path("squares.png"), "--sizes", "16,256" };
}

// The same bytes as written to a file; no temporary folder to be had (none can be made in
// /proc, even by root): the data must not pass through one.
void tst_CliOutput::standardOutput()
{
    QFETCH(QStringList, args);
    const QString file = path("written.ico");
    QFile::remove(file);
    QCOMPARE(runRaw(args + QStringList { "-o", file }).exitCode, 0);
    QTemporaryDir cwd;
    qputenv("TMPDIR", "/proc");
    const RawRun r = runRaw(args + QStringList { "-o", "-" }, cwd.path());
    qunsetenv("TMPDIR");
    QCOMPARE(r.exitCode, 0);
    QVERIFY(r.out.size() > 16);
    QCOMPARE(r.out, read("written.ico"));
    QVERIFY2(r.err.contains("standard output"), qPrintable(r.err));
    QCOMPARE(QDir(cwd.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// Programs built by the mingw-w64 tools (32 and 64-bit): list names the groups wrestool finds, in
// its order, with the images icotool lists, and extract --all writes the icon wrestool extracts.
void tst_CliOutput::listAndExtractAllMatchWrestool()
{
    REQUIRE_TOOL("wrestool");
    REQUIRE_TOOL("x86_64-w64-mingw32-windres");
    QTemporaryDir dir;
    const auto at = [&](const QString& name) { return dir.filePath(name); };
    QVERIFY(writeFile(at("png.ico"), iconBytes(1, { pngBlock(QImage(256, 256, QImage::Format_ARGB32)), bmp32Block(32) })));
    QVERIFY(QFile::copy(path("depths.ico"), at("depths.ico")));
    QVERIFY(writeFile(at("app.rc"), "1 ICON \"depths.ico\"\n7 ICON \"png.ico\"\nMyIcon ICON \"depths.ico\"\n"));
    QVERIFY(writeFile(at("app.c"), "int main(void) { return 0; }\n"));
    for (const QString prefix : { "i686-w64-mingw32", "x86_64-w64-mingw32" }) {
        const QString exe = at(prefix + ".exe"), out = at(prefix);
        QCOMPARE(runTool(prefix + "-windres", { at("app.rc"), "-O", "coff", "-o", at("app.res") }).exitCode, 0);
        QCOMPARE(runTool(prefix + "-gcc", { "-o", exe, at("app.c"), at("app.res") }).exitCode, 0);
        const RawRun listed = runRaw({ "list", "--json", exe });
        QCOMPARE(listed.exitCode, 0);
        QVERIFY(QDir().mkpath(out));
        QCOMPARE(runRaw({ "extract", "--all", "-o", out, exe }).exitCode, 0);
        static const QRegularExpression nameOf(QStringLiteral("--name=('?)([^' ]+)\\1"));
        QStringList theirs;
        for (auto it = nameOf.globalMatch(runTool("wrestool", { "-l", "--type=14", exe }).out); it.hasNext();)
            theirs.append(it.next().captured(2));
        const QJsonArray groups = QJsonDocument::fromJson(listed.out).array()[0].toObject()["groups"].toArray();
        QCOMPARE(groups.size(), theirs.size());
        for (qsizetype g = 0; g < groups.size(); ++g) {
            const QJsonObject group = groups[g].toObject();
            const QString name = group["id"].isNull() ? group["name"].toString() : QString::number(group["id"].toInt());
            QCOMPARE(name, theirs[g]);
            const QString icon = at("wrestool.ico");
            QCOMPARE(runTool("wrestool", { "-x", "--type=14", "--name=" + name, "-o", icon, exe }).exitCode, 0);
            QList<ListedImage> images;
            for (const QJsonValue image : group["images"].toArray())
                images.append({ image["width"].toInt(), image["height"].toInt(), image["bits"].toInt() });
            QCOMPARE(images, icotoolList(icon));
            // wrestool appends the raw group after the icon; the icon part must be the same.
            const QByteArray ours = readFile(out + "/" + prefix + "-" + name + ".ico");
            QVERIFY(ours.size() > 22);
            QCOMPARE(readFile(icon).left(ours.size()), ours);
        }
    }
}

// A write cut short (a file-size limit standing in for a full disk) keeps the old file whole.
void tst_CliOutput::fullDiskKeepsTheOldFile()
{
    QFETCH(QStringList, args);
    REQUIRE_TOOL("prlimit");
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("old.out"));
    QVERIFY(writeFile(target, "the old file"));
    const RawRun r = runRaw(args + QStringList { "-o", target }, {}, QStringLiteral("--fsize=16"));
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("old.out") && r.err.contains("File too large"), qPrintable(r.err));
    QCOMPARE(readFile(target), QByteArray("the old file"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "old.out" });
}

void tst_CliOutput::outputOverInputRefused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("input");
    QTest::newRow("extract onto the program") << QStringList { "extract", "crafted.exe", "-o", "crafted.exe" }
                                              << "crafted.exe";
    QTest::newRow("preview onto the icon") << QStringList { "preview", "depths.ico", "-o", "depths.ico" }
                                           << "depths.ico";
    QTest::newRow("palette onto its --load") << QStringList { "palette", "--load", "test.pal", "-o", "./test.pal" }
                                             << "test.pal";
    QTest::newRow("multi onto a link to its --from")
        << QStringList { "multi", "--from", "depths.ico", "--sizes", "16", "-o", "link" } << "depths.ico";
    QTest::newRow("multi onto its --normal")
        << QStringList { "multi", "--small", "new\nline.bmp", "--normal", "depths.ico", "-o", "./depths" }
        << "depths.ico";
}

void tst_CliOutput::outputOverInputRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, input);
    QFile::remove(path("link.ico"));
    QVERIFY(QFile::link("depths.ico", path("link.ico")));
    const QByteArray before = read(input);
    const RawRun r = runRaw(args, m_dir.path());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("would replace its own input"), qPrintable(r.err));
    QCOMPARE(read(input), before);
    QVERIFY(QFileInfo(path("link.ico")).isSymLink());
}

QTEST_GUILESS_MAIN(tst_CliOutput)
#include "tst_cli_output.moc"
