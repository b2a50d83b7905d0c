#include "platform/PictureLoader.h"

#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/Metafile.h"
#include "platform/Resampler.h"
#include "platform/Surface.h"
#include "platform/decode/PartialDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QSvgRenderer>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace brevane {

namespace {

    [[noreturn]] void invalidPicture(const QString& reason = {})
    {
        if (reason.isEmpty())
            throw Error::runtime(err::InvalidPicture);
        throw Error(err::InvalidPicture, applicationName(), QStringLiteral("Invalid picture: ") + reason);
    }

    void checkSize(QSize size)
    {
        if (size.width() <= 0 || size.height() <= 0)
            invalidPicture();
        if (size.width() > limits::MaxSide || size.height() > limits::MaxSide
            || qint64(size.width()) * size.height() > limits::MaxPicturePixels)
            throw Error(err::InvalidPicture, applicationName(),
                QStringLiteral("Invalid picture: %1 x %2 pixels is too large to load")
                    .arg(size.width())
                    .arg(size.height()));
    }

    // What a BMP, GIF, JPEG or PNG header claims is checked before any library reads the
    // data: the size Qt's reader would announce, the picture's own size, and a JPEG's scans,
    // each one a pass over every coefficient that a few bytes can make.
    void checkHeader(const PartialDecoder::Header& header)
    {
        if (header.announced.isValid())
            checkSize(header.announced);
        if (header.size.isValid())
            checkSize(header.size);
        // Counted whatever the frame says: a scan bomb needs no valid frame to keep libjpeg busy.
        if (header.format == PartialDecoder::Format::Jpeg && header.scans > limits::MaxJpegScans)
            throw Error(err::InvalidPicture, applicationName(),
                QStringLiteral("Invalid picture: more than %1 scans is too many to load").arg(limits::MaxJpegScans));
    }

    QImage readOne(QImageReader& reader)
    {
        if (reader.size().isValid())
            checkSize(reader.size());
        QImage image = reader.read();
        if (image.isNull())
            return image;
        checkSize(image.size());
        // Drawing, Qt looks an index past a short colour table up in whatever memory follows
        // it: such pixels are black, as Qt's own conversion to RGB makes them.
        if (const int full = image.depth() == 1 ? 2 : 256;
            image.colorCount() > 0 && image.colorCount() < full && image.depth() <= 8) {
            QList<QRgb> table = image.colorTable();
            table.resize(full, qRgb(0, 0, 0));
            image.setColorTable(table);
        }
        // Kept as the reader gives it: straight alpha stays straight, and drawing converts
        // only the part that lands on a surface.
        return image;
    }

