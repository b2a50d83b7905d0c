#include "dialogs/cls_CommonDialog.h"

#include "platform/Error.h"
#include "platform/Prompts.h"
#include "platform/mdl_Paths.h"

namespace brevane {

namespace {
    const QChar Nul(u'\0');

    QString nulPadded(const QString& s, int size)
    {
        return s + QString(size - s.size(), Nul);
    }

    Error cancelled(const char* classWord)
    {
        return Error(err::DialogCancelled, errorSource(classWord), QStringLiteral("User selected cancel."));
    }
}

cls_CommonDialog::cls_CommonDialog(Prompts& prompts)
    : m_prompts(prompts)
{
}

void cls_CommonDialog::setFilename(const QString& sFileName)
{
    m_sFileName = sFileName;
    if (sFileName.size() > MaxFile)
        throw Error::runtime(err::InvalidProcedureCall);
    m_tOFN.lpstrFile = sFileName + QString(MaxFile - sFileName.size(), QLatin1Char(' ')) + Nul + Nul;
}

void cls_CommonDialog::setFilter(const QString& sFilter)
{
    m_sFilter = sFilter;
    // The converted filter was built with a 16-bit position counter.
    if (sFilter.size() > MaxFilter)
        throw Error::runtime(err::Overflow);
    QString converted = sFilter;
    for (QChar& c : converted) {
        if (c == QLatin1Char('|') || c == QLatin1Char(':'))
            c = Nul;
    }
    m_tOFN.lpstrFilter = converted + Nul + Nul;
}

void cls_CommonDialog::setDefaultExt(const QString& sDefaultExt)
{
    m_sDefaultExt = sDefaultExt;
    m_tOFN.lpstrDefExt = sDefaultExt + Nul + Nul;
}

void cls_CommonDialog::setInitDir(const QString& vNewValue)
{
    m_sInitDir = vNewValue;
    m_tOFN.lpstrInitialDir = vNewValue + Nul + Nul;
}

QString cls_CommonDialog::StripNull(const QString& s)
{
    const qsizetype at = s.indexOf(Nul);
    return at < 0 ? s : s.left(at);
}

QStringList cls_CommonDialog::FilterPairs(const QString& convertedFilter)
{
    QStringList pairs;
    for (const QString& entry : convertedFilter.split(Nul)) {
        if (entry.isEmpty())
            break;
        pairs.append(entry);
    }
    if (pairs.size() % 2 != 0)
        pairs.removeLast();
    return pairs;
}

bool cls_CommonDialog::runChooser(bool save, int bufferSize)
{
    if (m_sFileName.size() > bufferSize || m_sFileTitle.size() > bufferSize)
        throw Error::runtime(err::InvalidProcedureCall);
    m_tOFN.lpstrFile = nulPadded(m_sFileName, bufferSize);
    m_tOFN.nMaxFile = bufferSize;
    m_tOFN.lpstrFileTitle = nulPadded(m_sFileTitle, bufferSize);
    m_tOFN.nMaxFileTitle = bufferSize;

    FileChooserRequest request;
    if (save)
        request.mode = FileChooserRequest::Mode::Save;
    else if (m_tOFN.Flags & OFN_ALLOWMULTISELECT)
        request.mode = FileChooserRequest::Mode::OpenMultiple;
    else
        request.mode = FileChooserRequest::Mode::Open;
    request.title = DialogTitle();
    request.filterPairs = FilterPairs(m_tOFN.lpstrFilter.value_or(QString()));
    request.filterIndex = m_tOFN.nFilterIndex;
    request.initialDir = m_sInitDir;
    request.initialName = m_sFileName;
    request.fileMustExist = (m_tOFN.Flags & OFN_FILEMUSTEXIST) != 0;
    request.defaultSuffix = m_sDefaultExt;

    const FileChooserResult result = m_prompts.chooseFile(request);
    if (!result.accepted)
        return false;
    m_tOFN.nFilterIndex = result.filterIndex;
    // A selection that does not fit the buffer fails like a cancel, as the system's dialog does.
    if (result.resultText.isEmpty() || result.resultText.size() > bufferSize)
        return false;
    m_tOFN.lpstrFile = nulPadded(result.resultText, bufferSize);
    return true;
}

void cls_CommonDialog::ShowOpen()
{
    m_tOFN.Flags = m_lFlags;
    int bufferSize = MaxFile;
    if (m_lFlags & OFN_ALLOWMULTISELECT) {
        bufferSize = MaxMultiFile;
        m_tOFN.Flags |= OFN_EXPLORER;
    }
    if (!runChooser(false, bufferSize)) {
        if (m_bCancelError)
            throw cancelled("cFileDialog");
        return;
    }
    if (m_tOFN.Flags & OFN_ALLOWMULTISELECT)
        m_sFileName = *m_tOFN.lpstrFile;
    else
        m_sFileName = StripNull(*m_tOFN.lpstrFile);
    SelectedDir = StripNull(m_sFileName);
}

void cls_CommonDialog::ShowSave()
{
    m_tOFN.Flags = m_lFlags;
    if (!runChooser(true, MaxFile)) {
        if (m_bCancelError)
            throw cancelled("cFilenDialog");
        return;
    }
    m_sFileName = StripNull(*m_tOFN.lpstrFile);
}

void cls_CommonDialog::ParseMultiFileName(QString& sDir, QStringList& sFiles, qint32& lFileCount) const
{
    const qsizetype end = m_sFileName.indexOf(QString(2, Nul));
    if (end < 0)
        throw Error::runtime(err::InvalidProcedureCall);
    const QString text = m_sFileName.left(end);

    if (!text.contains(Nul)) {
        lFileCount = 1;
        sFiles = QStringList { QString() };
        qsizetype slash = -1;
        for (qsizetype i = m_sFileName.size() - 1; i >= 0; --i) {
            if (mdl_Paths::IsPathSeparator(m_sFileName.at(i))) {
                slash = i;
                break;
            }
        }
        if (slash >= 0) {
            sDir = m_sFileName.left(slash + 1);
            sFiles[0] = StripNull(m_sFileName.mid(slash + 1));
        } else {
            // The name alone, without the buffer's padding.
            sDir.clear();
            sFiles[0] = StripNull(m_sFileName);
        }
        return;
    }

    const QStringList pieces = text.split(Nul);
    sDir = pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        ++lFileCount;
        while (sFiles.size() < lFileCount)
            sFiles.append(QString());
        while (sFiles.size() > lFileCount)
            sFiles.removeLast();
        sFiles[lFileCount - 1] = pieces.at(i);
    }
}

} // namespace brevane
