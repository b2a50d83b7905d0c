#pragma once

#include <QStringList>

namespace brevane::cli {

// Exit codes every command keeps to.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailed = 1;
inline constexpr int ExitUsage = 2;

// Each command takes its own arguments, the command name first (as argv[0] would be).
int runInfo(const QStringList& args);
int runPreview(const QStringList& args);
int runList(const QStringList& args);
int runExtract(const QStringList& args);
int runPalette(const QStringList& args);
int runMulti(const QStringList& args);

} // namespace brevane::cli
