// Drives the JASC palette reader; whatever it accepts must save and load back unchanged.
#include "FuzzFile.h"

#include "palette/cls_Colors.h"
#include "platform/Error.h"

#include <cstdlib>

using namespace brevane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile input(data, size);
    cls_Colors palette;
    bool loaded = false;
    try {
        loaded = palette.LoadFromJASCFile(input.path());
    } catch (const Error&) {
    }
    for (qint32 i = 1; i <= palette.Count(); ++i)
        (void)palette.ClosestIndex(palette.Red(i), palette.Green(i) + 1, palette.Blue(i) - 1);
    if (!loaded)
        return 0;

    const QString out = FuzzFile::dir().filePath(QStringLiteral("output.pal"));
    palette.SaveToJASCFile(out);
    cls_Colors back;
    back.LoadFromJASCFile(out);
    if (back.Count() != palette.Count())
        std::abort();
    for (qint32 i = 1; i <= palette.Count(); ++i) {
        if (back.Red(i) != palette.Red(i) || back.Green(i) != palette.Green(i) || back.Blue(i) != palette.Blue(i))
            std::abort();
    }
    return 0;
}
