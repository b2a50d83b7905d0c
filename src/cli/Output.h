#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace brevane::cli {

// "-o -" sends a command's data to standard output; its messages then go to stderr, and no
// file named "-" is ever made.
bool isStandardOutput(const QString& target);

// Where a command's own messages ("wrote ...") go: stdout, or stderr once standard output
// carries data.
QTextStream& messages();

// The target as messages name it: "standard output" for "-", else the path, safe to print.
QString outputName(const QString& target);

// Writes a command's result to target: for "-", the bytes encode() returns go to standard
// output and nothing touches the disk; any other target is written by saveFile, which raises
// the file's own errors. A failed write to standard output raises brevane::Error.
void saveOutput(const QString& target, const std::function<QByteArray()>& encode,
    const std::function<void(const QString& path)>& saveFile);
// The same for data already in memory; a file goes through the safe writer.
void saveOutput(const QString& target, const QByteArray& data);

// The one of inputs that writing target would replace (links followed, so a link to an input
// counts); empty when none. "-" replaces nothing.
QString replacedInput(const QString& target, const QStringList& inputs);

} // namespace brevane::cli
