#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QMap>
#include <QQueue>

namespace brevane::test {

struct ShownMessage {
    QString text;
    QString title; // as shown: an empty title reads "Brevane"
    MsgIcon icon;
    MsgButtons buttons;
};

// Answers every prompt from a script and records what was shown. An unscripted message
// box answers with its first button (OK, Yes, Abort); an unscripted chooser is cancelled.
class ScriptedPrompts : public Prompts {
public:
    QList<ShownMessage> messages;
    QQueue<MsgAnswer> answers;

    QList<FileChooserRequest> fileRequests;
    QQueue<FileChooserResult> fileAnswers;

    QStringList folderTitles;
    QQueue<QString> folderAnswers;

    QStringList opened;
    QMap<QString, QString> settings; // "section/key" -> value

    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override
    {
        messages.append({ text, shownTitle(title), icon, buttons });
        if (!answers.isEmpty())
            return answers.dequeue();
        switch (buttons) {
        case MsgButtons::Ok:
        case MsgButtons::OkCancel:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
        case MsgButtons::YesNoCancel:
            return MsgAnswer::Yes;
        case MsgButtons::RetryCancel:
            return MsgAnswer::Retry;
        case MsgButtons::AbortRetryIgnore:
            return MsgAnswer::Abort;
        }
        return MsgAnswer::Ok;
    }

    FileChooserResult chooseFile(const FileChooserRequest& request) override
    {
        fileRequests.append(request);
        return fileAnswers.isEmpty() ? FileChooserResult {} : fileAnswers.dequeue();
    }

    QString chooseFolder(const QString& title) override
    {
        folderTitles.append(title);
        return folderAnswers.isEmpty() ? QString() : folderAnswers.dequeue();
    }

    bool openExternally(const QString& target) override
    {
        opened.append(target);
        return true;
    }

    QString setting(const QString& section, const QString& key, const QString& fallback) override
    {
        return settings.value(section + QLatin1Char('/') + key, fallback);
    }

    void setSetting(const QString& section, const QString& key, const QString& value) override
    {
        settings.insert(section + QLatin1Char('/') + key, value);
    }

    // Convenience for scripting a picked file: a full path, accepted.
    void answerFile(const QString& path, int filterIndex = 1) { fileAnswers.enqueue({ true, path, filterIndex }); }
    void cancelFile() { fileAnswers.enqueue({}); }
};

} // namespace brevane::test
