#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace brevane {

class IconFile;

// One palette entry; red first, unlike an icon's colour table (blue, green, red, 0).
struct PaletteEntry {
    quint8 red = 0;
    quint8 green = 0;
    quint8 blue = 0;
    quint8 reserved = 0;
};

// A table of RGB colours numbered from 1: standard palettes, nearest-colour lookup, copies to
// and from an icon image's colour table, and JASC palette text files.
// Raises brevane::Error; file errors carry the source "Brevane.cPalette".
class Palette {
public:
    qint32 count() const { return m_count; }

    quint8 red(qint32 index) const;
    quint8 green(qint32 index) const;
    quint8 blue(qint32 index) const;
    void setRed(qint32 index, quint8 value);
    void setGreen(qint32 index, quint8 value);
    void setBlue(qint32 index, quint8 value);

    // Written through the program's safe writer: a target that may not be written is
    // error 70, a missing folder 76, a folder or device in its place 75, a failed write 57;
    // the error's detail names the file and the system's reason.
    void saveJasc(const QString& fileName) const;
    // What saveJasc writes: "JASC", "0100", the count, then "red green blue" per colour, CR LF between.
    QByteArray jascText() const;
    // Reads every line of three numbers, whatever else the file holds. Only regular files
    // up to limits::MaxPaletteFileBytes are read (error 75 or 7 otherwise).
    void loadJasc(const QString& fileName);
    // Whether the file's first line is "JASC-PAL" (the published layout) or "JASC" (what
    // saveJasc writes); reads 8 bytes, never blocks. For callers that want more than
    // loadJasc's leniency.
    static bool looksLikeJasc(const QString& fileName);

    void addColour(quint8 red, quint8 green, quint8 blue);
    void createStandard256();
    void createUniform256();
    void createMonochrome();
    void createStandard16();
    qint32 closestIndex(qint32 red, qint32 green, qint32 blue) const;
    // Error 9, with nothing read or written, when the palette holds fewer entries than the table.
    void readFromIcon(IconFile& icon, qint32 index);
    void writeToIcon(IconFile& icon, qint32 index) const;

private:
    void fillLowColours(qint32 start);
    void fillHighColours(qint32 start);
    static void splitText(const QString& text, const QString& delimiter, QStringList& parts, qint32& count);

    // Starts a palette of count black entries.
    void create(qint32 count);
    PaletteEntry& at(qint32 index);
    const PaletteEntry& at(qint32 index) const;
    void set(qint32 index, quint8 red, quint8 green, quint8 blue);

    // Index 0 holds entry 1.
    std::vector<PaletteEntry> m_entries;
    qint32 m_count = 0;
};

} // namespace brevane
