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

// Writes what save(path) writes as a file: to target, or for "-" to standard output (through
// a private temporary file, removed afterwards). Raises brevane::Error as save does, and for a
// failed write to standard output.
void saveOutput(const QString& target, const std::function<void(const QString& path)>& save);
// The same for data already in memory; a file goes through the safe writer.
void saveOutput(const QString& target, const QByteArray& data);

// The one of inputs that writing target would replace (links followed, so a link to an input
// counts); empty when none. "-" replaces nothing.
QString replacedInput(const QString& target, const QStringList& inputs);

} // namespace brevane::cli
