// Drives the icon's pixel operations over whatever an ICO file holds: every image drawn
// (colours, mask, stretched), made into an image with alpha, and filled again from a
// picture with a transparent colour and with a mask context. Every block must come back
// unchanged from the drawing and keep its size through the fill.
#include "FuzzFile.h"

#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Surface.h"

#include <cstdlib>

using namespace brevane;

namespace {

const Surface& picture()
{
    static const Surface s = [] {
        Surface p = Surface::colour(64, 64);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x)
                p.setPixel(x, y, (x + y) % 5 == 0 ? RGB(255, 0, 255) : RGB(x * 4, y * 4, (x ^ y) * 4));
        return p;
    }();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile input(data, size);
    IconFile icon;
    try {
        if (!icon.load(input.path()))
            return 0;
    } catch (const Error&) {
        return 0;
    }

    Surface dc = Surface::colour(80, 80, RGB(10, 20, 30));
    Surface mono = Surface::mono(40, 40);
    for (qint32 i = 0; i <= icon.imageCount() + 1; ++i) {
        QByteArray before;
        try {
            before = icon.imageBlock(i);
        } catch (const Error&) {
        }
        try {
            icon.drawImage(dc, i);
        } catch (const Error&) {
        }
        try {
            icon.drawImage(dc, i, 1, 3, 4, 0, 0, Rop::SRCAND);
        } catch (const Error&) {
        }
        try {
            icon.drawImage(dc, i, 0, -5, 2, 70, 0, Rop::SRCINVERT);
        } catch (const Error&) {
        }
        try {
            icon.drawImage(mono, i, 0, 0, 0, 0, 33);
        } catch (const Error&) {
        }
        try {
            (void)icon.imageWithAlpha(dc, i);
        } catch (const Error&) {
        }
        if (i >= 1 && i <= icon.imageCount() && icon.imageBlock(i) != before)
            std::abort(); // drawing changed the document
    }
    for (qint32 i = 0; i <= icon.imageCount() + 1; ++i) {
        qsizetype sizeBefore = -1;
        try {
            sizeBefore = icon.imageBlock(i).size();
        } catch (const Error&) {
        }
        Surface source = picture();
        try {
            icon.setImageFromSurface(source, i);
        } catch (const Error&) {
        }
        try {
            icon.setImageFromSurface(source, i, 7, 3, RGB(0, 0, 0), &mono);
        } catch (const Error&) {
        }
        if (i >= 1 && i <= icon.imageCount() && icon.imageBlock(i).size() != sizeBefore)
            std::abort(); // a fill must never grow or shrink a block
    }
    return 0;
}
