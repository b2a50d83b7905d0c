#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace brevane {

class cls_IconFile;

// One palette entry; red first, unlike an icon's colour table (blue, green, red, 0).
struct ColorEntry {
    quint8 Red = 0;
    quint8 Green = 0;
    quint8 Blue = 0;
    quint8 Reserved = 0;
};

// A table of RGB colours numbered from 1: standard palettes, nearest-colour lookup, copies to
// and from an icon image's colour table, and JASC palette text files.
// Raises brevane::Error; file errors carry the source "Brevane.cPalette".
class cls_Colors {
public:
    qint32 Count() const { return m_lCount; }

    quint8 Red(qint32 iIndex) const;
    quint8 Green(qint32 iIndex) const;
    quint8 Blue(qint32 iIndex) const;
    void Red(qint32 iIndex, quint8 bRed);
    void Green(qint32 iIndex, quint8 bGreen);
    void Blue(qint32 iIndex, quint8 bBlue);

    bool SaveToJASCFile(const QString& sFileName) const;
    bool LoadFromJASCFile(const QString& sFileName);

    void AddColor(quint8 red, quint8 green, quint8 blue);
    void CreateStandard256();
    void CreateUniform256();
    void CreateMonochrome();
    void CreateStandard16();
    qint32 ClosestIndex(qint32 red, qint32 green, qint32 blue) const;
    // Error 9, with nothing read or written, when the palette holds fewer entries than the table.
    void GetFromIcon(cls_IconFile& icon, qint32 nIndex);
    void SetToIcon(cls_IconFile& icon, qint32 nIndex) const;

private:
    void FillLowColors(qint32 start);
    void FillHighColors(qint32 start);
    static void SplitText(const QString& text, const QString& delimiter, QStringList& parts, qint32& count);

    // Starts a palette of nCount black entries.
    void create(qint32 nCount);
    ColorEntry& at(qint32 iIndex);
    const ColorEntry& at(qint32 iIndex) const;
    void set(qint32 iIndex, quint8 red, quint8 green, quint8 blue);

    // Index 0 holds entry 1.
    std::vector<ColorEntry> m_tColors;
    qint32 m_lCount = 0;
};

} // namespace brevane
