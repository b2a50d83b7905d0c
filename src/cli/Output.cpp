#include "cli/Output.h"

#include "cli/CommandLine.h"

#include "platform/Error.h"
#include "platform/FileIdentity.h"
#include "platform/SafeWrite.h"

#include <QFileInfo>
#include <QIODevice>

namespace brevane::cli {

namespace {

    bool dataOnStandardOutput = false;

    Error outputError(qint32 number, const QString& text, const QString& detail = QString())
    {
        return Error(number, QStringLiteral("brevane-cli"), text, detail);
    }

    void writeStandardOutput(const QByteArray& data)
    {
        // Whatever the message stream holds goes out first; with "-o -" that is nothing.
        out().flush();
        WriteProblem problem;
        if (brevane::writeStandardOutput(data, &problem) != SafeWriteResult::Ok)
            throw outputError(
                err::DeviceIo, problem.reason.isEmpty() ? QStringLiteral("writing failed") : problem.reason);
    }

    // A folder where the file should go is named as one, as folders given for inputs are.
    void refuseFolder(const QString& target)
    {
        if (QFileInfo(target).isDir())
            throw outputError(err::PathFileAccess, QStringLiteral("is a folder"));
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

void saveOutput(const QString& target, const std::function<QByteArray()>& encode,
    const std::function<void(const QString& path)>& saveFile)
{
    if (!isStandardOutput(target)) {
        refuseFolder(target);
        saveFile(target);
        return;
    }
    const QByteArray data = encode();
    dataOnStandardOutput = true;
    writeStandardOutput(data);
}

void saveOutput(const QString& target, const QByteArray& data)
{
    if (isStandardOutput(target)) {
        dataOnStandardOutput = true;
        writeStandardOutput(data);
        return;
    }
    refuseFolder(target);
    WriteProblem problem;
    switch (writeFileSafely(target, &problem, [&](QIODevice& d) { return d.write(data) == data.size(); })) {
    case SafeWriteResult::Ok:
        return;
    case SafeWriteResult::OpenFailed:
        throw outputError(err::PathFileAccess, QStringLiteral("it cannot be opened for writing"), problem.detail());
    case SafeWriteResult::WriteFailed:
        throw outputError(err::DeviceIo, QStringLiteral("writing it failed"), problem.detail());
    }
}

QString replacedInput(const QString& target, const QStringList& inputs)
{
    if (isStandardOutput(target))
        return {};
    for (const QString& input : inputs)
        if (sameFile(input, target))
            return input;
    return {};
}

} // namespace brevane::cli
