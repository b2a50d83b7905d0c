#include "platform/Metafile.h"

#include "platform/Limits.h"
#include "platform/LittleEndian.h"

#include <QPainter>
#include <QSvgRenderer>

#include <cmath>
#include <cstdlib>
#include <span>

#include <emf2svg.h>

extern "C" {
#include <libwmf/api.h>
#include <libwmf/svg.h>
}

namespace brevane::Metafile {

namespace {

    constexpr quint32 EmfHeaderType = 1;
    constexpr quint32 EmfEofType = 14;
    constexpr quint32 EmfSignature = 0x464D4520; // " EMF"
    constexpr quint32 PlaceableKey = 0x9AC6CDD7;
    constexpr qint64 EmfHeaderBytes = 88;
    constexpr qint64 PlaceableBytes = 22;
    constexpr qint64 WmfHeaderBytes = 18;
    // 0.01 mm units per inch.
    constexpr double HiMetricPerInch = 2540.0;
    constexpr int Dpi = 96;

    using le::bytes;

    bool plainWmfHeader(std::span<const quint8> d, std::size_t at)
    {
        if (d.size() < at + WmfHeaderBytes)
            return false;
        const quint16 type = le::u16(d, at);
        const quint16 headerWords = le::u16(d, at + 2);
        const quint16 version = le::u16(d, at + 4);
        return (type == 1 || type == 2) && headerWords == 9 && (version == 0x0100 || version == 0x0300);
    }

    // The header's description and pixel format lie inside the header record: the
    // converter reads them from the offsets given.
    bool emfHeaderSound(std::span<const quint8> d)
    {
        const quint64 headerSize = le::u32(d, 4);
        if (headerSize < EmfHeaderBytes || headerSize > d.size())
            return false;
        const quint64 nDescription = le::u32(d, 60), offDescription = le::u32(d, 64);
        if ((nDescription != 0 || offDescription != 0)
            && (offDescription < EmfHeaderBytes || offDescription + 2 * nDescription > headerSize))
            return false;
        if (headerSize >= 100) {
            const quint64 cbPixelFormat = le::u32(d, 88), offPixelFormat = le::u32(d, 92);
            if ((cbPixelFormat != 0 || offPixelFormat != 0)
                && (offPixelFormat < EmfHeaderBytes || offPixelFormat + cbPixelFormat > headerSize))
                return false;
        }
        return true;
    }

    // Every record lies inside the data, and the last one is EMR_EOF: emf2svg trusts the sizes.
    bool emfRecordsSound(std::span<const quint8> d)
    {
        if (!emfHeaderSound(d))
            return false;
        std::size_t at = 0;
        while (at + 8 <= d.size()) {
            const quint32 type = le::u32(d, at);
            const quint32 size = le::u32(d, at + 4);
            if (size < 8 || size % 4 != 0 || size > d.size() - at)
                return false;
            if (type == EmfEofType)
                return true;
            at += size;
        }
        return false;
    }

    // libwmf allocates what the header's largest-record field says before reading a record,
    // and trusts record sizes: the header must not claim a record larger than the file,
    // and every record must lie inside the data up to META_EOF.
    bool wmfRecordsSound(std::span<const quint8> d)
    {
        std::size_t at = (le::u32(d, 0) == PlaceableKey) ? PlaceableBytes : 0;
        if (!plainWmfHeader(d, at))
            return false;
        const quint64 maxRecordBytes = quint64(le::u32(d, at + 12)) * 2;
        if (maxRecordBytes > d.size())
            return false;
        at += WmfHeaderBytes;
        while (at + 6 <= d.size()) {
            const quint64 bytes = quint64(le::u32(d, at)) * 2;
            const quint16 function = le::u16(d, at + 4);
            if (bytes < 6 || bytes > d.size() - at)
                return false;
            if (function == 0) // META_EOF
                return true;
            at += std::size_t(bytes);
        }
        return false;
    }

    QSize sane(double w, double h)
    {
        if (!(w >= 0.5 && h >= 0.5))
            return {};
        // Larger than any picture we load: the caller refuses it as too large.
        return { int(std::lround(std::min(w, limits::MaxSide + 1.0))),
            int(std::lround(std::min(h, limits::MaxSide + 1.0))) };
    }

    QImage renderSvg(const QByteArray& svg, QSize size)
    {
        QSvgRenderer renderer(svg);
        if (!renderer.isValid())
            return {};
        QImage out(size, QImage::Format_ARGB32_Premultiplied);
        if (out.isNull())
            return {};
        out.fill(Qt::transparent);
        QPainter p(&out);
        renderer.render(&p, QRectF(0, 0, size.width(), size.height()));
        p.end();
        return out;
    }

    // One libwmf session rendering to SVG in memory; released on every path.
    class WmfSession {
    public:
        explicit WmfSession(const QByteArray& data)
            : m_data(data)
        {
            wmfAPI_Options options {};
            options.function = wmf_svg_function;
            // NO_ERROR and IGNORE_NONFATAL keep libwmf from printing to stderr and from
            // giving up on records it merely does not know.
            const unsigned long flags
                = WMF_OPT_FUNCTION | WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG | WMF_OPT_IGNORE_NONFATAL;
            if (wmf_api_create(&m_api, flags, &options) != wmf_E_None) {
                if (m_api)
                    wmf_api_destroy(m_api);
                m_api = nullptr;
                return;
            }
            if (wmf_mem_open(m_api, reinterpret_cast<unsigned char*>(m_data.data()), long(m_data.size())) != wmf_E_None)
                return;
            m_open = true;
            if (wmf_scan(m_api, 0, &m_bbox) != wmf_E_None)
                return;
            unsigned int w = 0, h = 0;
            if (wmf_display_size(m_api, &w, &h, Dpi, Dpi) != wmf_E_None)
                return;
            m_size = QSize(
                int(std::min<unsigned>(w, limits::MaxSide + 1)), int(std::min<unsigned>(h, limits::MaxSide + 1)));
            m_scanned = true;
        }
        ~WmfSession()
        {
            if (!m_api)
                return;
            if (m_open)
                wmf_mem_close(m_api);
            wmf_api_destroy(m_api);
        }
        WmfSession(const WmfSession&) = delete;
        WmfSession& operator=(const WmfSession&) = delete;

