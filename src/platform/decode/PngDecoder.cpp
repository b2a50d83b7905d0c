#include "platform/decode/FormatDecoders.h"

#include <QtEndian>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

namespace brevane::decode {

namespace {

    const quint8 Signature[8] = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };

    struct Source {
        Bytes data;
        std::size_t at = 0;
    };

    void readBytes(png_structp png, png_bytep out, png_size_t length)
    {
        auto* source = static_cast<Source*>(png_get_io_ptr(png));
        if (length > source->data.size() - source->at)
            png_error(png, "Read Error");
        std::memcpy(out, source->data.data() + source->at, length);
        source->at += length;
    }

    void leave(png_structp png, png_const_charp)
    {
        png_longjmp(png, 1);
    }
    void keepQuiet(png_structp, png_const_charp)
    {
    }

    // The image Qt's reader would allocate for the whole picture, only 'region' big.
    bool allocate(QSize whole, QSize region, QImage::Format format, QImage* image)
    {
        if (!withinQtAllocationLimit(whole, QImage::toPixelFormat(format).bitsPerPixel()))
            return false;
        *image = QImage(region, format);
        return !image->isNull();
    }

    // The transformations and the image format Qt's PNG reader chooses, call for call (the
    // order of libpng calls matters), with the image only 'region' big.
    bool setUp(png_structp png, png_infop info, QSize region, QImage* image)
    {
        png_uint_32 width = 0, height = 0;
        int bitDepth = 0, colourType = 0;
        png_bytep transAlpha = nullptr;
        png_color_16p transColour = nullptr;
        int numTrans = 0;
        png_colorp palette = nullptr;
        int numPalette = 0;
        png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
        const QSize whole { int(width), int(height) };
        const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS);
        png_set_interlace_handling(png);

