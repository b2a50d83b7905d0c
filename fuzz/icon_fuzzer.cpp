// Drives the ICO reader: the check, the load, every read operation on what was loaded,
// a clone and a save of it.
#include "FuzzFile.h"

#include "icon/IconFile.h"
#include "platform/Error.h"

#include <array>

using namespace brevane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile input(data, size);
    IconFile icon;
    (void)icon.isIconFile(input.path());
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
    return 0;
}