        bool scanned() const { return m_scanned; }
        QSize size() const { return m_size; }

        QByteArray svg(QSize size)
        {
            if (!m_scanned)
                return {};
            wmf_svg_t* ddata = WMF_SVG_GetData(m_api);
            ddata->out = wmf_stream_create(m_api, nullptr);
            if (!ddata->out)
                return {};
            static char description[] = "Brevane";
            ddata->Description = description;
            ddata->bbox = m_bbox;
            // libwmf maps the drawing's scanned extent onto the output; a placeable file's
            // own bounding box (in points, from its top-left) is the picture's frame instead.
            const auto d = bytes(m_data);
            if (d.size() >= PlaceableBytes && le::u32(d, 0) == PlaceableKey && le::u16(d, 14) != 0) {
                const double inch = le::u16(d, 14);
                ddata->bbox.TL.x = 0;
                ddata->bbox.TL.y = 0;
                ddata->bbox.BR.x = float((le::i16(d, 10) - le::i16(d, 6)) * 72.0 / inch);
                ddata->bbox.BR.y = float((le::i16(d, 12) - le::i16(d, 8)) * 72.0 / inch);
            }
            ddata->width = unsigned(size.width());
            ddata->height = unsigned(size.height());
            const wmf_error_t played = wmf_play(m_api, 0, &m_bbox);
            char* text = nullptr;
            unsigned long length = 0;
            wmf_stream_destroy(m_api, ddata->out, &text, &length);
            ddata->out = nullptr;
            QByteArray out;
            if (played == wmf_E_None && text)
                out = QByteArray(text, qsizetype(length));
            if (text)
                wmf_free(m_api, text);
            return out;
        }

    private:
        QByteArray m_data; // libwmf reads from a writable buffer
        wmfAPI* m_api = nullptr;
        bool m_open = false;
        bool m_scanned = false;
        wmfD_Rect m_bbox {};
        QSize m_size;
    };

} // namespace

Kind detect(const QByteArray& data)
{
    const auto d = bytes(data);
    if (d.size() >= EmfHeaderBytes && le::u32(d, 0) == EmfHeaderType && le::u32(d, 40) == EmfSignature)
        return Kind::Emf;
    if (d.size() >= PlaceableBytes + WmfHeaderBytes && le::u32(d, 0) == PlaceableKey)
        return Kind::Wmf;
    if (plainWmfHeader(d, 0))
        return Kind::Wmf;
    return Kind::None;
}

QSize emfSize(const QByteArray& data)
{
    const auto d = bytes(data);
    if (detect(data) != Kind::Emf)
        return {};
    // rclFrame: inclusive bounds of the picture in 0.01 mm.
    const qint64 left = le::i32(d, 24), top = le::i32(d, 28), right = le::i32(d, 32), bottom = le::i32(d, 36);
    return sane(double(right - left) * Dpi / HiMetricPerInch, double(bottom - top) * Dpi / HiMetricPerInch);
}

QSize wmfSize(const QByteArray& data)
{
    const auto d = bytes(data);
    if (d.size() >= PlaceableBytes && le::u32(d, 0) == PlaceableKey) {
        // Bounding box in metafile units, 'inch' of them to the inch.
        const qint32 left = le::i16(d, 6), top = le::i16(d, 8), right = le::i16(d, 10), bottom = le::i16(d, 12);
        const quint16 inch = le::u16(d, 14);
        if (inch == 0)
            return {};
        return sane(double(right - left) * Dpi / inch, double(bottom - top) * Dpi / inch);
    }
    if (!plainWmfHeader(d, 0) || !wmfRecordsSound(d))
        return {};
    WmfSession session(data);
    if (!session.scanned())
        return {};
    return sane(session.size().width(), session.size().height());
}

QImage renderEmf(const QByteArray& data, QSize size)
{
    if (detect(data) != Kind::Emf || !emfRecordsSound(bytes(data)) || size.isEmpty())
        return {};
    // An empty namespace: with "svg" the converter writes malformed XML around clipping.
    static char noNamespace[] = "";
    generatorOptions options {};
    options.nameSpace = noNamespace;
    options.verbose = false;
    options.emfplus = true;
    options.svgDelimiter = true;
    // Explicit sizes: with 0 the converter makes the picture a pixel short.
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    QByteArray copy = data;
    char* svg = nullptr;
    size_t svgLength = 0;
    const int ok = emf2svg(copy.data(), std::size_t(copy.size()), &svg, &svgLength, &options);
    QByteArray text;
    if (svg) {
        text = QByteArray(svg, qsizetype(svgLength));
        std::free(svg);
    }
    if (!ok || text.isEmpty())
        return {};
    return renderSvg(text, size);
}

QImage renderWmf(const QByteArray& data, QSize size)
{
    if (detect(data) != Kind::Wmf || !wmfRecordsSound(bytes(data)) || size.isEmpty())
        return {};
    WmfSession session(data);
    const QByteArray svg = session.svg(size);
    if (svg.isEmpty())
        return {};
    return renderSvg(svg, size);
}

} // namespace brevane::Metafile
