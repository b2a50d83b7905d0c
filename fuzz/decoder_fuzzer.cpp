// Drives the partial decoders over any bytes, through the loader as the batch engine calls
// it, with several needed squares. Where the partial decoder answers and the whole picture
// loads too (through the same decoders, or Qt's reader where they leave it), the part must
// show the same pixels: a difference aborts. tst_partialdecode compares them with Qt's
// reader over a corpus of every header kind (Qt leaves pixels of a few files unset, which
// no comparison could trust).
#include "platform/Error.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"
#include "platform/decode/PartialDecoder.h"

#include <QByteArray>
#include <QGuiApplication>

#include <cstdint>
#include <cstdlib>

using namespace brevane;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

namespace {

Surface drawn(const Picture& picture, QSize region)
{
    Surface s = Surface::colour(region.width(), region.height(), RGB(1, 2, 3));
    picture.drawOn(s);
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first byte picks the square, so the fuzzer explores sizes too.
    static const QSize squares[] = { QSize(18, 18), QSize(34, 34), QSize(50, 50), QSize(1, 1), QSize(300, 3) };
    const QSize needed = size ? squares[data[0] % 5] : QSize(18, 18);

    Picture whole;
    try {
        whole = PictureLoader::fromData(bytes);
    } catch (const Error&) {
    }
    Picture part;
    try {
        part = PictureLoader::fromData(bytes, needed);
        if (part.isNull() || part.size().isEmpty())
            std::abort(); // a loaded picture always has a size
    } catch (const Error&) {
        return 0;
    }
    const PartialDecoder::Header header = PartialDecoder::probe(bytes);
    if (whole.isNull() || PartialDecoder::decode(bytes, header, needed).isNull())
        return 0; // the whole failed (past the part, say), or the partial reader left it to Qt
    if (part.size() != whole.size())
        std::abort();
    const QSize region = part.size().boundedTo(needed);
    if (drawn(part, region).image() != drawn(whole, region).image())
        std::abort();
    return 0;
}
