#include "platform/decode/FormatDecoders.h"

#include "platform/Limits.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE
#include <cstring>

#include <jpeglib.h>

namespace brevane::decode {

namespace {

    quint16 be16(Bytes d, std::size_t at)
    {
        return quint16(d[at] << 8 | d[at + 1]);
    }

    bool isStartOfFrame(quint8 marker)
    {
        // C4 (DHT), C8 (JPG) and CC (DAC) share the range without being frames.
        return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    }

    // Past a scan's entropy-coded data: to the first 0xFF that starts a marker. Inside the
    // data 0xFF is always followed by 0x00 (a stuffed byte) or a restart marker.
    std::size_t skipEntropyData(Bytes d, std::size_t at)
    {
        while (at + 1 < d.size()) {
            const auto* ff = static_cast<const quint8*>(std::memchr(d.data() + at, 0xFF, d.size() - at - 1));
            if (!ff)
                return d.size();
            at = std::size_t(ff - d.data());
            const quint8 next = d[at + 1];
            if (next != 0x00 && next != 0xFF && !(next >= 0xD0 && next <= 0xD7))
                return at;
            at += next == 0xFF ? 1 : 2;
        }
        return d.size();
    }

    struct ErrorManager {
        jpeg_error_mgr manager;
        std::jmp_buf jump;
    };

    void leave(j_common_ptr info)
    {
        std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
    }
    // Warnings (a missing end of data, say) are decoded through, as Qt's reader does.
    void keepQuiet(j_common_ptr)
    {
    }

    struct Job {
        Bytes data;
        QSize natural;
        QSize region;
        int scaleNum = 8;
    };

    // libjpeg leaves by longjmp to the setjmp below: nothing in this function may own an
    // object with a destructor, and it only writes into the image the caller owns.
    bool run(jpeg_decompress_struct& info, ErrorManager& error, const Job& job, QImage* out)
    {
        if (setjmp(error.jump))
            return false;
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, job.data.data(), static_cast<unsigned long>(job.data.size()));
        jpeg_read_header(&info, TRUE);
        if (int(info.image_width) != job.natural.width() || int(info.image_height) != job.natural.height())
            return false;
        // Qt's reader keeps libjpeg's defaults: the accurate integer DCT, fancy upsampling.
        info.scale_num = unsigned(job.scaleNum);
        info.scale_denom = 8;
        jpeg_calc_output_dimensions(&info);

        const bool cmyk = info.output_components == 4 && info.out_color_space == JCS_CMYK;
        if (info.output_components != 1 && info.output_components != 3 && !cmyk)
            return false;
        const int width = std::min(int(info.output_width), job.region.width());
        const int height = std::min(int(info.output_height), job.region.height());
        *out = QImage(width, height, info.output_components == 1 ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
        if (out->isNull())
            return false;

        jpeg_start_decompress(&info);
        // Columns past the part are not transformed. The crop keeps a block of slack on the
        // right: upsampling treats the crop's edge as the picture's edge.
        const int slack = 8 * info.max_h_samp_factor;
        JDIMENSION cropWidth = JDIMENSION((width + slack - 1) / slack * slack + slack);
        if (cropWidth < info.output_width) {
            JDIMENSION cropLeft = 0;
            jpeg_crop_scanline(&info, &cropLeft, &cropWidth);
        }
        JSAMPARRAY row = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
            info.output_width * JDIMENSION(info.output_components), 1);

        uchar* bits = out->bits();
        const qsizetype bpl = out->bytesPerLine();
        while (int(info.output_scanline) < height) {
            uchar* line = bits + qsizetype(info.output_scanline) * bpl;
            if (jpeg_read_scanlines(&info, row, 1) != 1)
                return false;
            const JSAMPLE* in = row[0];
            if (info.output_components == 1) {
                std::memcpy(line, in, std::size_t(width));
                continue;
            }
            auto* pixel = reinterpret_cast<QRgb*>(line);
            for (int x = 0; x < width; ++x, in += info.output_components) {
                if (cmyk) {
                    const int k = in[3]; // Qt's reader: no inversion, k scales each ink
                    pixel[x] = qRgb(k * in[0] / 255, k * in[1] / 255, k * in[2] / 255);
                } else {
                    pixel[x] = qRgb(in[0], in[1], in[2]);
                }
            }
        }
        return true;
    }

} // namespace

Header probeJpeg(Bytes d)
{
    Header h;
    if (d.size() < 4 || d[0] != 0xFF || d[1] != 0xD8)
        return h;
    h.format = PartialDecoder::Format::Jpeg;
    std::size_t at = 2;
    while (at < d.size()) {
        if (d[at] != 0xFF) { // stray bytes between segments: libjpeg skips them too
            ++at;
            continue;
        }
        while (at < d.size() && d[at] == 0xFF)
            ++at;
        if (at >= d.size())
            break;
        const quint8 marker = d[at++];
        if (marker == 0xD9)
            break;
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8))
            continue; // no length
        if (at + 2 > d.size())
            break;
        const std::size_t length = be16(d, at);
        if (length < 2)
            break;
        if (isStartOfFrame(marker) && !h.size.isValid() && at + 7 <= d.size())
            h.size = QSize(be16(d, at + 5), be16(d, at + 3));
        at += length;
        if (marker == 0xDA) {
            // Counting stops just past the limit: the whole file need not be walked to refuse it.
            if (++h.scans > limits::MaxJpegScans)
                break;
            at = skipEntropyData(d, at);
        }
    }
    if (h.size.isEmpty())
        h.size = QSize(); // no frame, or one of zero lines: libjpeg refuses it
    h.announced = h.size;
    return h;
}

int jpegScaleFor(QSize natural, QSize atLeast)
{
    for (int m = 1; m < 8; ++m) {
        // libjpeg rounds a reduced size up.
        const qint64 w = (qint64(natural.width()) * m + 7) / 8, h = (qint64(natural.height()) * m + 7) / 8;
        if (w >= atLeast.width() && h >= atLeast.height())
            return m;
    }
    return 8;
}

QImage decodeJpeg(Bytes data, const Header& header, QSize region, int scaleNum)
{
    jpeg_decompress_struct info {};
    ErrorManager error {};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = leave;
    error.manager.output_message = keepQuiet;
    QImage image;
    const bool done = run(info, error, Job { data, header.size, region, scaleNum }, &image);
    jpeg_destroy_decompress(&info); // also stops a decode that is not finished
    return done ? image : QImage();
}

} // namespace brevane::decode
