// Drives the ICO reader: the check, the load, every read operation on what was loaded,
// a clone and a save of it; 32-bit and PNG-stored blocks read, refilled and added; the
// file read as a picture.
#include "FuzzFile.h"

#include "icon/IconFile.h"
#include "platform/Error.h"

#include <array>

using namespace brevane;

namespace {

// A picture with every kind of alpha, larger than most images.
const QImage& argb()
{
    static const QImage image = [] {
        QImage p(300, 300, QImage::Format_ARGB32);
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 300; ++x)
                p.setPixel(x, y, qRgba(x, y, x ^ y, (x * y) & 0xFF));
        return p;
    }();
    return image;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile input(data, size);
    IconFile icon;
    (void)icon.isIconFile(input.path());
    // As a picture: cropped (the image nearest 32x32) and fitted to 256 (the largest or 256).
    for (const int side : { 0, 256 }) {
        try {
            (void)IconFile::pictureFromIconData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), side);
        } catch (const Error&) {
        }
    }
    try {
        if (!icon.load(input.path()))
            return 0;
    } catch (const Error&) {
        return 0;
    }

    std::array<quint8, 4 * 256> palette {};
    for (qint32 i = 0; i <= icon.imageCount() + 1; ++i) {
        // Every operation either answers or raises the program's error; nothing else may happen.
        try {
            (void)icon.imageWidth(i);
        } catch (const Error&) {
        }
        try {
            (void)icon.imageHeight(i);
        } catch (const Error&) {
        }
        try {
            (void)icon.imageBytes(i);
        } catch (const Error&) {
        }
        try {
            (void)icon.imageColourCount(i);
        } catch (const Error&) {
        }
        try {
            icon.colourTable(i, palette);
        } catch (const Error&) {
        }
        try {
            icon.setColourTable(i, palette);
        } catch (const Error&) {
        }
        try {
            (void)icon.blockInfo(i);
        } catch (const Error&) {
        }
        try {
            icon.setImageFromArgb(i, argb());
        } catch (const Error&) {
        }
    }
    IconFile clone;
    icon.cloneTo(clone);
    try {
        clone.save(FuzzFile::dir().filePath(QStringLiteral("output.ico")));
    } catch (const Error&) {
    }
    try {
        clone.addImage(16, 16, 2);
        clone.removeImage(1);
    } catch (const Error&) {
    }
    // New images beside whatever was loaded, filled and saved: offsets must stay consistent.
    for (const ImageShape& shape : { ImageShape { 256, 256, 32 }, ImageShape { 20, 20, 32, ImageStorage::Png },
             ImageShape { 40, 40, 4 } }) {
        try {
            icon.setImageFromArgb(icon.addImage(shape), argb(), RGB(255, 0, 255));
        } catch (const Error&) {
        }
    }
    try {
        icon.save(FuzzFile::dir().filePath(QStringLiteral("output2.ico")));
    } catch (const Error&) {
    }
    return 0;
}
