#include "platform/SafeWrite.h"

#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

namespace brevane {

namespace {

    // "target.XXXXXX" with six random letters and digits.
    QString temporaryName(const QString& target)
    {
        static constexpr char chars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        QString name = target + QLatin1Char('.');
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(chars[QRandomGenerator::global()->bounded(int(sizeof(chars) - 1))]);
        return name;
    }

} // namespace

SafeWriteResult writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    const QFileInfo target(path);
    if (target.isDir() || !target.dir().exists())
        return SafeWriteResult::OpenFailed;

    // A named file made with O_EXCL rather than QTemporaryFile's unnamed one: that one
    // needs an extra link through /proc and a few more calls before it can be renamed,
    // which shows in a batch of thousands of small icons.
    const QString targetPath = target.absoluteFilePath();
    QFile temp;
    for (int attempt = 0; attempt < 32 && !temp.isOpen(); ++attempt) {
        temp.setFileName(temporaryName(targetPath));
        if (!temp.open(QIODevice::WriteOnly | QIODevice::NewOnly) && !QFileInfo::exists(temp.fileName()))
            return SafeWriteResult::OpenFailed; // not a name clash: the folder refuses new files
    }
    if (!temp.isOpen())
        return SafeWriteResult::OpenFailed;

    // A new file gets the usual permissions; a replaced one keeps its own. Set before
    // anything is written, so the data is never readable by more than it will be.
    const QFileDevice::Permissions permissions = target.exists()
        ? QFile::permissions(path)
        : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    temp.setPermissions(permissions);

    // Removed on every way out but success, an exception from `write` included. By name:
    // QFile::remove on the open file keeps it when its close fails.
    struct Discard {
        QFile& file;
        bool keep = false;
        ~Discard()
        {
            if (keep)
                return;
            file.close();
            QFile::remove(file.fileName());
        }
    } discard { temp };
    if (!write(temp) || !temp.flush() || temp.error() != QFileDevice::NoError)
        return SafeWriteResult::WriteFailed;
    temp.close();
    if (temp.error() != QFileDevice::NoError)
        return SafeWriteResult::WriteFailed;

    std::error_code ec;
    std::filesystem::rename(temp.fileName().toStdU16String(), targetPath.toStdU16String(), ec);
    if (ec)
        return SafeWriteResult::WriteFailed;
    discard.keep = true;
    return SafeWriteResult::Ok;
}

} // namespace brevane
