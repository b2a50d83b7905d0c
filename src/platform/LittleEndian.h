#pragma once

#include <QtEndian>

#include <cstdint>
#include <span>

namespace brevane::le {

// Field-by-field little-endian access; callers check the span is long enough first.
inline quint8 u8(std::span<const quint8> d, std::size_t at) { return d[at]; }
inline quint16 u16(std::span<const quint8> d, std::size_t at) { return qFromLittleEndian<quint16>(d.data() + at); }
inline qint16 i16(std::span<const quint8> d, std::size_t at) { return qFromLittleEndian<qint16>(d.data() + at); }
inline quint32 u32(std::span<const quint8> d, std::size_t at) { return qFromLittleEndian<quint32>(d.data() + at); }
inline qint32 i32(std::span<const quint8> d, std::size_t at) { return qFromLittleEndian<qint32>(d.data() + at); }

inline void put16(std::span<quint8> d, std::size_t at, quint16 v) { qToLittleEndian<quint16>(v, d.data() + at); }
inline void put32(std::span<quint8> d, std::size_t at, quint32 v) { qToLittleEndian<quint32>(v, d.data() + at); }

} // namespace brevane::le
