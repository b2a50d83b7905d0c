#pragma once

#include <QString>

#include <functional>

class QIODevice;

namespace brevane {

// Writes a file beside its target and renames it over the target only when every byte
// was written, so a failure never leaves a partial file in place of a good one.
// Unlike QSaveFile it does not force the data to disk: a batch writes thousands of small
// icons and a sync per file would dominate the run.
enum class SafeWriteResult { Ok, OpenFailed, WriteFailed };

SafeWriteResult writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& write);

} // namespace brevane
