#include "platform/Metafile.h"

#include "platform/Limits.h"
#include "platform/LittleEndian.h"
#include "platform/MetafileScan.h"

#include <QDeadlineTimer>
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
    constexpr quint32 EmfSignature = 0x464D4520; // " EMF"
    constexpr quint32 PlaceableKey = 0x9AC6CDD7;
    constexpr qint64 EmfHeaderBytes = 88;
    constexpr qint64 PlaceableBytes = 22;
    constexpr qint64 WmfHeaderBytes = 18;
    constexpr quint16 MetaRectangle = 0x041B;
    // 0.01 mm units per inch.
    constexpr double HiMetricPerInch = 2540.0;
    constexpr int Dpi = 96;

    using le::bytes;

    QSize sane(double w, double h)
    {
        if (!(w >= 0.5 && h >= 0.5))
            return {};
        // Larger than any picture we load: the caller refuses it as too large.
        return { int(std::lround(std::min(w, limits::MaxSide + 1.0))),
            int(std::lround(std::min(h, limits::MaxSide + 1.0))) };
    }

    // The drawing at 'size', of which only the top-left part that any surface reaches is
    // kept: filling a shape costs its area, and a frame of 32 megapixels filled by
    // thousands of shapes took minutes.
    QImage renderSvg(const QByteArray& svg, QSize size)
    {
        QSvgRenderer renderer(svg);
        if (!renderer.isValid())
            return {};
        QImage out(size.boundedTo(QSize(limits::MetafileDrawnSide, limits::MetafileDrawnSide)),
            QImage::Format_ARGB32_Premultiplied);
        if (out.isNull())
            return {};
        out.fill(Qt::transparent);
        QPainter p(&out);
        renderer.render(&p, QRectF(0, 0, size.width(), size.height()));
        p.end();
        return out;
    }

    // One libwmf session over a copy of the data (libwmf reads from a writable buffer),
    // released on every path. The SVG device is chosen; a watchdog stops play that runs
    // too long.
    class WmfApi {
    public:
        explicit WmfApi(QByteArray data)
            : m_data(std::move(data))
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
            wmf_status_function(m_api, &m_deadline, &WmfApi::inTime);
            if (wmf_mem_open(m_api, reinterpret_cast<unsigned char*>(m_data.data()), long(m_data.size())) != wmf_E_None)
                return;
            m_open = true;
        }
        ~WmfApi()
        {
            if (!m_api)
                return;
            if (m_open)
                wmf_mem_close(m_api);
            wmf_api_destroy(m_api);
        }
        WmfApi(const WmfApi&) = delete;
        WmfApi& operator=(const WmfApi&) = delete;

        wmfAPI* api() const { return m_open ? m_api : nullptr; }
        const QByteArray& data() const { return m_data; }
        bool timedOut() const { return m_deadline.hasExpired(); }

        // The drawing's extent in libwmf's device units.
        std::optional<wmfD_Rect> scan()
        {
            wmfD_Rect box {};
            if (!api() || wmf_scan(m_api, 0, &box) != wmf_E_None)
                return {};
            return box;
        }

    private:
        // libwmf asks between records; non-zero stops it.
        static int inTime(void* context, float) { return static_cast<QDeadlineTimer*>(context)->hasExpired() ? 1 : 0; }

        QByteArray m_data;
        wmfAPI* m_api = nullptr;
        bool m_open = false;
        QDeadlineTimer m_deadline { limits::MaxMetafilePlayMs };
    };

    // Where libwmf puts a placeable file's frame, in its device units: its mapping
    // depends on the mapping mode, the window, the viewport and defaults of its own, so
    // it is asked rather than copied. A file made of the frame's setup records and one
    // rectangle over the frame is scanned, twice with different rectangles, since the
    // scanned extent includes half a pen on each side.
    std::optional<wmfD_Rect> deviceFrame(std::span<const quint8> d)
    {
        const auto frame = placeableFrame(d);
        if (!frame)
            return {};
        const auto scanRectangle = [&](int right, int bottom) -> std::optional<wmfD_Rect> {
            QByteArray probe(reinterpret_cast<const char*>(d.data()), PlaceableBytes + WmfHeaderBytes);
            probe += frame->setup;
            char rectangle[14];
            qToLittleEndian<quint32>(7, rectangle);
            qToLittleEndian<quint16>(MetaRectangle, rectangle + 4);
            for (int i = 0; const int v : { bottom, right, frame->top, frame->left })
                qToLittleEndian<qint16>(qint16(v), rectangle + 6 + 2 * i++);
            probe.append(rectangle, sizeof rectangle);
            probe.append("\x03\0\0\0\0\0", 6); // META_EOF
            qToLittleEndian<quint32>(quint32((probe.size() - PlaceableBytes) / 2), probe.data() + PlaceableBytes + 6);
            return WmfApi(probe).scan();
        };
        const qint64 width = qint64(frame->right) - frame->left, height = qint64(frame->bottom) - frame->top;
        const auto fits = [](qint64 v) { return v >= -32768 && v <= 32767; };
        if (!fits(frame->right) || !fits(frame->bottom) || std::abs(width) < 2 || std::abs(height) < 2)
            return {};
        const qint64 halfWidth = width - width / 2, halfHeight = height - height / 2;
        const auto whole = scanRectangle(frame->right, frame->bottom);
        const auto half = scanRectangle(int(frame->left + halfWidth), int(frame->top + halfHeight));
        if (!whole || !half)
            return {};
        // Device units per logical unit, and half a pen, along each axis.
        const double wholeW = whole->BR.x - whole->TL.x, wholeH = whole->BR.y - whole->TL.y;
        const double scaleX = (wholeW - (half->BR.x - half->TL.x)) / double(std::abs(width) - std::abs(halfWidth));
        const double scaleY = (wholeH - (half->BR.y - half->TL.y)) / double(std::abs(height) - std::abs(halfHeight));
        const double penX = (wholeW - scaleX * std::abs(width)) / 2, penY = (wholeH - scaleY * std::abs(height)) / 2;
        if (!(scaleX > 0) || !(scaleY > 0))
            return {};
        wmfD_Rect box = *whole;
        box.TL.x = float(box.TL.x + penX);
        box.TL.y = float(box.TL.y + penY);
        box.BR.x = float(box.BR.x - penX);
        box.BR.y = float(box.BR.y - penY);
        return box;
    }

    QByteArray wmfSvg(const QByteArray& data, QSize size, QString* why)
    {
        WmfApi session(data);
        const auto scanned = session.scan();
        if (!scanned)
            return {};
        wmfAPI* api = session.api();
        wmf_svg_t* ddata = WMF_SVG_GetData(api);
        ddata->out = wmf_stream_create(api, nullptr);
        if (!ddata->out)
            return {};
        static char description[] = "Brevane";
        ddata->Description = description;
        // libwmf maps the drawing's scanned extent onto the output; a placeable file's
        // own frame is the picture instead.
        ddata->bbox = deviceFrame(bytes(data)).value_or(*scanned);
        ddata->width = unsigned(size.width());
        ddata->height = unsigned(size.height());
        wmfD_Rect box = *scanned;
        const wmf_error_t played = wmf_play(api, 0, &box);
        char* text = nullptr;
        unsigned long length = 0;
        wmf_stream_destroy(api, ddata->out, &text, &length);
        ddata->out = nullptr;
        QByteArray out;
        if (played == wmf_E_None && text)
            out = QByteArray(text, qsizetype(length));
        if (text)
            wmf_free(api, text);
        if (session.timedOut() && why)
            *why = QStringLiteral("the metafile takes too long to draw");
        return out;
    }

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

