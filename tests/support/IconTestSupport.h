#pragma once

// Helpers shared by the icon and palette tests.

#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"
#include "support/IconCheck.h"
#include "support/PlainFiles.h"

#include <QtEndian>

#include <functional>

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

using CliRun = ToolRun;
inline CliRun runCli(const QStringList& args) { return runTool(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), args); }

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
    static const QRgb basic[] { 0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF };
    std::vector<quint8> t(std::size_t(4) << bits, 0);
    for (std::size_t i = 0; i < std::min<std::size_t>(16, std::size_t(1) << bits); ++i)
        for (std::size_t k = 0; k < 3; ++k)
            t[4 * i + k] = quint8(basic[i] >> (8 * k)); // QRgb's low bytes are blue, green, red
    return t;
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
    const int bits = ColourDepth::bitsFor(colourCount); // the colour bits follow the header and table
    std::fill(bytes.begin() + 22 + 40 + (bits <= 8 ? 4 << bits : 0), bytes.end(), filler);
    bytes.chop(trim);
    qToLittleEndian<qint32>(made.imageBytes(1) - trim, bytes.data() + 6 + 8);
    return writeFile(path, bytes) && icon.load(path);
}

} // namespace brevane::test
