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
class cls_CommonDialog {
public:
    static constexpr qint32 OFN_ALLOWMULTISELECT = 0x200;
    static constexpr qint32 OFN_FILEMUSTEXIST = 0x1000;
    static constexpr qint32 OFN_EXPLORER = 0x80000;
    static constexpr int MaxFile = 1024;
    static constexpr int MaxMultiFile = 8192;
    static constexpr int MaxFilter = 32767;

    explicit cls_CommonDialog(Prompts& prompts);

    // Text of the last successful ShowOpen result up to its first NUL.
    QString SelectedDir;

    bool CancelError() const { return m_bCancelError; }
    void setCancelError(bool bCancelError) { m_bCancelError = bCancelError; }
    QString Filename() const { return m_sFileName; }
    void setFilename(const QString& sFileName);
    QString FileTitle() const { return m_sFileTitle; }
    void setFileTitle(const QString& vNewValue) { m_sFileTitle = vNewValue; }
    QString Filter() const { return m_sFilter; }
    void setFilter(const QString& sFilter);
    qint32 FilterIndex() const { return m_tOFN.nFilterIndex; }
    void setFilterIndex(qint32 lFilterIndex) { m_tOFN.nFilterIndex = lFilterIndex; }
    QString DefaultExt() const { return m_sDefaultExt; }
    void setDefaultExt(const QString& sDefaultExt);
    QString DialogTitle() const { return m_tOFN.lpstrTitle.value_or(QString()); }
    void setDialogTitle(const QString& vNewValue) { m_tOFN.lpstrTitle = vNewValue; }
    qint32 flags() const { return m_lFlags; }
    void setFlags(qint32 vNewValue) { m_lFlags = vNewValue; }
    quintptr hWnd() const { return m_tOFN.hwndOwner; }
    void setHWnd(quintptr vNewValue) { m_tOFN.hwndOwner = vNewValue; }
    QString InitDir() const { return m_sInitDir; }
    void setInitDir(const QString& vNewValue);

    void ShowOpen();
    void ShowSave();
    // Splits the result of a multiple-selection ShowOpen; lFileCount must be 0 on entry.
    void ParseMultiFileName(QString& sDir, QStringList& sFiles, qint32& lFileCount) const;

    // The string up to, not including, its first NUL (all of it when there is none).
    static QString StripNull(const QString& s);
    // The chooser's filter list read from a converted filter: description, patterns, ...
    // up to the empty entry that ends it; an unpaired last description is dropped.
    static QStringList FilterPairs(const QString& convertedFilter);

    const OpenFileRecord& record() const { return m_tOFN; }

private:
    // Fills the buffers, asks the chooser and reads the result back into the record;
    // false when nothing was chosen or the choice did not fit the buffer.
    bool runChooser(bool save, int bufferSize);

    Prompts& m_prompts;
    OpenFileRecord m_tOFN;
    bool m_bCancelError = false;
    QString m_sFileName;
    QString m_sFileTitle;
    QString m_sFilter;
    QString m_sDefaultExt;
    QString m_sInitDir;
    qint32 m_lFlags = 0;
};

} // namespace brevane
