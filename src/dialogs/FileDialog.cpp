#include "dialogs/FileDialog.h"

#include "platform/Error.h"
#include "platform/Prompts.h"
#include "platform/Paths.h"

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

FileDialog::FileDialog(Prompts& prompts)
    : m_prompts(prompts)
{
}

void FileDialog::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    if (fileName.size() > MaxFile)
        throw Error::runtime(err::InvalidProcedureCall);
    m_record.lpstrFile = fileName + QString(MaxFile - fileName.size(), QLatin1Char(' ')) + Nul + Nul;
}

void FileDialog::setFilter(const QString& filter)
{
    m_filter = filter;
    // The converted filter was built with a 16-bit position counter.
    if (filter.size() > MaxFilter)
        throw Error::runtime(err::Overflow);
    QString converted = filter;
    for (QChar& c : converted) {
        if (c == QLatin1Char('|') || c == QLatin1Char(':'))
            c = Nul;
    }
    m_record.lpstrFilter = converted + Nul + Nul;
}

void FileDialog::setDefaultExt(const QString& defaultExt)
{
    m_defaultExt = defaultExt;
    m_record.lpstrDefExt = defaultExt + Nul + Nul;
}

void FileDialog::setInitialDir(const QString& value)
{
    m_initialDir = value;
    m_record.lpstrInitialDir = value + Nul + Nul;
}

QString FileDialog::pictureFilter()
{
    return QStringLiteral("All picture files|*.bmp;*.dib;*.gif;*.jpg;*.emf;*.wmf;*.ico;*.cur;"
                          "*.png;*.jpeg;*.webp;*.tif;*.tiff;*.tga;*.svg;*.svgz;|All file types (*.*)|*.*");
}

QString FileDialog::stripNull(const QString& s)
{
    const qsizetype at = s.indexOf(Nul);
    return at < 0 ? s : s.left(at);
}

QStringList FileDialog::filterPairs(const QString& convertedFilter)
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

bool FileDialog::runChooser(bool save, int bufferSize)
{
    if (m_fileName.size() > bufferSize || m_fileTitle.size() > bufferSize)
        throw Error::runtime(err::InvalidProcedureCall);
    m_record.lpstrFile = nulPadded(m_fileName, bufferSize);
    m_record.nMaxFile = bufferSize;
    m_record.lpstrFileTitle = nulPadded(m_fileTitle, bufferSize);
    m_record.nMaxFileTitle = bufferSize;

    FileChooserRequest request;
    if (save)
        request.mode = FileChooserRequest::Mode::Save;
    else if (m_record.Flags & OFN_ALLOWMULTISELECT)
        request.mode = FileChooserRequest::Mode::OpenMultiple;
    else
        request.mode = FileChooserRequest::Mode::Open;
    request.title = title();
    request.filterPairs = filterPairs(m_record.lpstrFilter.value_or(QString()));
    request.filterIndex = m_record.nFilterIndex;
    request.initialDir = m_initialDir;
    request.initialName = m_fileName;
    request.fileMustExist = (m_record.Flags & OFN_FILEMUSTEXIST) != 0;
    request.defaultSuffix = m_defaultExt;

    const FileChooserResult result = m_prompts.chooseFile(request);
    if (!result.accepted)
        return false;
    m_record.nFilterIndex = result.filterIndex;
    // A selection that does not fit the buffer fails like a cancel, as the system's dialog does.
    if (result.resultText.isEmpty() || result.resultText.size() > bufferSize)
        return false;
    m_record.lpstrFile = nulPadded(result.resultText, bufferSize);
    return true;
}

void FileDialog::showOpen()
{
    m_record.Flags = m_flags;
    int bufferSize = MaxFile;
    if (m_flags & OFN_ALLOWMULTISELECT) {
        bufferSize = MaxMultiFile;
        m_record.Flags |= OFN_EXPLORER;
    }
    if (!runChooser(false, bufferSize)) {
        if (m_cancelError)
            throw cancelled("cFileDialog");
        return;
    }
    if (m_record.Flags & OFN_ALLOWMULTISELECT)
        m_fileName = *m_record.lpstrFile;
    else
        m_fileName = stripNull(*m_record.lpstrFile);
    m_selectedDir = stripNull(m_fileName);
}

void FileDialog::showSave()
{
    m_record.Flags = m_flags;
    if (!runChooser(true, MaxFile)) {
        if (m_cancelError)
            throw cancelled("cFilenDialog");
        return;
    }
    m_fileName = stripNull(*m_record.lpstrFile);
}

void FileDialog::splitMultipleSelection(QString& folder, QStringList& files, qint32& fileCount) const
{
    const qsizetype end = m_fileName.indexOf(QString(2, Nul));
    if (end < 0)
        throw Error::runtime(err::InvalidProcedureCall);
    const QString text = m_fileName.left(end);

    if (!text.contains(Nul)) {
        fileCount = 1;
        files = QStringList { QString() };
        qsizetype slash = -1;
        for (qsizetype i = m_fileName.size() - 1; i >= 0; --i) {
            if (Paths::isPathSeparator(m_fileName.at(i))) {
                slash = i;
                break;
            }
        }
        if (slash >= 0) {
            folder = m_fileName.left(slash + 1);
            files[0] = stripNull(m_fileName.mid(slash + 1));
        } else {
            // The name alone, without the buffer's padding.
            folder.clear();
            files[0] = stripNull(m_fileName);
        }
        return;
    }

    const QStringList pieces = text.split(Nul);
    folder = pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        ++fileCount;
        while (files.size() < fileCount)
            files.append(QString());
        while (files.size() > fileCount)
            files.removeLast();
        files[fileCount - 1] = pieces.at(i);
    }
}

} // namespace brevane
