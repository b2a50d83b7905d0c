#pragma once

// Helpers shared by the icon, palette and command-line tests.

#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"
#include "support/PlainFiles.h"

#include <functional>

#include <QFile>
#include <QProcess>
#include <QRgb>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>

namespace brevane::test {

// The number of the Error 'fn' raises (0 when none), its description and source into the others.
inline qint32 errorOf(const std::function<void()>& fn, QString* description = nullptr, QString* source = nullptr)
{
    try {
        fn();
    } catch (const Error& e) {
        if (description)
            *description = e.description();
        if (source)
            *source = e.source();
        return e.number();
    }
    return 0;
}

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliRun runCli(const QStringList& args, const QString& workingDirectory = QString())
{
    QProcess p;
    p.setWorkingDirectory(workingDirectory);
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), args);
    if (!p.waitForFinished(60000))
        return {};
    return { p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardOutput()),
        QString::fromUtf8(p.readAllStandardError()) };
}

inline constexpr Colour Magenta = RGB(255, 0, 255);

// Magenta scattered over many other colours, magenta at the top-left.
inline Colour patternAt(int x, int y)
{
    return (x * 3 + y * 5) % 7 == 0 ? Magenta : RGB((x * 37) % 256, (y * 59) % 256, ((x + y) * 23) % 250);
}

inline Surface makePicture(int w, int h)
{
    Surface s = Surface::colour(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            s.setPixel(x, y, patternAt(x, y));
    return s;
}

// A colour table of 2^bits entries, blue-green-red-0: the 16 colours of the standard 4-bit palette, then black.
inline std::vector<quint8> basicTable(int bits)
{
    static const std::array<QRgb, 16> basic { qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0),
        qRgb(0, 0, 128), qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192), qRgb(128, 128, 128),
        qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255),
        qRgb(255, 255, 255) };
    std::vector<quint8> t(std::size_t(4) << bits, 0);
    for (std::size_t i = 0; i < std::min<std::size_t>(16, std::size_t(1) << bits); ++i)
        for (std::size_t k = 0; k < 3; ++k)
            t[4 * i + k] = quint8(basic[i] >> (8 * k)); // QRgb's low bytes are blue, green, red
    return t;
}

inline int bitsFor(int colourCount)
{
    return colourCount == 2 ? 1 : colourCount == 16 ? 4 : colourCount == 256 ? 8 : 24;
}

// The offset of the colour bits in a block made by addImage.
inline int xorOffsetFor(int colourCount)
{
    const int bits = bitsFor(colourCount);
    return 40 + (bits <= 8 ? 4 << bits : 0);
}

// A document with one addImage image whose colour and mask bits all hold 'filler', read
// back from a saved file (so every byte a fill leaves alone can be told from a written 0).
// 'trim' bytes are cut from the end of the block and its dwBytesInRes (a lying file).
inline bool loadWithFiller(
    IconFile& icon, const QTemporaryDir& dir, int size, int colourCount, char filler, int trim = 0)
{
    IconFile made;
    made.addImage(size, size, colourCount);
    const QString path = dir.filePath(QStringLiteral("filled.ico"));
    made.save(path);
    QByteArray bytes = readFile(path);
    for (qsizetype i = 22 + xorOffsetFor(colourCount); i < bytes.size(); ++i)
        bytes[i] = filler;
    bytes.chop(trim);
    qToLittleEndian<qint32>(made.imageBytes(1) - trim, bytes.data() + 6 + 8);
    return writeFile(path, bytes) && icon.load(path);
}

} // namespace brevane::test
