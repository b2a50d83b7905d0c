// Drives the ICO reader: the check, the load, every read operation on what was loaded,
// a clone and a save of it.
#include "FuzzFile.h"

#include "icon/cls_IconFile.h"
#include "platform/Error.h"

#include <array>

using namespace brevane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile input(data, size);
    cls_IconFile icon;
    (void)icon.IsAnIconFile(input.path());
    try {
        if (!icon.LoadIcon(input.path()))
            return 0;
    } catch (const Error&) {
        return 0;
    }

    std::array<quint8, 4 * 256> palette {};
    for (qint32 i = 0; i <= icon.ImageCount() + 1; ++i) {
        // Every operation either answers or raises the program's error; nothing else may happen.
        try { (void)icon.ImageWidth(i); } catch (const Error&) { }
        try { (void)icon.ImageHeight(i); } catch (const Error&) { }
        try { (void)icon.ImageSize(i); } catch (const Error&) { }
        try { (void)icon.ImageColourCount(i); } catch (const Error&) { }
        try { icon.GetPalette(i, palette); } catch (const Error&) { }
        try { icon.SetPalette(i, palette); } catch (const Error&) { }
    }
    cls_IconFile clone;
    icon.CloneTo(clone);
    try {
        clone.saveicon(FuzzFile::dir().filePath(QStringLiteral("output.ico")));
    } catch (const Error&) {
    }
    try {
        clone.AddImage(16, 16, 2);
        clone.RemoveImage(1);
    } catch (const Error&) {
    }
    return 0;
}
