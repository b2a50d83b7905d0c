#include "platform/ErrorLog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace brevane::ErrorLog {

namespace {
    QString& folderOverride()
    {
        static QString folder;
        return folder;
    }

    // The user's general date format: short date, a blank, long time. Qt's long time
    // carries the time zone name, which the log has never had.
    QString timeStamp()
    {
        const QLocale locale = QLocale::system();
        const QDateTime now = QDateTime::currentDateTime();
        QString timeFormat = locale.timeFormat(QLocale::LongFormat);
        timeFormat.remove(QLatin1Char('t'));
        timeFormat = timeFormat.trimmed();
        return locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ')
            + locale.toString(now.time(), timeFormat);
    }

    bool appendTo(const QString& path, const QByteArray& line)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return false;
        const bool written = file.write(line) == line.size();
        file.close();
        return written && file.error() == QFileDevice::NoError;
    }
}

QString programFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    if (QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return QDir::currentPath();
}

void setProgramFolder(const QString& folder)
{
    folderOverride() = folder;
}

QString installedDataFolder()
{
    const QFileInfo data(QDir(programFolder()).filePath(QStringLiteral(BREVANE_BIN_TO_DATA)));
    return data.isDir() ? data.canonicalFilePath() : QString();
}

bool append(const QString& text)
{
    const QByteArray line = (timeStamp() + QLatin1Char(':') + text).toLocal8Bit() + "\r\n";
    const QString logName = QStringLiteral("program.log");

    // An installed program's folder (~/.local/bin, /usr/bin) is no place for a log, even
    // when the user may write to it.
    const QString primary = QDir(programFolder()).filePath(logName);
    if (installedDataFolder().isEmpty() && appendTo(primary, line))
        return true;

    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!dataFolder.isEmpty() && QDir().mkpath(dataFolder)) {
        const QString fallback = QDir(dataFolder).filePath(logName);
        if (appendTo(fallback, line))
            return true;
    }
    return false;
}

} // namespace brevane::ErrorLog