    // ICO and CUR when no better reader was added (see PictureFormat): Qt's reader gives the
    // first image by default. We take the one whose size is nearest to 32x32 (sum of the width and height differences),
    // the first in the directory among equals: the size the program makes icons of by default.
    QImage readIcon(QImageReader& reader)
    {
        const int count = std::min(reader.imageCount(), limits::MaxIconImages);
        QImage best;
        int bestDistance = std::numeric_limits<int>::max();
        for (int i = 0; i < std::max(count, 1); ++i) {
            if (i > 0 && !reader.jumpToImage(i))
                break;
            QImage image = readOne(reader);
            if (image.isNull())
                continue;
            const int distance = std::abs(image.width() - 32) + std::abs(image.height() - 32);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = std::move(image);
            }
        }
        return best;
    }

    // The format Qt's plug-ins see in the data, lower case; empty when none does.
    QByteArray formatOf(const QByteArray& data)
    {
        QByteArray copy = data;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        reader.setDecideFormatFromContent(true);
        return reader.format().toLower();
    }

    bool isSvg(const QByteArray& format)
    {
        return format == "svg" || format == "svgz";
    }

    // Any format an installed plug-in reads, SVG aside (drawn as a vector picture).
    QImage readRaster(const QByteArray& data)
    {
        QByteArray copy = data;
        QBuffer buffer(&copy);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        // Content decides: a BMP renamed .dib (or anything renamed) is read for what it is.
        reader.setDecideFormatFromContent(true);
        reader.setAutoTransform(false);
        const QByteArray format = reader.format().toLower();
        if (format.isEmpty() || isSvg(format))
            return {};
        checkHeader(PartialDecoder::probe(data));
        if (format != "ico" && format != "cur")
            return readOne(reader);
        if (QImage icon = readIcon(reader); !icon.isNull())
            return icon;
        // An uncompressed TGA starts as a cursor's directory does, and Qt offers it to the ICO
        // reader first.
        QBuffer again(&copy);
        again.open(QIODevice::ReadOnly);
        QImageReader tga(&again, "tga");
        tga.setAutoTransform(false);
        return readOne(tga);
    }

    // SVG and SVGZ, drawn by Qt Svg at any size over transparent pixels. Parsing (its style
    // matching above all) costs far more than drawing: a picture keeps its parsed document.
    QImage renderSvg(QSvgRenderer& renderer, QSize size)
    {
        QImage out(size, QImage::Format_ARGB32_Premultiplied);
        if (out.isNull())
            return {};
        out.fill(Qt::transparent);
        QPainter p(&out);
        renderer.render(&p, QRectF(0, 0, size.width(), size.height()));
        return out;
    }

    std::vector<PictureFormat>& addedFormats()
    {
        static std::vector<PictureFormat> formats;
        return formats;
    }

    // The scaled size of a picture fitted into a side x side square.
    QSize fitted(QSize natural, int side)
    {
        const qint64 w = natural.width(), h = natural.height();
        if (w <= 0 || h <= 0)
            return {};
        if (w >= h)
            return { side, int(std::max<qint64>(1, (2 * h * side + w) / (2 * w))) };
        return { int(std::max<qint64>(1, (2 * w * side + h) / (2 * h))), side };
    }

} // namespace

struct Picture::Data {
    enum class Vector { None, Svg, Emf, Wmf };
    QImage image; // as read: the picture, its top-left part, or the whole picture reduced
    QSize natural; // the picture's size
    bool whole = true; // the image shows the whole picture, at its natural size or reduced
    Vector vector = Vector::None;
    QByteArray drawing; // a metafile's own data, or a file's of several images
    QImage (*readForSide)(const QByteArray& data, int side) = nullptr; // see PictureFormat
    std::shared_ptr<QSvgRenderer> svg; // an SVG's parsed document

    // The vector drawing rendered afresh at 'size', premultiplied.
    QImage render(QSize size) const
    {
        switch (vector) {
        case Vector::Svg:
            return renderSvg(*svg, size);
        case Vector::Emf:
            return Metafile::renderEmf(drawing, size);
        case Vector::Wmf:
            return Metafile::renderWmf(drawing, size);
        case Vector::None:
            break;
        }
        return {};
    }
};

QSize Picture::size() const
{
    return m_data ? m_data->natural : QSize();
}

bool Picture::isVector() const
{
    return m_data && m_data->vector != Data::Vector::None;
}

