// Drives the JASC palette reader; whatever it accepts must save and load back unchanged.
#include "FuzzFile.h"

#include "palette/Palette.h"
#include "platform/Error.h"

#include <cstdlib>

using namespace brevane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzFile input(data, size);
    Palette palette;
    bool loaded = false;
    try {
        palette.loadJasc(input.path());
        loaded = true;
    } catch (const Error&) {
    }
    for (qint32 i = 1; i <= palette.count(); ++i)
        (void)palette.closestIndex(palette.red(i), palette.green(i) + 1, palette.blue(i) - 1);
    if (!loaded)
        return 0;

    const QString out = FuzzFile::dir().filePath(QStringLiteral("output.pal"));
    palette.saveJasc(out);
    Palette back;
    back.loadJasc(out);
    if (back.count() != palette.count())
        std::abort();
    for (qint32 i = 1; i <= palette.count(); ++i) {
        if (back.red(i) != palette.red(i) || back.green(i) != palette.green(i) || back.blue(i) != palette.blue(i))
            std::abort();
    }
    return 0;
}
