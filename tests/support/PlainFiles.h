#pragma once

#include <QFile>
#include <QString>
#include <QStringList>

namespace brevane::test {

// '#' stands for NUL, so that chooser buffers read in a table.
inline QString nuls(QString s)
{
    return s.replace(QLatin1Char('#'), QChar(u'\0'));
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The lines of the error log (CR LF ended); none when it is missing.
inline QStringList logLines(const QString& path)
{
    QStringList lines = QString::fromLocal8Bit(readFile(path)).split(QStringLiteral("\r\n"));
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace brevane::test
