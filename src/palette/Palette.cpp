#include "palette/Palette.h"

#include "icon/IconFile.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/SafeWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace brevane {

namespace {

    constexpr quint8 LowColors[7][3] = {
        { 128, 0, 0 },
        { 0, 128, 0 },
        { 128, 128, 0 },
        { 0, 0, 128 },
        { 128, 0, 128 },
        { 0, 128, 128 },
        { 192, 192, 192 },
    };

    constexpr quint8 HighColors[8][3] = {
        { 128, 128, 128 },
        { 255, 0, 0 },
        { 0, 255, 0 },
        { 255, 255, 0 },
        { 0, 0, 255 },
        { 255, 0, 255 },
        { 0, 255, 255 },
        { 255, 255, 255 },
    };

    Error paletteError(const Error& caught)
    {
        return Error(caught.number(), errorSource("cPalette"), caught.description());
    }

    // The run-time error a failed open, read or write stands for.
    Error fileError(const QFileDevice& f, const QString& fileName)
    {
        if (fileName.isEmpty())
            return Error::runtime(err::BadFileName);
        const QFileInfo info(fileName);
        if (info.isDir())
            return Error::runtime(err::PathFileAccess);
        if (!info.absoluteDir().exists())
            return Error::runtime(err::PathNotFound);
        switch (f.error()) {
        case QFileDevice::PermissionsError:
            return Error::runtime(err::PermissionDenied);
        case QFileDevice::ReadError:
        case QFileDevice::WriteError:
        case QFileDevice::ResizeError:
            return Error::runtime(err::DeviceIo);
        default:
            return Error::runtime(err::PathFileAccess);
        }
    }

    // A field converts as a number and is then rounded half to even into a byte:
    // "12.5" gives 12, "255.5" overflows.
    quint8 toByte(const QString& field)
    {
        QLocale c = QLocale::c();
        c.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const double value = c.toDouble(field.trimmed(), &ok);
        if (!ok || !std::isfinite(value))
            throw Error::runtime(err::TypeMismatch);
        const double rounded = std::nearbyint(value);
        if (rounded < 0 || rounded > 255)
            throw Error::runtime(err::Overflow);
        return static_cast<quint8>(rounded);
    }

} // namespace

PaletteEntry& Palette::at(qint32 index)
{
    if (index < 1 || index > m_count)
        throw Error::runtime(err::SubscriptOutOfRange);
    return m_entries[static_cast<std::size_t>(index - 1)];
}

const PaletteEntry& Palette::at(qint32 index) const
{
    if (index < 1 || index > m_count)
        throw Error::runtime(err::SubscriptOutOfRange);
    return m_entries[static_cast<std::size_t>(index - 1)];
}

quint8 Palette::red(qint32 index) const
{
    return at(index).red;
}
quint8 Palette::green(qint32 index) const
{
    return at(index).green;
}
quint8 Palette::blue(qint32 index) const
{
    return at(index).blue;
}
void Palette::setRed(qint32 index, quint8 value)
{
    at(index).red = value;
}
void Palette::setGreen(qint32 index, quint8 value)
{
    at(index).green = value;
}
void Palette::setBlue(qint32 index, quint8 value)
{
    at(index).blue = value;
}

void Palette::create(qint32 count)
{
    m_count = count;
    m_entries.assign(static_cast<std::size_t>(count), PaletteEntry {});
}

void Palette::set(qint32 index, quint8 red, quint8 green, quint8 blue)
{
    PaletteEntry& e = at(index);
    e.red = red;
    e.green = green;
    e.blue = blue;
}

void Palette::addColour(quint8 red, quint8 green, quint8 blue)
{
    m_entries.push_back({ red, green, blue, 0 });
    ++m_count;
}

void Palette::fillLowColours(qint32 start)
{
    for (qint32 i = 0; i < 7; ++i)
        set(start + 1 + i, LowColors[i][0], LowColors[i][1], LowColors[i][2]);
}

void Palette::fillHighColours(qint32 start)
{
    for (qint32 i = 0; i < 8; ++i)
        set(start + i, HighColors[i][0], HighColors[i][1], HighColors[i][2]);
}

