#pragma once

// Helpers shared by the icon tests: documents whose pixel bits hold a known filler, an
// independent reading of image bits, and the 16 basic colours.

#include "icon/cls_IconFile.h"

#include <QFile>
#include <QRgb>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>

namespace brevane::test {

// The 16 colours of the standard 4-bit palette, as the palette class's SetPalette hands them over.
inline const std::array<QRgb, 16>& basicColours()
{
    static const std::array<QRgb, 16> c { qRgb(0, 0, 0), qRgb(128, 0, 0), qRgb(0, 128, 0), qRgb(128, 128, 0),
        qRgb(0, 0, 128), qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192), qRgb(128, 128, 128),
        qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(255, 255, 0), qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255),
        qRgb(255, 255, 255) };
    return c;
}

// A colour table of 2^bits entries, blue-green-red-0, from the basic colours (the rest black).
inline std::vector<quint8> basicTable(int bits)
{
    std::vector<quint8> t(std::size_t(4) << bits, 0);
    for (std::size_t i = 0; i < std::min<std::size_t>(16, std::size_t(1) << bits); ++i) {
        t[4 * i] = quint8(qBlue(basicColours()[i]));
        t[4 * i + 1] = quint8(qGreen(basicColours()[i]));
        t[4 * i + 2] = quint8(qRed(basicColours()[i]));
    }
    return t;
}

// The offset of the colour bits in a block made by AddImage.
inline int xorOffsetFor(int colourCount)
{
    switch (colourCount) {
    case 2:
        return 40 + 8;
    case 16:
        return 40 + 64;
    case 256:
        return 40 + 1024;
    default:
        return 40;
    }
}

// A document with one AddImage image whose colour and mask bits all hold 'filler', read
// back from a saved file (so every byte a fill leaves alone can be told from a written 0).
// 'trim' bytes are cut from the end of the block and its dwBytesInRes (a lying file).
inline bool loadWithFiller(
    cls_IconFile& icon, const QTemporaryDir& dir, int width, int height, int colourCount, char filler, int trim = 0)
{
    cls_IconFile made;
    made.AddImage(width, height, colourCount);
    const QString path = dir.filePath(QStringLiteral("filled.ico"));
    made.saveicon(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite))
        return false;
    QByteArray bytes = f.readAll();
    for (qsizetype i = 22 + xorOffsetFor(colourCount); i < bytes.size(); ++i)
        bytes[i] = filler;
    if (trim > 0) {
        bytes.chop(trim);
        qToLittleEndian<qint32>(made.ImageSize(1) - trim, bytes.data() + 6 + 8);
    }
    f.resize(0);
    f.seek(0);
    f.write(bytes);
    f.close();
    return icon.LoadIcon(path);
}

} // namespace brevane::test
