#include "cli/Output.h"

#include "cli/CommandLine.h"

#include "platform/Error.h"
#include "platform/SafeWrite.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <sys/stat.h>

namespace brevane::cli {

namespace {

    bool dataOnStandardOutput = false;

    Error outputError(qint32 number, const QString& text)
    {
        return Error(number, QStringLiteral("brevane-cli"), text);
    }

    // Both names lead to one existing file.
    bool sameFile(const QString& a, const QString& b)
    {
        struct stat sa { };
        struct stat sb { };
        return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
            && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }

    void writeStandardOutput(const QByteArray& data)
    {
        // Whatever the message stream holds goes out first; with "-o -" that is nothing.
        out().flush();
        QFile stdOut;
        if (!stdOut.open(stdout, QIODevice::WriteOnly) || stdOut.write(data) != data.size() || !stdOut.flush())
            throw outputError(
                err::DeviceIo, QStringLiteral("cannot write to standard output (%1)").arg(stdOut.errorString()));
    }

} // namespace

bool isStandardOutput(const QString& target)
{
    return target == QLatin1String("-");
}

QTextStream& messages()
{
    return dataOnStandardOutput ? err() : out();
}

QString outputName(const QString& target)
{
    return isStandardOutput(target) ? QStringLiteral("standard output") : printable(target);
}

void saveOutput(const QString& target, const std::function<void(const QString& path)>& save)
{
    if (!isStandardOutput(target)) {
        save(target);
        return;
    }
    dataOnStandardOutput = true;
    const QTemporaryDir dir;
    if (!dir.isValid())
        throw outputError(
            err::PathFileAccess, QStringLiteral("no temporary folder for standard output (%1)").arg(dir.errorString()));
    // Named .ico so that a saver which adds that extension to a name without it keeps the name.
    const QString path = dir.filePath(QStringLiteral("output.ico"));
    save(path);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw outputError(err::DeviceIo, QStringLiteral("cannot read back %1 (%2)").arg(path, f.errorString()));
    writeStandardOutput(f.readAll());
}

void saveOutput(const QString& target, const QByteArray& data)
{
    if (isStandardOutput(target)) {
        dataOnStandardOutput = true;
        writeStandardOutput(data);
        return;
    }
    switch (writeFileSafely(target, [&](QIODevice& d) { return d.write(data) == data.size(); })) {
    case SafeWriteResult::Ok:
        return;
    case SafeWriteResult::OpenFailed:
        throw outputError(err::PathFileAccess, QStringLiteral("the file cannot be made"));
    case SafeWriteResult::WriteFailed:
        throw outputError(err::DeviceIo, QStringLiteral("writing it failed"));
    }
}

QString replacedInput(const QString& target, const QStringList& inputs)
{
    if (isStandardOutput(target))
        return {};
    for (const QString& input : inputs)
        if (sameFile(target, input))
            return input;
    return {};
}

} // namespace brevane::cli
