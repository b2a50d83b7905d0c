#pragma once

#include <QByteArray>
#include <QtEndian>

#include <cstdint>
#include <span>

namespace brevane::le {

// A byte array's bytes as the unsigned span the readers below take.
inline std::span<const quint8> bytes(const QByteArray& a)
{
    return { reinterpret_cast<const quint8*>(a.constData()), static_cast<std::size_t>(a.size()) };
}
inline std::span<quint8> bytes(QByteArray& a)
{
    return { reinterpret_cast<quint8*>(a.data()), static_cast<std::size_t>(a.size()) };
}

// Field-by-field little-endian access; callers check the span is long enough first.
inline quint8 u8(std::span<const quint8> d, std::size_t at)
{
    return d[at];
}
inline quint16 u16(std::span<const quint8> d, std::size_t at)
{
    return qFromLittleEndian<quint16>(d.data() + at);
}
inline qint16 i16(std::span<const quint8> d, std::size_t at)
{
    return qFromLittleEndian<qint16>(d.data() + at);
}
inline quint32 u32(std::span<const quint8> d, std::size_t at)
{
    return qFromLittleEndian<quint32>(d.data() + at);
}
inline qint32 i32(std::span<const quint8> d, std::size_t at)
{
    return qFromLittleEndian<qint32>(d.data() + at);
}

inline void put16(std::span<quint8> d, std::size_t at, quint16 v)
{
    qToLittleEndian<quint16>(v, d.data() + at);
}
inline void put32(std::span<quint8> d, std::size_t at, quint32 v)
{
    qToLittleEndian<quint32>(v, d.data() + at);
}

} // namespace brevane::le
