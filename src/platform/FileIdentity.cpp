#include "platform/FileIdentity.h"

#include <QFile>

#include <sys/stat.h>

namespace brevane {

std::optional<FileIdentity> fileIdentity(const QString& path)
{
    struct stat st { };
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity { quint64(st.st_dev), quint64(st.st_ino) };
}

bool sameFile(const QString& input, const QString& output)
{
    const auto out = fileIdentity(output);
    return out && out == fileIdentity(input);
}

} // namespace brevane
