#include "cli/CommandLine.h"

#include "platform/Error.h"

#include <QFile>
#include <QFileInfo>

namespace brevane::cli {

QString printable(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\n')
            out += QLatin1String("\\n");
        else if (u == '\t')
            out += QLatin1String("\\t");
        else if (u == '\r')
            out += QLatin1String("\\r");
        else if (u < 0x20 || (u >= 0x7F && u <= 0x9F))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else if (u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069))
            out += QStringLiteral("\\u{%1}").arg(int(u), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString unreadableReason(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("does not exist");
    if (info.isDir())
        return QStringLiteral("is a folder");
    if (!info.isFile())
        return QStringLiteral("is not a regular file");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read (%1)").arg(f.errorString());
    return {};
}

QString notAnIconReason(const QString& path)
{
    QFile f(path);
    const bool cursor = f.open(QIODevice::ReadOnly) && f.read(4) == QByteArray("\0\0\2\0", 4);
    return cursor ? QStringLiteral("a cursor, not an icon file") : QStringLiteral("not a valid icon file");
}

QString describe(const Error& e)
{
    return printable(e.message());
}

} // namespace brevane::cli
