#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace brevane {

// The one way the program writes a file (logs aside). The data goes to a short hidden
// temporary beside the target (".brv-" and six letters, so that any name the system takes
// can be written), which is renamed over the target only once every byte and the close
// were checked: a failure, a full disk included, leaves the old file as it was and no
// temporary behind.
// - A target that exists must be a regular file this user may write (checked as the
//   system would before opening it); anything else (a directory, FIFO, device or socket)
//   is refused without being opened, so nothing blocks.
// - A symbolic link is written through: the file it points to gets the new bytes and the
//   link stays. A dangling link creates the file it names, as a shell's ">" does, when that
//   file's folder exists.
// - A replaced file keeps its permission bits, and its owner and group where the process
//   may set them (else set-user and set-group bits are dropped).
// - Unlike QSaveFile it does not force the data to disk: a batch writes thousands of small
//   icons and a sync per file would dominate the run.
enum class SafeWriteResult { Ok, OpenFailed, WriteFailed };

// Why a write failed, for messages: the file and the system's reason.
struct WriteProblem {
    QString path; // as the caller named it
    QString resolvedPath; // the file a link led to; empty when no link was followed
    int systemError = 0; // errno; 0 when the reason is not the system's
    QString reason; // "Permission denied", "No space left on device", "not a regular file"

    // "PATH: REASON", naming the link's target too when one was followed.
    QString detail() const;
};

// `write` fills the device and returns whether it could; the device reports every system
// error, and nothing the callback wrote counts until it returns true.
SafeWriteResult writeFileSafely(const QString& path, const std::function<bool(QIODevice&)>& write);
// The same, saying why it failed in `problem` (which comes first, so a long callback stays last).
SafeWriteResult writeFileSafely(
    const QString& path, WriteProblem* problem, const std::function<bool(QIODevice&)>& write);

// Standard output through the same checks (every byte written, every error reported), for
// "-o -". Standard output is not seekable: a callback that seeks fails.
SafeWriteResult writeStandardOutput(const QByteArray& bytes, WriteProblem* problem = nullptr);
SafeWriteResult writeStandardOutput(WriteProblem* problem, const std::function<bool(QIODevice&)>& write);

// Makes SIGINT, SIGTERM and SIGHUP remove the temporaries of the writes in flight before
// the process ends as the signal would have ended it. Signals the process was started
// ignoring stay ignored. Both programs call it once at start; calling it again does nothing.
void removeTemporariesOnSignals();

} // namespace brevane