void Palette::createStandard16()
{
    create(16);
    fillLowColours(1);
    fillHighColours(9);
}

void Palette::createMonochrome()
{
    create(2);
    set(2, 255, 255, 255);
}

void Palette::createStandard256()
{
    create(256);
    fillLowColours(1);
    fillHighColours(248);
    // The 6-level cube without its eight corners, which the basic colours already hold.
    qint32 next = 9;
    for (int blue = 0; blue <= 255; blue += 51) {
        for (int green = 0; green <= 255; green += 51) {
            for (int red = 0; red <= 255; red += 51) {
                const auto corner = [](int v) { return v == 0 || v == 255; };
                if (corner(red) && corner(green) && corner(blue))
                    continue;
                set(next++, quint8(red), quint8(green), quint8(blue));
            }
        }
    }
    for (qint32 i = 217; i <= 247; ++i) {
        const quint8 grey = quint8(8 * (i - 216));
        set(i, grey, grey, grey);
    }
}

void Palette::createUniform256()
{
    create(256);
    // Steps of 64 reach 256, which stands for 255; entries 126..256 stay black.
    const auto level = [](int step) { return quint8(std::min(step * 64, 255)); };
    qint32 next = 1;
    for (int blue = 0; blue < 5; ++blue) {
        for (int green = 0; green < 5; ++green) {
            for (int red = 0; red < 5; ++red)
                set(next++, level(red), level(green), level(blue));
        }
    }
}