void Picture::drawOn(Surface& target) const
{
    if (!m_data || target.isNull())
        return;
    // Only the part that lands on the surface; pictures with transparency are drawn from
    // premultiplied pixels, as they always have been.
    const QImage& picture = m_data->image;
    const int w = std::min(target.width(), picture.width());
    const int h = std::min(target.height(), picture.height());
    if (w <= 0 || h <= 0)
        return;
    const QImage image = picture.hasAlphaChannel()
        ? picture.copy(0, 0, w, h).convertToFormat(QImage::Format_ARGB32_Premultiplied)
        : picture;
    if (target.kind() == Surface::Kind::Colour) {
        QPainter p(&target.image());
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.drawImage(0, 0, image);
        return;
    }
    // A mono surface: compose over its current pixels in colour, then keep the nearer of
    // black and white.
    Surface colour = Surface::colour(w, h);
    colour.bitBlt(0, 0, w, h, target, 0, 0);
    {
        QPainter p(&colour.image());
        p.drawImage(0, 0, image);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            target.setPixel(x, y, colour.pixel(x, y));
}

QImage Picture::square(int side, Placement placement, std::optional<QRgb> key) const
{
    if (!m_data || side <= 0)
        return {};
    QImage out(side, side, QImage::Format_ARGB32);
    if (out.isNull())
        return {};
    out.fill(0);
    const QImage& picture = m_data->image;
    QImage part;
    QPoint at(0, 0);
    if (placement == Placement::Crop) {
        part = picture.copy(0, 0, std::min(side, picture.width()), std::min(side, picture.height()))
                   .convertToFormat(QImage::Format_ARGB32);
        if (key && !part.isNull())
            Resampler::makeTransparent(part, *key);
    } else {
        // A file of several images is fitted from its image nearest the size, which may not be
        // the one it was loaded with: a 256x256 image is not made from a 32x32 one.
        const QImage nearest = m_data->readForSide ? m_data->readForSide(m_data->drawing, side) : QImage();
        const QSize size = fitted(nearest.isNull() ? m_data->natural : nearest.size(), side);
        at = QPoint((side - size.width()) / 2, (side - size.height()) / 2);
        if (m_data->vector != Data::Vector::None) {
            part = m_data->render(size).convertToFormat(QImage::Format_ARGB32);
            if (key && !part.isNull())
                Resampler::makeTransparent(part, *key);
        }
        // A drawing its converter refuses at this size is scaled from its natural size.
        if (part.isNull() && (m_data->whole || !nearest.isNull()))
            part = Resampler::resize(nearest.isNull() ? picture : nearest, size, key);
    }
    if (part.isNull())
        return {};
    for (int y = 0; y < part.height(); ++y)
        std::copy_n(reinterpret_cast<const QRgb*>(part.constScanLine(y)), part.width(),
            reinterpret_cast<QRgb*>(out.scanLine(y + at.y())) + at.x());
    return out;
}

void PictureLoader::addFormat(const PictureFormat& format)
{
    if (!hasFormat(format.name))
        addedFormats().push_back(format);
}

bool PictureLoader::hasFormat(const char* name)
{
    const auto& formats = addedFormats();
    return std::any_of(
        formats.begin(), formats.end(), [&](const PictureFormat& f) { return qstrcmp(f.name, name) == 0; });
}

namespace {

    QByteArray readPictureFile(const QString& path)
    {
        const QFileInfo info(path);
        if (!info.exists() || !info.isFile())
            throw Error::runtime(err::FileNotFound);
        if (info.size() > limits::MaxPictureFileBytes)
            throw Error(err::InvalidPicture, applicationName(),
                QStringLiteral("Invalid picture: the file is too large to load"));
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            throw Error::runtime(err::PathFileAccess);
        // A metafile's budget is smaller: its header says so before the file is read whole.
        if (info.size() > limits::MaxMetafileBytes && Metafile::detect(f.peek(128)) != Metafile::Kind::None)
            invalidPicture(QStringLiteral("the metafile is too large to load"));
        return f.readAll();
    }

} // namespace

Picture PictureLoader::load(const QString& path)
{
    return fromData(readPictureFile(path));
}

Picture PictureLoader::load(const QString& path, QSize needed, Drawings drawings)
{
    return fromData(readPictureFile(path), needed, drawings);
}

Picture PictureLoader::fromData(const QByteArray& data, QSize needed, Drawings drawings)
{
    const PartialDecoder::Header header = PartialDecoder::probe(data);
    if (header.format == PartialDecoder::Format::Other || !header.size.isValid())
        return decodeWhole(data, drawings);
    checkHeader(header);
    QImage part = PartialDecoder::decode(data, header, needed);
    if (part.isNull())
        return decodeWhole(data, drawings); // a case Qt decodes its own way
    auto d = std::make_shared<Picture::Data>();
    d->image = std::move(part);
    d->natural = header.size;
    d->whole = d->image.size() == d->natural;
    Picture picture;
    picture.m_data = std::move(d);
    return picture;
}

Picture PictureLoader::loadToFit(const QString& path, int side, Drawings drawings)
{
    return fromDataToFit(readPictureFile(path), side, drawings);
}

Picture PictureLoader::fromDataToFit(const QByteArray& data, int side, Drawings drawings)
{
    const PartialDecoder::Header header = PartialDecoder::probe(data);
    if (header.format == PartialDecoder::Format::Other || !header.size.isValid())
        return decodeWhole(data, drawings);
    checkHeader(header);
    QImage reduced = PartialDecoder::decodeScaled(data, header, fitted(header.size, side));
    if (reduced.isNull())
        return decodeWhole(data, drawings);
    auto d = std::make_shared<Picture::Data>();
    d->image = std::move(reduced);
    d->natural = header.size;
    Picture picture;
    picture.m_data = std::move(d);
    return picture;
}

QImage PictureLoader::readImage(const QByteArray& data, const QByteArray& format)
{
    QByteArray copy = data;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QImage image = readOne(reader);
    return image.isNull() ? image : image.convertToFormat(QImage::Format_ARGB32);
}

Picture PictureLoader::fromData(const QByteArray& data)
{
    // Whole, through the same decoders as a part: a picture gives the same pixels either way.
    return fromData(data, QSize(), Drawings::Load);
}

Picture PictureLoader::decodeWhole(const QByteArray& data, Drawings drawings)
{
    if (data.isEmpty())
        invalidPicture();
    auto d = std::make_shared<Picture::Data>();
    for (const PictureFormat& format : addedFormats()) {
        if (format.claims(data)) {
            d->image = format.read(data);
            if (d->image.isNull())
                invalidPicture();
            checkSize(d->image.size());
            d->natural = d->image.size();
            if (format.readForSide) {
                d->readForSide = format.readForSide;
                d->drawing = data;
            }
            break;
        }
    }
    QString why;
    if (d->image.isNull()) {
        if (const auto refused = Metafile::refusal(data))
            invalidPicture(*refused);
        const Metafile::Kind metafile = Metafile::detect(data);
        const bool svg = metafile == Metafile::Kind::None && isSvg(formatOf(data));
        if (drawings == Drawings::Leave && (metafile != Metafile::Kind::None || svg))
            return {};
        switch (metafile) {
        case Metafile::Kind::Emf:
            d->natural = Metafile::emfSize(data);
            if (!d->natural.isValid())
                invalidPicture();
            checkSize(d->natural);
            d->vector = Picture::Data::Vector::Emf;
            d->image = Metafile::renderEmf(data, d->natural);
            break;
        case Metafile::Kind::Wmf:
            d->natural = Metafile::wmfSize(data);
            if (!d->natural.isValid())
                invalidPicture();
            checkSize(d->natural);
            d->vector = Picture::Data::Vector::Wmf;
            d->image = Metafile::renderWmf(data, d->natural, &why);
            break;
        case Metafile::Kind::None:
            if (svg) {
                // No animation timer: it would belong to the loading thread, and the
                // picture may be drawn and dropped on another.
                d->svg = std::make_shared<QSvgRenderer>();
                d->svg->setFramesPerSecond(0);
                if (!d->svg->load(data))
                    invalidPicture();
                d->natural = d->svg->defaultSize();
                checkSize(d->natural);
                d->vector = Picture::Data::Vector::Svg;
                d->image = renderSvg(*d->svg, d->natural);
            } else {
                d->image = readRaster(data);
                d->natural = d->image.size();
            }
            break;
        }
    }
    if (d->image.isNull())
        invalidPicture(why);
    d->whole = d->image.size() == d->natural;
    if (d->vector == Picture::Data::Vector::Emf || d->vector == Picture::Data::Vector::Wmf)
        d->drawing = data;
    Picture picture;
    picture.m_data = std::move(d);
    return picture;
}

} // namespace brevane