std::optional<QString> refusal(const QByteArray& data)
{
    if (detect(data) != Kind::None && data.size() > limits::MaxMetafileBytes)
        return QStringLiteral("the metafile is too large to load");
    Walk walk;
    switch (detect(data)) {
    case Kind::Emf:
        walk = walkEmf(bytes(data));
        break;
    case Kind::Wmf:
        walk = walkWmf(bytes(data));
        break;
    case Kind::None:
        return {};
    }
    if (!walk.sound)
        return QString();
    if (!walk.refusal.isEmpty())
        return walk.refusal;
    return {};
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
    if (!plainWmfHeader(d, 0) || !walkWmf(d).drawable())
        return {};
    WmfApi session(data);
    unsigned int w = 0, h = 0;
    if (!session.scan() || wmf_display_size(session.api(), &w, &h, Dpi, Dpi) != wmf_E_None)
        return {};
    return sane(std::min<unsigned>(w, limits::MaxSide + 1), std::min<unsigned>(h, limits::MaxSide + 1));
}

QImage renderEmf(const QByteArray& data, QSize size)
{
    if (detect(data) != Kind::Emf || !walkEmf(bytes(data)).drawable() || size.isEmpty())
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

QImage renderWmf(const QByteArray& data, QSize size, QString* why)
{
    if (detect(data) != Kind::Wmf || !walkWmf(bytes(data)).drawable() || size.isEmpty())
        return {};
    const QByteArray svg = wmfSvg(data, size, why);
    if (svg.isEmpty())
        return {};
    return renderSvg(svg, size);
}

} // namespace brevane::Metafile
