#include "platform/SafeWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace brevane {

SafeWriteResult writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    const QFileInfo target(path);
    if (target.isDir() || !target.dir().exists())
        return SafeWriteResult::OpenFailed;

    QTemporaryFile temp(target.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!temp.open())
        return SafeWriteResult::OpenFailed;
    if (!write(temp) || !temp.flush() || temp.error() != QFileDevice::NoError)
        return SafeWriteResult::WriteFailed;

    // A new file gets the usual permissions; a replaced one keeps its own.
    const QFileDevice::Permissions permissions = target.exists() ? QFile::permissions(path)
                                                                 : QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    temp.setPermissions(permissions);
    temp.close();

    std::error_code ec;
    std::filesystem::rename(temp.fileName().toStdU16String(), target.absoluteFilePath().toStdU16String(), ec);
    if (ec)
        return SafeWriteResult::WriteFailed; // the temporary file is removed with `temp`
    temp.setAutoRemove(false);
    return SafeWriteResult::Ok;
}

} // namespace brevane
