#pragma once

#include "platform/Prompts.h"

#include <QPointer>
#include <QWidget>

namespace brevane {

// The prompts of the desktop: Qt message boxes and file dialogs, the desktop's handlers for
// files and addresses, and QSettings filed under the executable's base name.
class QtPrompts : public Prompts {
public:
    // Message boxes and choosers are modal to the parent when it is given.
    explicit QtPrompts(QWidget* parent = nullptr);

    void setParentWidget(QWidget* parent) { m_parent = parent; }

    MsgAnswer message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons) override;
    // A message box modal to the given window (a chooser that is still open).
    MsgAnswer messageOver(QWidget* window, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons);
    FileChooserResult chooseFile(const FileChooserRequest& request) override;
    QString chooseFolder(const QString& title) override;
    bool openExternally(const QString& target) override;
    QString setting(const QString& section, const QString& key, const QString& fallback) override;
    void setSetting(const QString& section, const QString& key, const QString& value) override;

    // A message box's buttons, in the order shown; the first is the default.
    struct Choice {
        QString text; // with its access key
        MsgAnswer answer;
    };
    static QList<Choice> choices(MsgButtons buttons);

    // Helpers the file chooser is built from; public so they can be checked on their own.
    // "All picture files", "*.bmp;*.gif;" -> "All picture files (*.bmp *.gif)".
    static QStringList nameFilters(const QStringList& filterPairs);
    // The result text for the chosen files: one full path, or folder NUL names NUL ... NUL NUL.
    static QString resultText(const QStringList& files);
    // A bare host ("www.example.org") becomes a web address; paths become file addresses.
    static QString externalUrl(const QString& target);
    // The name the settings are filed under: the executable's base name.
    static QString settingsName();

private:
    QPointer<QWidget> m_parent;
};

} // namespace brevane