        if (colourType == PNG_COLOR_TYPE_GRAY) {
            if (bitDepth == 1 && png_get_channels(png, info) == 1) {
                png_set_invert_mono(png);
                png_read_update_info(png, info);
                if (!allocate(whole, region, QImage::Format_Mono, image))
                    return false;
                image->setColorCount(2);
                image->setColor(1, qRgb(0, 0, 0));
                image->setColor(0, qRgb(255, 255, 255));
                if (png_get_tRNS(png, info, &transAlpha, &numTrans, &transColour) && transColour) {
                    // White is first in the table, black second; gray is 0 for black.
                    if (transColour->gray == 0)
                        image->setColor(1, qRgba(0, 0, 0, 0));
                    else if (transColour->gray == 1)
                        image->setColor(0, qRgba(255, 255, 255, 0));
                }
            } else if (bitDepth == 16 && png_get_channels(png, info) == 1 && !hasTrns) {
                if (!allocate(whole, region, QImage::Format_Grayscale16, image))
                    return false;
                png_read_update_info(png, info);
                if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                    png_set_swap(png);
            } else if (bitDepth == 16) {
                if (!hasTrns)
                    png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
                else
                    png_set_expand(png);
                png_set_gray_to_rgb(png);
                if (!allocate(whole, region, hasTrns ? QImage::Format_RGBA64 : QImage::Format_RGBX64, image))
                    return false;
                png_read_update_info(png, info);
                if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                    png_set_swap(png);
            } else if (bitDepth == 8 && !hasTrns) {
                png_set_expand(png);
                if (!allocate(whole, region, QImage::Format_Grayscale8, image))
                    return false;
                png_read_update_info(png, info);
            } else {
                if (bitDepth < 8)
                    png_set_packing(png);
                const int colours = bitDepth < 8 ? 1 << bitDepth : 256;
                png_read_update_info(png, info);
                if (!allocate(whole, region, QImage::Format_Indexed8, image))
                    return false;
                image->setColorCount(colours);
                for (int i = 0; i < colours; ++i) {
                    const int c = i * 255 / (colours - 1);
                    image->setColor(i, qRgba(c, c, c, 0xff));
                }
                if (png_get_tRNS(png, info, &transAlpha, &numTrans, &transColour) && transColour
                    && transColour->gray < colours)
                    image->setColor(transColour->gray, 0);
            }
        } else if (colourType == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(png, info, &palette, &numPalette)
            && numPalette <= 256) {
            if (bitDepth != 1)
                png_set_packing(png);
            png_read_update_info(png, info);
            png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
            const QImage::Format format = bitDepth == 1 ? QImage::Format_Mono : QImage::Format_Indexed8;
            if (!allocate(whole, region, format, image))
                return false;
            png_get_PLTE(png, info, &palette, &numPalette);
            image->setColorCount(format == QImage::Format_Mono ? 2 : numPalette);
            int i = 0;
            if (png_get_tRNS(png, info, &transAlpha, &numTrans, &transColour) && transAlpha) {
                for (; i < numTrans; ++i)
                    image->setColor(i, qRgba(palette[i].red, palette[i].green, palette[i].blue, transAlpha[i]));
            }
            for (; i < numPalette; ++i)
                image->setColor(i, qRgba(palette[i].red, palette[i].green, palette[i].blue, 0xff));
            if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                png_set_bgr(png);
        } else if (bitDepth == 16 && !(colourType & PNG_COLOR_MASK_PALETTE)) {
            QImage::Format format = QImage::Format_RGBA64;
            if (!(colourType & PNG_COLOR_MASK_ALPHA) && !hasTrns) {
                png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
                format = QImage::Format_RGBX64;
            } else if (!(colourType & PNG_COLOR_MASK_ALPHA)) {
                // Qt's reader leaves a quarter of each row unset here (icons made from it
                // came out different every time): the colour is made an alpha channel.
                png_set_tRNS_to_alpha(png);
            }
            if (!(colourType & PNG_COLOR_MASK_COLOR))
                png_set_gray_to_rgb(png);
            if (!allocate(whole, region, format, image))
                return false;
            png_read_update_info(png, info);
            if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                png_set_swap(png);
        } else {
            if (bitDepth == 16)
                png_set_strip_16(png);
            png_set_expand(png);
            if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
                png_set_gray_to_rgb(png);
            QImage::Format format = QImage::Format_ARGB32;
            if (!(colourType & PNG_COLOR_MASK_ALPHA) && !hasTrns) {
                png_set_filler(
                    png, 0xff, QSysInfo::ByteOrder == QSysInfo::BigEndian ? PNG_FILLER_BEFORE : PNG_FILLER_AFTER);
                format = QImage::Format_RGB32;
            }
            if (!allocate(whole, region, format, image))
                return false;
            if (QSysInfo::ByteOrder == QSysInfo::BigEndian)
                png_set_swap_alpha(png);
            if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                png_set_bgr(png);
            png_read_update_info(png, info);
        }
        return true;
    }

    // libpng leaves by longjmp to the setjmp below: nothing on the way may own an object
    // with a destructor. 'row' holds a whole row of any format the picture can come in.
    bool run(png_structp png, png_infop info, Source& source, QSize natural, QSize region, std::vector<png_byte>& row,
        QImage* image)
    {
        if (setjmp(png_jmpbuf(png)))
            return false;
        // As Qt's reader: a little memory for files whose deflate window is larger than said.
        png_set_option(png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
        png_set_read_fn(png, &source, readBytes);
        png_read_info(png, info);
        png_uint_32 width = 0, height = 0;
        int bitDepth = 0, colourType = 0, interlace = PNG_INTERLACE_NONE;
        png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
        // Any row of an interlaced picture needs every pass: Qt decodes those whole anyway.
        if (interlace != PNG_INTERLACE_NONE || int(width) != natural.width() || int(height) != natural.height())
            return false;
        if (!setUp(png, info, region, image))
            return false;
        const int depth = image->depth();
        // libpng's row must fill the image's: for 16-bit RGB with a tRNS chunk Qt's reader
        // asks for RGBA64 without expanding, and the end of each row stays unset.
        const png_size_t rowBytes = png_get_rowbytes(png, info);
        if (rowBytes > row.size() || rowBytes < png_size_t((qint64(width) * depth + 7) / 8))
            return false;

        const std::size_t used = std::size_t((qint64(region.width()) * depth + 7) / 8);
        const bool checkIndices = colourType == PNG_COLOR_TYPE_PALETTE && image->format() == QImage::Format_Indexed8;
        const int colours = image->colorCount();
        for (int y = 0; y < region.height(); ++y) {
            png_read_row(png, row.data(), nullptr);
            uchar* line = image->scanLine(y);
            std::memcpy(line, row.data(), used);
            if (checkIndices) {
                // Qt's reader maps indices past the palette to the first colour.
                for (int x = 0; x < region.width(); ++x)
                    if (line[x] >= colours)
                        line[x] = 0;
            }
        }
        return true;
    }

} // namespace

Header probePng(Bytes d)
{
    Header h;
    if (d.size() < 8 || std::memcmp(d.data(), Signature, 8) != 0)
        return h;
    h.format = PartialDecoder::Format::Png;
    // The first chunk must be IHDR: length 13, then width and height, big-endian.
    if (d.size() >= 24 && std::memcmp(d.data() + 12, "IHDR", 4) == 0) {
        const quint32 w = qFromBigEndian<quint32>(d.data() + 16), h32 = qFromBigEndian<quint32>(d.data() + 20);
        // Past 2^31 libpng refuses the file anyway; keep the size representable.
        if (w > 0 && h32 > 0 && w <= 0x7FFFFFFF && h32 <= 0x7FFFFFFF)
            h.size = QSize(int(w), int(h32));
    }
    h.announced = h.size;
    return h;
}

QImage decodePng(Bytes data, const Header& header, QSize region)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, leave, keepQuiet);
    if (!png)
        return {};
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {};
    }
    Source source { data };
    // Eight bytes a pixel at most (16-bit RGBA), plus slack for libpng's filler byte.
    std::vector<png_byte> row(std::size_t(header.size.width()) * 8 + 16);
    QImage image;
    const bool done = run(png, info, source, header.size, region, row, &image);
    png_destroy_read_struct(&png, &info, nullptr);
    return done ? image : QImage();
}

} // namespace brevane::decode
