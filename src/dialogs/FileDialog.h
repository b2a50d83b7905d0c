#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace brevane {

class Prompts;

// The record the file chooser is driven by, kept for the object's whole life. A string
// field that was never set is empty (std::nullopt); set ones keep their embedded NULs.
struct OpenFileRecord {
    qint32 lStructSize = 76;
    quintptr hwndOwner = 0;
    std::optional<QString> lpstrFilter;
    qint32 nFilterIndex = 1;
    std::optional<QString> lpstrFile;
    qint32 nMaxFile = 0;
    std::optional<QString> lpstrFileTitle;
    qint32 nMaxFileTitle = 0;
    std::optional<QString> lpstrInitialDir;
    std::optional<QString> lpstrTitle;
    qint32 Flags = 0;
    std::optional<QString> lpstrDefExt;
};

// Open and save file dialogs: filter strings, multiple selection and the splitting of a
// multiple-selection result. One object per use; the chooser itself is the prompts' one.
// Errors: 5 for a name or title too long for its buffer, 6 for an over-long filter,
// 32755 on cancel when CancelError is set (sources "Brevane.cFileDialog" and "Brevane.cFilenDialog").
class FileDialog {
public:
    static constexpr qint32 OFN_ALLOWMULTISELECT = 0x200;
    static constexpr qint32 OFN_FILEMUSTEXIST = 0x1000;
    static constexpr qint32 OFN_EXPLORER = 0x80000;
    static constexpr int MaxFile = 1024;
    static constexpr int MaxMultiFile = 8192;
    static constexpr int MaxFilter = 32767;

    explicit FileDialog(Prompts& prompts);

    // Text of the last successful showOpen result up to its first NUL.
    QString selectedDir() const { return m_selectedDir; }

    bool cancelError() const { return m_cancelError; }
    void setCancelError(bool cancelError) { m_cancelError = cancelError; }
    QString fileName() const { return m_fileName; }
    void setFileName(const QString& fileName);
    QString fileTitle() const { return m_fileTitle; }
    void setFileTitle(const QString& value) { m_fileTitle = value; }
    QString filter() const { return m_filter; }
    void setFilter(const QString& filter);
    qint32 filterIndex() const { return m_record.nFilterIndex; }
    void setFilterIndex(qint32 index) { m_record.nFilterIndex = index; }
    QString defaultExt() const { return m_defaultExt; }
    void setDefaultExt(const QString& defaultExt);
    QString title() const { return m_record.lpstrTitle.value_or(QString()); }
    void setTitle(const QString& value) { m_record.lpstrTitle = value; }
    qint32 flags() const { return m_flags; }
    void setFlags(qint32 value) { m_flags = value; }
    quintptr owner() const { return m_record.hwndOwner; }
    void setOwner(quintptr value) { m_record.hwndOwner = value; }
    QString initialDir() const { return m_initialDir; }
    void setInitialDir(const QString& value);

    void showOpen();
    void showSave();
    // Splits the result of a multiple-selection showOpen; fileCount must be 0 on entry.
    void splitMultipleSelection(QString& folder, QStringList& files, qint32& fileCount) const;

    // The filter of the choosers that pick pictures: every format the picture loader reads,
    // then every file.
    static QString pictureFilter();
    // The string up to, not including, its first NUL (all of it when there is none).
    static QString stripNull(const QString& s);
    // The chooser's filter list read from a converted filter: description, patterns, ...
    // up to the empty entry that ends it; an unpaired last description is dropped.
    static QStringList filterPairs(const QString& convertedFilter);

    const OpenFileRecord& record() const { return m_record; }

private:
    // Fills the buffers, asks the chooser and reads the result back into the record;
    // false when nothing was chosen or the choice did not fit the buffer.
    bool runChooser(bool save, int bufferSize);

    Prompts& m_prompts;
    OpenFileRecord m_record;
    QString m_selectedDir;
    bool m_cancelError = false;
    QString m_fileName;
    QString m_fileTitle;
    QString m_filter;
    QString m_defaultExt;
    QString m_initialDir;
    qint32 m_flags = 0;
};

} // namespace brevane
