#pragma once

#include <QString>
#include <QStringList>

namespace brevane {

enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No };

// What a file chooser is asked for. The filter is in the chooser's own list form: pairs of
// description and pattern list ("All picture files", "*.bmp;*.gif"), already split.
struct FileChooserRequest {
    enum class Mode { Open, OpenMultiple, Save };
    Mode mode = Mode::Open;
    QString title;
    QStringList filterPairs; // description, patterns, description, patterns, ...
    int filterIndex = 1; // 1-based pair chosen at the start
    QString initialDir;
    QString initialName;
    bool fileMustExist = false;
    QString defaultSuffix; // added to a typed name that has no extension ("ico")
};

// What a file chooser answers: nothing when cancelled; otherwise the result text the way
// the file dialog class expects it (a full path, or for several files the folder and the
// names separated by NUL characters and ended by two NULs) and the filter last chosen.
struct FileChooserResult {
    bool accepted = false;
    QString resultText;
    int filterIndex = 1;
};

// The title a message box shows: its own, or the application title when it has none.
inline QString shownTitle(const QString& title)
{
    return title.isEmpty() ? QStringLiteral("Brevane") : title;
}

// Everything that asks or tells the user, opens something on the desktop or keeps a
// per-user setting goes through this interface, so tests can script the answers.
class Prompts {
public:
    virtual ~Prompts() = default;

    // An empty title shows the application title, "Brevane".
    virtual MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) = 0;
    virtual FileChooserResult chooseFile(const FileChooserRequest& request) = 0;
    // The chosen folder, or an empty string when cancelled.
    virtual QString chooseFolder(const QString& title) = 0;
    // Hands a file, folder or address (http:, mailto:, a bare host) to the desktop.
    virtual bool openExternally(const QString& target) = 0;

    // The per-user settings store: application name (the executable's), section, key.
    virtual QString setting(const QString& section, const QString& key, const QString& fallback) = 0;
    virtual void setSetting(const QString& section, const QString& key, const QString& value) = 0;
};

} // namespace brevane
