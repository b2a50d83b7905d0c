#include "platform/widgets/QtPrompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>
#include <QUrl>

namespace brevane {

QtPrompts::QtPrompts(QWidget* parent)
    : m_parent(parent)
{
}

MsgAnswer QtPrompts::message(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(shownTitle(title));
    box.setText(text);
    switch (icon) {
    case MsgIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case MsgIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MsgIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MsgIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MsgIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case MsgButtons::Ok:
        set = QMessageBox::Ok;
        break;
    case MsgButtons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MsgButtons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        break;
    case MsgButtons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MsgButtons::RetryCancel:
        set = QMessageBox::Retry | QMessageBox::Cancel;
        break;
    case MsgButtons::AbortRetryIgnore:
        set = QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
        break;
    }
    box.setStandardButtons(set);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MsgAnswer::Ok;
    case QMessageBox::Abort:
        return MsgAnswer::Abort;
    case QMessageBox::Retry:
        return MsgAnswer::Retry;
    case QMessageBox::Ignore:
        return MsgAnswer::Ignore;
    case QMessageBox::Yes:
        return MsgAnswer::Yes;
    case QMessageBox::No:
        return MsgAnswer::No;
    default:
        // Closing the box with its close button or Esc.
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
}

QStringList QtPrompts::nameFilters(const QStringList& filterPairs)
{
    QStringList filters;
    for (qsizetype i = 0; i + 1 < filterPairs.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : filterPairs.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString p = pattern.trimmed();
            // "*.*" is every file on the desktop this came from; here names need not have a dot.
            patterns.append(p == QLatin1String("*.*") ? QStringLiteral("*") : p);
        }
        if (patterns.isEmpty())
            continue;
        filters.append(QStringLiteral("%1 (%2)").arg(filterPairs.at(i), patterns.join(QLatin1Char(' '))));
    }
    return filters;
}

QString QtPrompts::resultText(const QStringList& files)
{
    if (files.isEmpty())
        return QString();
    if (files.size() == 1)
        return QDir::toNativeSeparators(files.first());
    const QChar nul(u'\0');
    QString text = QDir::toNativeSeparators(QFileInfo(files.first()).absolutePath());
    for (const QString& file : files)
        text += nul + QFileInfo(file).fileName();
    text += nul;
    text += nul;
    return text;
}

FileChooserResult QtPrompts::chooseFile(const FileChooserRequest& request)
{
    QFileDialog dialog(m_parent, request.title);
    const QStringList filters = nameFilters(request.filterPairs);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
            dialog.selectNameFilter(filters.at(request.filterIndex - 1));
    }
    switch (request.mode) {
    case FileChooserRequest::Mode::Open:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        break;
    case FileChooserRequest::Mode::OpenMultiple:
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        break;
    case FileChooserRequest::Mode::Save:
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        break;
    }
    QString initialDir = request.initialDir;
    QString initialName = request.initialName;
    if (!initialName.isEmpty() && QFileInfo(initialName).isAbsolute()) {
        initialDir = QFileInfo(initialName).absolutePath();
        initialName = QFileInfo(initialName).fileName();
    }
    if (!request.defaultSuffix.isEmpty())
        dialog.setDefaultSuffix(request.defaultSuffix);
    if (!initialDir.isEmpty())
        dialog.setDirectory(initialDir);
    if (!initialName.isEmpty())
        dialog.selectFile(initialName);

    FileChooserResult result;
    result.filterIndex = request.filterIndex;
    if (dialog.exec() != QDialog::Accepted)
        return result;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return result;
    result.accepted = true;
    result.resultText = resultText(files);
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0)
        result.filterIndex = static_cast<int>(chosen) + 1;
    return result;
}

QString QtPrompts::chooseFolder(const QString& title)
{
    const QString folder = QFileDialog::getExistingDirectory(m_parent, title);
    return folder.isEmpty() ? QString() : QDir::toNativeSeparators(folder);
}

QString QtPrompts::externalUrl(const QString& target)
{
    const QString trimmed = target.trimmed();
    if (trimmed.isEmpty())
        return QString();
    if (QFileInfo(trimmed).isAbsolute() || QFileInfo::exists(trimmed))
        return QUrl::fromLocalFile(QFileInfo(trimmed).absoluteFilePath()).toString();
    const QUrl url(trimmed);
    if (url.isValid() && !url.scheme().isEmpty())
        return url.toString();
    return QStringLiteral("https://") + trimmed;
}

bool QtPrompts::openExternally(const QString& target)
{
    const QString url = externalUrl(target);
    if (url.isEmpty())
        return false;
    return QDesktopServices::openUrl(QUrl(url));
}

QString QtPrompts::settingsName()
{
    const QString executable = QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
    const QString name = QFileInfo(executable).completeBaseName();
    return name.isEmpty() ? QStringLiteral("brevane") : name;
}

QString QtPrompts::setting(const QString& section, const QString& key, const QString& fallback)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, settingsName(), settingsName());
    return store.value(section + QLatin1Char('/') + key, fallback).toString();
}

void QtPrompts::setSetting(const QString& section, const QString& key, const QString& value)
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, settingsName(), settingsName());
    store.setValue(section + QLatin1Char('/') + key, value);
    store.sync();
}

} // namespace brevane
