#pragma once

// The command-line tests' own helpers: the program run with its output as raw bytes, and icon
// and cursor files put together byte by byte, so that a test can state what our writer never
// makes: PNG-stored and 32-bit images, and directories that say 0 bits and 0 pixels as many
// real files do.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QtEndian>

namespace brevane::test {

struct RawRun {
    int exitCode = -1;
    QByteArray out;
    QString err;
};

inline RawRun runRaw(const QStringList& args, const QString& workingDirectory = QString())
{
    QProcess p;
    p.setWorkingDirectory(workingDirectory);
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), args);
    RawRun r;
    if (!p.waitForFinished(120000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

struct RawImage {
    QByteArray block;
    quint16 planes = 0; // a cursor's hotspot x
    quint16 bitCount = 0; // a cursor's hotspot y
};

// An icon (type 1) or cursor (type 2) file whose entries state 0 for width, height and colours.
inline QByteArray iconBytes(quint16 type, const QList<RawImage>& images)
{
    QByteArray d(6 + 16 * images.size(), '\0');
    qToLittleEndian<quint16>(type, d.data() + 2);
    qToLittleEndian<quint16>(quint16(images.size()), d.data() + 4);
    qsizetype offset = d.size();
    for (qsizetype i = 0; i < images.size(); ++i) {
        char* e = d.data() + 6 + 16 * i;
        qToLittleEndian<quint16>(images[i].planes, e + 4);
        qToLittleEndian<quint16>(images[i].bitCount, e + 6);
        qToLittleEndian<quint32>(quint32(images[i].block.size()), e + 8);
        qToLittleEndian<quint32>(quint32(offset), e + 12);
        offset += images[i].block.size();
    }
    for (const RawImage& image : images)
        d += image.block;
    return d;
}

inline QByteArray pngBlock(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A size x size 32-bit block: colour and alpha bits, then the AND mask.
inline QByteArray bmp32Block(int size)
{
    const int maskRow = (size + 31) / 32 * 4;
    QByteArray b(40 + size * size * 4 + size * maskRow, '\x5A');
    std::fill(b.begin(), b.begin() + 40, '\0');
    qToLittleEndian<quint32>(40, b.data());
    qToLittleEndian<qint32>(size, b.data() + 4);
    qToLittleEndian<qint32>(2 * size, b.data() + 8);
    qToLittleEndian<quint16>(1, b.data() + 12);
    qToLittleEndian<quint16>(32, b.data() + 14);
    return b;
}

} // namespace brevane::test
