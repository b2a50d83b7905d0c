#pragma once

#include "platform/Prompts.h"

#include <QList>
#include <QMap>
#include <QQueue>

namespace brevane::test {

struct ShownMessage { QString text, title; MsgIcon icon; MsgButtons buttons; }; // title as shown: "" reads "Brevane"

// Answers every prompt from a script and records what was shown. An unscripted message
// box answers with its first button (OK, Yes, Retry, Abort); an unscripted chooser is cancelled.
class ScriptedPrompts : public Prompts {
public:
    QList<ShownMessage> messages;
    QQueue<MsgAnswer> answers;

    QList<FileChooserRequest> fileRequests;
    QQueue<FileChooserResult> fileAnswers;

    QStringList folderTitles, opened;
    QQueue<QString> folderAnswers;
    QMap<QString, QString> settings; // "section/key" -> value

    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override
    {
        messages.append({ text, shownTitle(title), icon, buttons });
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == MsgButtons::YesNo || buttons == MsgButtons::YesNoCancel ? MsgAnswer::Yes
            : buttons == MsgButtons::RetryCancel                                 ? MsgAnswer::Retry
            : buttons == MsgButtons::AbortRetryIgnore                            ? MsgAnswer::Abort
                                                                                  : MsgAnswer::Ok;
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

    void answerFile(const QString& path, int filterIndex = 1) { fileAnswers.enqueue({ true, path, filterIndex }); }
    void cancelFile() { fileAnswers.enqueue({}); }
};

} // namespace brevane::test
