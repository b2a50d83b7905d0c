#include "platform/PictureLoader.h"

#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/Metafile.h"
#include "platform/Surface.h"
#include "platform/decode/PartialDecoder.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <cstdlib>

namespace brevane {

namespace {

    const QList<QByteArray>& rasterFormats()
    {
        static const QList<QByteArray> formats { "bmp", "dib", "gif", "jpeg", "jpg", "png", "ico", "cur" };
        return formats;
    }

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

    // Pictures with transparency get one working format whatever the reader produced
    // (mono, indexed, ARGB...). Opaque ones stay as read: drawing copies their pixels
    // either way, and only the part that lands on the surface gets converted.
    QImage workingFormat(QImage image)
    {
        if (!image.hasAlphaChannel())
            return image;
        return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

    QImage readOne(QImageReader& reader)
    {
        if (reader.size().isValid())
            checkSize(reader.size());
        QImage image = reader.read();
        if (image.isNull())
            return image;
        checkSize(image.size());
        return workingFormat(std::move(image));
    }

    // ICO and CUR hold several images; the reader gives the first by default. We take the
    // one whose size is nearest to 32x32 (sum of the width and height differences), the
    // first in the directory among equals: the size the program makes icons of by default.
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
        if (!rasterFormats().contains(format))
            return {};
        checkHeader(PartialDecoder::probe(data));
        if (format == "ico" || format == "cur")
            return readIcon(reader);
        return readOne(reader);
    }

} // namespace

struct Picture::Data {
    QImage image; // ARGB32 premultiplied when it has transparency
    QSize natural; // the picture's size; the image may hold only its top-left part
};

QSize Picture::size() const
{
    return m_data ? m_data->natural : QSize();
}

void Picture::drawOn(Surface& target) const
{
    if (!m_data || target.isNull())
        return;
    if (target.kind() == Surface::Kind::Colour) {
        QPainter p(&target.image());
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        p.drawImage(0, 0, m_data->image);
        return;
    }
    // A mono surface: compose over its current pixels in colour, then keep the nearer of
    // black and white.
    const int w = std::min(target.width(), m_data->image.width());
    const int h = std::min(target.height(), m_data->image.height());
    Surface colour = Surface::colour(w, h);
    colour.bitBlt(0, 0, w, h, target, 0, 0);
    {
        QPainter p(&colour.image());
        p.drawImage(0, 0, m_data->image);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            target.setPixel(x, y, colour.pixel(x, y));
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

Picture PictureLoader::load(const QString& path, QSize needed)
{
    return fromData(readPictureFile(path), needed);
}

Picture PictureLoader::fromData(const QByteArray& data, QSize needed)
{
    const PartialDecoder::Header header = PartialDecoder::probe(data);
    if (header.format == PartialDecoder::Format::Other || !header.size.isValid())
        return fromData(data);
    checkHeader(header);
    QImage part = PartialDecoder::decode(data, header, needed);
    if (part.isNull())
        return fromData(data); // a case Qt decodes its own way
    auto d = std::make_shared<Picture::Data>();
    d->image = workingFormat(std::move(part));
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
    if (reader.size().isValid())
        checkSize(reader.size());
    QImage image = reader.read();
    if (image.isNull())
        return image;
    checkSize(image.size());
    return image.convertToFormat(QImage::Format_ARGB32);
}

Picture PictureLoader::fromData(const QByteArray& data)
{
    if (data.isEmpty())
        invalidPicture();
    QImage image;
    QSize size;
    QString why;
    if (const auto refused = Metafile::refusal(data))
        invalidPicture(*refused);
    switch (Metafile::detect(data)) {
    case Metafile::Kind::Emf: {
        size = Metafile::emfSize(data);
        if (!size.isValid())
            invalidPicture();
        checkSize(size);
        image = Metafile::renderEmf(data, size);
        break;
    }
    case Metafile::Kind::Wmf: {
        size = Metafile::wmfSize(data);
        if (!size.isValid())
            invalidPicture();
        checkSize(size);
        image = Metafile::renderWmf(data, size, &why);
        break;
    }
    case Metafile::Kind::None:
        image = readRaster(data);
        size = image.size();
        break;
    }
    if (image.isNull())
        invalidPicture(why);
    auto d = std::make_shared<Picture::Data>();
    d->image = std::move(image);
    d->natural = size;
    Picture picture;
    picture.m_data = std::move(d);
    return picture;
}

} // namespace brevane
