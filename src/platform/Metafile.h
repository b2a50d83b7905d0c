#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

namespace brevane::Metafile {

enum class Kind { None, Emf, Wmf };

// By content: an EMF header record, a placeable WMF key or a plain WMF header.
Kind detect(const QByteArray& data);

// Why the data must not reach a converter: nothing when it may be drawn; an empty reason
// when it is simply damaged; otherwise what it breaks (a damaged bitmap header, a bitmap
// too large, too many records...).
std::optional<QString> refusal(const QByteArray& data);

// Natural size in pixels at 96 dpi from the header's bounds; an invalid size when the
// header is missing or its bounds make no sense. A plain WMF has no bounds: its size comes
// from libwmf's scan of the drawing (wmfSize needs the whole file then).
QSize emfSize(const QByteArray& data);
QSize wmfSize(const QByteArray& data);

// The drawing rendered at 'size' over transparent pixels, of which only the top-left
// limits::MetafileDrawnSide pixels square is returned; a null image when the converter
// refuses the data or stops it, with the reason in 'why' when there is more to say.
QImage renderEmf(const QByteArray& data, QSize size);
QImage renderWmf(const QByteArray& data, QSize size, QString* why = nullptr);

} // namespace brevane::Metafile
