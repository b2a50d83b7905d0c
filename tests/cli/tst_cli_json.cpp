#include "icon/IconFile.h"

#include "../support/IconTestSupport.h"
#include "CliSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
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

class tst_CliJson : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void infoJsonMatchesIndependentReading();
    void infoTextShowsSoundFilesOnly();

private:
    void write(const QString& name, const QByteArray& bytes, bool valid)
    {
        QVERIFY(writeFile(m_dir.filePath(name), bytes));
        (valid ? m_valid : m_invalid).append(name);
    }

    QTemporaryDir m_dir;
    QStringList m_valid;
    QStringList m_invalid { QStringLiteral("missing.ico") };
};

void tst_CliJson::initTestCase()
{
    QVERIFY(m_dir.isValid());
    IconFile four;
    four.addImage(16, 16, 2);
    four.addImage(32, 32, 16);
    four.addImage(48, 48, 256);
    four.addImage(24, 24, ColourDepth::TrueColour);
    four.save(m_dir.filePath(QStringLiteral("four depths.ico")));
    m_valid.append(QStringLiteral("four depths.ico"));

    QImage rgba(256, 256, QImage::Format_ARGB32);
    rgba.fill(qRgba(10, 200, 30, 128));
    QImage indexed(40, 20, QImage::Format_Indexed8);
    indexed.setColorTable({ qRgb(1, 2, 3), qRgb(200, 100, 0) });
    indexed.fill(1);
    write(QStringLiteral("png and 32-bit images, directory all 0.ico"),
        iconBytes(1, { { pngBlock(rgba) }, { bmp32Block(48) }, { pngBlock(indexed) } }), true);
    write(QStringLiteral("cursor.cur"), iconBytes(2, { { four.imageBlock(1), 5, 9 } }), true);

    QByteArray sevenBits = four.imageBlock(1);
    qToLittleEndian<quint16>(7, sevenBits.data() + 14);
    write(QStringLiteral("7 bits per pixel.ico"), iconBytes(1, { { sevenBits } }), false);
    write(QStringLiteral("pixels cut short.ico"), iconBytes(1, { { four.imageBlock(2).left(300) } }), false);
    write(QStringLiteral("block past the end.ico"),
        readFile(m_dir.filePath(QStringLiteral("four depths.ico"))).chopped(10), false);
    write(QStringLiteral("300 images.ico"), QByteArray("\0\0\1\0\x2c\x01", 6) + QByteArray(300 * 16, '\0'), false);
    write(QStringLiteral("name with a\nnewline.ico"), "these are not the pixels you are looking for\n", false);
}

void tst_CliJson::infoJsonMatchesIndependentReading()
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

void tst_CliJson::infoTextShowsSoundFilesOnly()
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

QTEST_GUILESS_MAIN(tst_CliJson)
#include "tst_cli_json.moc"
