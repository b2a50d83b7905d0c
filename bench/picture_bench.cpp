// Figures for making icon pixels: setImageFromSurface at 16, 32 and 48 pixels in every
// colour format, and loading plus drawing a 256x256 picture of every format.
#include "icon/IconFile.h"
#include "platform/PictureBox.h"
#include "platform/PictureLoader.h"
#include "platform/Surface.h"

#include "../tests/support/MetafileWriter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QtEndian>

#include <benchmark/benchmark.h>

using namespace brevane;

namespace {

constexpr int Side = 256;

QImage samplePicture()
{
    QImage img(Side, Side, QImage::Format_ARGB32);
    for (int y = 0; y < Side; ++y)
        for (int x = 0; x < Side; ++x)
            img.setPixel(x, y, x < Side / 2 ? qRgb(x, y, (x * y) & 0xFF) : qRgba(0, 0, 0, 0));
    return img;
}

QByteArray encode(const QImage& img, const char* format)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    QImageWriter(&b, format).write(img);
    return out;
}

// Qt writes no GIF: this one has a 256-colour table and LZW codes of 9 bits, with a clear
// code before the table would grow, so no compression is needed.
QByteArray gif(const QImage& img)
{
    QByteArray out("GIF89a");
    auto u16 = [&](int v) { out.append(char(v & 0xFF)).append(char(v >> 8)); };
    u16(img.width());
    u16(img.height());
    out.append(char(0xF7)).append('\0').append('\0'); // global table of 256
    for (int i = 0; i < 256; ++i)
        out.append(char(i & 0xE0)).append(char((i << 3) & 0xE0)).append(char((i << 6) & 0xC0));
    out.append("\x21\xF9\x04\x01\x00\x00\x00\x00", 8); // index 0 transparent
    out.append(',');
    u16(0), u16(0), u16(img.width()), u16(img.height());
    out.append('\0').append(char(8));
    QByteArray codes;
    quint32 acc = 0;
    int bits = 0;
    auto put = [&](int code) {
        acc |= quint32(code) << bits;
        bits += 9;
        while (bits >= 8) {
            codes.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    int sinceClear = 0;
    put(256);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (sinceClear == 250) {
                put(256);
                sinceClear = 0;
            }
            const QRgb c = img.pixel(x, y);
            put(qAlpha(c) == 0 ? 0 : ((qRed(c) & 0xE0) | ((qGreen(c) >> 3) & 0x1C) | (qBlue(c) >> 6)) | 1);
            ++sinceClear;
        }
    put(257);
    if (bits > 0)
        codes.append(char(acc & 0xFF));
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        out.append(char(block.size())).append(block);
    }
    out.append('\0').append(';');
    return out;
}

QByteArray pictureOf(int format)
{
    const QImage img = samplePicture();
    switch (format) {
    case 0:
        return encode(img.convertToFormat(QImage::Format_RGB32), "bmp");
    case 1:
        return gif(img);
    case 2:
        return encode(img.convertToFormat(QImage::Format_RGB32), "jpeg");
    case 3:
        return encode(img, "png");
    case 4:
        return encode(img, "ico");
    case 5: {
        QByteArray cur = encode(img, "ico");
        qToLittleEndian<quint16>(2, cur.data() + 2); // a cursor, hot spot 0,0
        qToLittleEndian<quint32>(0, cur.data() + 10);
        return cur;
    }
    case 6:
        return test::makeEmf(Side, Side, QRect(0, 0, Side / 2, Side), 0x000080FF);
    default:
        return test::makeWmf(Side, Side, QRect(0, 0, Side / 2, Side), 0x000080FF);
    }
}

const char* const formatNames[] = { "BMP", "GIF", "JPEG", "PNG", "ICO", "CUR", "EMF", "WMF" };

void BM_setImageFromSurface(benchmark::State& state)
{
    const int size = int(state.range(0));
    const int colours = int(state.range(1));
    IconFile icon;
    icon.addImage(size, size, colours);
    Surface picture = Surface::colour(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            picture.setPixel(x, y, (x + y) % 4 == 0 ? RGB(255, 0, 255) : RGB(x * 5, y * 5, x * y));
    for (auto _ : state)
        icon.setImageFromSurface(picture, 1);
    const int bits = colours == 2 ? 1 : colours == 16 ? 4 : colours == 256 ? 8 : 24;
    state.SetLabel(std::to_string(size) + "px " + std::to_string(bits) + " bits");
}
BENCHMARK(BM_setImageFromSurface)->ArgsProduct({ { 16, 32, 48 }, { 2, 16, 256, 1000 } })->Unit(benchmark::kMicrosecond);

void BM_LoadAndDraw256(benchmark::State& state)
{
    const QByteArray data = pictureOf(int(state.range(0)));
    PictureBox box(Side, Side, RGB(255, 255, 255));
    for (auto _ : state) {
        box.setPicture(PictureLoader::fromData(data));
        benchmark::DoNotOptimize(box.pixel(0, 0));
    }
    if (PictureLoader::fromData(data).size() != QSize(Side, Side))
        state.SkipWithError("the picture did not load at 256x256");
    state.SetLabel(formatNames[state.range(0)]);
}
BENCHMARK(BM_LoadAndDraw256)->DenseRange(0, 7)->Unit(benchmark::kMillisecond);

// Loading a 256x256 BMP, GIF, JPEG or PNG for a 32x32 icon: the whole picture through Qt, or
// only the 34x34 square the batch engine's preview box shows.
void BM_LoadForIcon32(benchmark::State& state)
{
    const QByteArray data = pictureOf(int(state.range(0)));
    const bool partial = state.range(1) != 0;
    for (auto _ : state) {
        const Picture picture = partial ? PictureLoader::fromData(data, QSize(34, 34)) : PictureLoader::fromData(data);
        benchmark::DoNotOptimize(picture.size());
    }
    state.SetLabel(std::string(formatNames[state.range(0)]) + (partial ? " partial" : " whole"));
}
BENCHMARK(BM_LoadForIcon32)->ArgsProduct({ { 0, 1, 2, 3 }, { 0, 1 } })->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
