// Drives the picture loader over any bytes: the format is found by content, the natural
// size checked, the picture drawn on a colour and a monochrome surface, cropped with a key
// colour and fitted into squares smaller and larger than itself. The only way out is the
// program's error.
#include "platform/Error.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

using namespace brevane;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Metafiles are rendered through Qt Svg, which wants a GUI application for its fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const Picture picture = PictureLoader::fromData(bytes);
        if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0)
            std::abort(); // a loaded picture always has a size
        Surface colour = Surface::colour(48, 48, RGB(1, 2, 3));
        picture.drawOn(colour);
        Surface mono = Surface::mono(20, 20);
        picture.drawOn(mono);
        for (const int side : { 16, 300 })
            if (picture.square(side, Placement::Fit).size() != QSize(side, side))
                std::abort();
        (void)picture.square(32, Placement::Crop, qRgb(255, 0, 255));
    } catch (const Error&) {
    }
    return 0;
}