qint32 Palette::closestIndex(qint32 red, qint32 green, qint32 blue) const
{
    qint32 best = 0;
    qint64 bestDistance = 765;
    const qint32 count = m_count;
    for (qint32 i = 1; i <= count; ++i) {
        const PaletteEntry& e = m_entries[static_cast<std::size_t>(i - 1)];
        if (e.red == red && e.green == green && e.blue == blue)
            return i;
        // Out-of-range inputs are not clamped; 64 bits keep their differences exact.
        const qint64 distance
            = std::llabs(qint64(red) - e.red) + std::llabs(qint64(green) - e.green) + std::llabs(qint64(blue) - e.blue);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void Palette::readFromIcon(IconFile& icon, qint32 index)
{
    const IconDirEntry& e = icon.entry(index);
    if (e.wBitCount > 8)
        return;
    const qint32 n = qint32(1) << e.wBitCount;
    if (m_count < n)
        throw Error::runtime(err::SubscriptOutOfRange);
    std::vector<quint8> table(static_cast<std::size_t>(4 * n));
    icon.colourTable(index, table);
    for (qint32 k = 0; k < n; ++k) {
        PaletteEntry& c = m_entries[static_cast<std::size_t>(k)];
        c.blue = table[static_cast<std::size_t>(4 * k)];
        c.green = table[static_cast<std::size_t>(4 * k + 1)];
        c.red = table[static_cast<std::size_t>(4 * k + 2)];
    }
}

void Palette::writeToIcon(IconFile& icon, qint32 index) const
{
    const IconDirEntry& e = icon.entry(index);
    if (e.wBitCount > 8)
        return;
    const qint32 n = qint32(1) << e.wBitCount;
    if (m_count < n)
        throw Error::runtime(err::SubscriptOutOfRange);
    std::vector<quint8> table(static_cast<std::size_t>(4 * n));
    for (qint32 k = 0; k < n; ++k) {
        const PaletteEntry& c = m_entries[static_cast<std::size_t>(k)];
        table[static_cast<std::size_t>(4 * k)] = c.blue;
        table[static_cast<std::size_t>(4 * k + 1)] = c.green;
        table[static_cast<std::size_t>(4 * k + 2)] = c.red;
    }
    icon.setColourTable(index, table);
}

void Palette::splitText(const QString& text, const QString& delimiter, QStringList& parts, qint32& count)
{
    count = 0;
    parts.clear();
    qsizetype start = 0;
    for (;;) {
        const qsizetype found = text.indexOf(delimiter, start, Qt::CaseSensitive);
        ++count;
        if (found < 0) {
            parts.push_back(text.mid(start));
            return;
        }
        parts.push_back(text.mid(start, found - start));
        start = found + delimiter.size();
    }
}

QByteArray Palette::jascText() const
{
    QByteArray text("JASC\r\n0100\r\n");
    text += QByteArray::number(m_count);
    for (const PaletteEntry& e : m_entries) {
        text += "\r\n";
        text += QByteArray::number(e.red) + ' ' + QByteArray::number(e.green) + ' ' + QByteArray::number(e.blue);
    }
    return text;
}

void Palette::saveJasc(const QString& fileName) const
{
    const QByteArray text = jascText();
    if (fileName.isEmpty())
        throw paletteError(Error::runtime(err::BadFileName));
    WriteProblem problem;
    const SafeWriteResult result
        = writeFileSafely(fileName, &problem, [&text](QIODevice& f) { return f.write(text) == text.size(); });
    if (result == SafeWriteResult::Ok)
        return;
    qint32 number = err::DeviceIo;
    if (result == SafeWriteResult::OpenFailed) {
        switch (problem.systemError) {
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            number = err::PermissionDenied;
            break;
        case ENOENT:
        case ENOTDIR:
            number = err::PathNotFound;
            break;
        case ENAMETOOLONG:
            number = err::BadFileName;
            break;
        default: // a folder, a FIFO or a device where the file should be
            number = err::PathFileAccess;
            break;
        }
    }
    throw Error(number, errorSource("cPalette"), Error::runtimeDescription(number), problem.detail());
}

void Palette::loadJasc(const QString& fileName)
{
    m_entries.clear();
    m_count = 0;

    if (fileName.isEmpty())
        throw paletteError(Error::runtime(err::BadFileName));
    if (!QFileInfo::exists(fileName))
        throw paletteError(Error::runtime(err::FileNotFound));
    // Looked at before it is opened: a FIFO would block, and a file larger than any
    // palette would be read whole for nothing.
    const QFileInfo info(fileName);
    if (!info.isFile())
        throw Error(err::PathFileAccess, errorSource("cPalette"), Error::runtimeDescription(err::PathFileAccess),
            fileName + QStringLiteral(": not a regular file"));
    if (info.size() > limits::MaxPaletteFileBytes)
        throw Error(err::OutOfMemory, errorSource("cPalette"), Error::runtimeDescription(err::OutOfMemory),
            QStringLiteral("%1: %2 bytes, more than a palette file may have (%3)")
                .arg(fileName)
                .arg(info.size())
                .arg(limits::MaxPaletteFileBytes));
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw paletteError(fileError(f, fileName));
    QByteArray data;
    try {
        // A file that grew since it was looked at is read only as far as the limit allows.
        data = f.read(limits::MaxPaletteFileBytes);
    } catch (const std::bad_alloc&) {
        throw paletteError(Error::runtime(err::OutOfMemory));
    }
    if (f.error() != QFileDevice::NoError)
        throw paletteError(fileError(f, fileName));
    f.close();

    // One character per byte.
    const QString text = QString::fromLatin1(data);
    QStringList lines;
    qint32 lineCount = 0;
    splitText(text, QStringLiteral("\r\n"), lines, lineCount);
    QStringList fields;
    qint32 fieldCount = 0;
    for (const QString& line : std::as_const(lines)) {
        splitText(line, QStringLiteral(" "), fields, fieldCount);
        if (fieldCount != 3)
            continue;
        // All three fields are converted before the entry is added, so a bad line adds nothing.
        try {
            const quint8 red = toByte(fields[0]);
            const quint8 green = toByte(fields[1]);
            const quint8 blue = toByte(fields[2]);
            addColour(red, green, blue);
        } catch (const Error& e) {
            throw paletteError(e);
        }
    }
}

bool Palette::looksLikeJasc(const QString& fileName)
{
    // The published layout's first line, or the one saveJasc writes.
    const QFileInfo info(fileName);
    QFile f(fileName);
    if (!info.isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(8);
    return head == "JASC-PAL" || head.startsWith("JASC\r\n");
}

} // namespace brevane
