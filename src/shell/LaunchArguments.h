#pragma once

#include <QStringList>

#include <optional>

class QTextStream;

namespace brevane::LaunchArguments {

// Answers --help and --version on out. Returns the exit code when the program ends there, or -1
// to go on and start the window. Needs no window system, so it also works without a display.
// Arguments it does not know (Qt's own -platform, -style) are left for pictures() to judge once
// QApplication has taken its own out.
int answerWithoutWindow(const QStringList& arguments, QTextStream& out);

// The pictures named on the command line (a file manager's "Open with"), as absolute paths in
// the given order. Each one that is not an existing file is reported on err and skipped.
// Nothing on a usage error, which is reported on err too.
std::optional<QStringList> pictures(const QStringList& arguments, QTextStream& err);

} // namespace brevane::LaunchArguments
