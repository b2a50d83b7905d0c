#include "platform/widgets/QtPrompts.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QUrl>

namespace brevane {

QtPrompts::QtPrompts(QWidget* parent)
    : m_parent(parent)
{
}

QList<QtPrompts::Choice> QtPrompts::choices(MsgButtons buttons)
{
    // The order and access keys of the desktop these boxes come from; the first is the default.
    const Choice ok { QStringLiteral("OK"), MsgAnswer::Ok };
    const Choice cancel { QStringLiteral("Cancel"), MsgAnswer::Cancel };
    const Choice yes { QStringLiteral("&Yes"), MsgAnswer::Yes };
    const Choice no { QStringLiteral("&No"), MsgAnswer::No };
    const Choice retry { QStringLiteral("&Retry"), MsgAnswer::Retry };
    switch (buttons) {
    case MsgButtons::Ok:
        return { ok };
    case MsgButtons::OkCancel:
        return { ok, cancel };
    case MsgButtons::YesNo:
        return { yes, no };
    case MsgButtons::YesNoCancel:
        return { yes, no, cancel };
    case MsgButtons::RetryCancel:
        return { retry, cancel };
    case MsgButtons::AbortRetryIgnore:
        return { { QStringLiteral("&Abort"), MsgAnswer::Abort }, retry,
            { QStringLiteral("&Ignore"), MsgAnswer::Ignore } };
    }
    return { ok };
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
    // One role for all, so the box keeps them in the given order instead of sorting them by
    // role the way the desktop's style would.
    const QList<Choice> offered = choices(buttons);
    QList<QAbstractButton*> shown;
    for (const Choice& choice : offered) {
        QPushButton* button = box.addButton(choice.text, QMessageBox::ActionRole);
        shown.append(button);
        // Esc gives the answer that changes nothing: Cancel, else No.
        if (choice.answer == MsgAnswer::Cancel || (choice.answer == MsgAnswer::No && !box.escapeButton()))
            box.setEscapeButton(button);
    }
    box.setDefaultButton(static_cast<QPushButton*>(shown.first()));
    if (shown.size() == 1)
        box.setEscapeButton(shown.first());
    box.exec();
    const qsizetype clicked = shown.indexOf(box.clickedButton());
    if (clicked >= 0)
        return offered.at(clicked).answer;
    // Closed some other way: the box had no close button of its own to answer with.
    return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
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

namespace {

    // Qt's own file dialog, whose typed names count as typed: every name in the name box, not
    // only those the list happens to show selected (a name the filter hides is never selected).
    class Chooser : public QFileDialog {
    public:
        Chooser(QtPrompts& prompts, QWidget* parent, const QString& title)
            : QFileDialog(parent, title)
            , m_prompts(prompts)
        {
            // Descriptions are shown as given; the patterns they stand for stay out of sight.
            setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
        }

        QStringList chosen; // full paths, when accept() took the typed names

        void accept() override
        {
            const QStringList typed = typedFiles();
            // Several names only make sense where several files may be chosen.
            if (acceptMode() == AcceptSave || typed.isEmpty() || (typed.size() > 1 && fileMode() != ExistingFiles)) {
                QFileDialog::accept();
                return;
            }
            if (typed.size() == 1 && QFileInfo(typed.first()).isDir()) {
                setDirectory(typed.first());
                nameBox()->clear();
                return;
            }
            QStringList found;
            QStringList missing;
            for (const QString& file : typed)
                (QFileInfo(file).isFile() ? found : missing).append(file);
            if (!missing.isEmpty() && fileMode() != AnyFile) {
                QStringList names;
                for (const QString& file : std::as_const(missing))
                    names.append(QFileInfo(file).fileName());
                const QString text = names.join(QLatin1Char('\n'))
                    + (names.size() == 1
                            ? QStringLiteral("\nFile not found.\nPlease verify the correct file name was given.")
                            : QStringLiteral("\nFiles not found.\nPlease verify the correct file names were given."));
                m_prompts.messageOver(this, text, windowTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
                if (found.isEmpty())
                    return;
            } else {
                found = typed;
            }
            chosen = found;
            QDialog::accept();
        }

    private:
        QLineEdit* nameBox() const { return findChild<QLineEdit*>(QStringLiteral("fileNameEdit")); }

        // The name box's text as names, each made absolute in the folder shown: one name, or
        // several in double quotes ("a.bmp" "b.png").
        QStringList typedFiles() const
        {
            const QLineEdit* box = nameBox();
            const QString text = box ? box->text().trimmed() : QString();
            QStringList names;
            if (!text.contains(QLatin1Char('"'))) {
                if (!text.isEmpty())
                    names.append(text);
            } else {
                const QStringList tokens = text.split(QLatin1Char('"'));
                for (qsizetype i = 1; i < tokens.size(); i += 2) {
                    if (!tokens.at(i).isEmpty())
                        names.append(tokens.at(i));
                }
            }
            QStringList files;
            const QDir folder = directory();
            for (QString name : std::as_const(names)) {
                if (name == QLatin1String("~") || name.startsWith(QLatin1String("~/")))
                    name.replace(0, 1, QDir::homePath());
                files.append(QDir::cleanPath(folder.absoluteFilePath(name)));
            }
            return files;
        }

        QtPrompts& m_prompts;
    };

} // namespace

MsgAnswer QtPrompts::messageOver(
    QWidget* window, const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    const QPointer<QWidget> parent = m_parent;
    m_parent = window;
    const MsgAnswer answer = message(text, title, icon, buttons);
    m_parent = parent;
    return answer;
}

FileChooserResult QtPrompts::chooseFile(const FileChooserRequest& request)
{
    Chooser dialog(*this, m_parent, request.title);
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
    const QStringList files = dialog.chosen.isEmpty() ? dialog.selectedFiles() : dialog.chosen;
    if (files.isEmpty())
        return result;
    result.accepted = true;
    result.resultText = resultText(files);
    // The dialog names the chosen filter by the description it shows.
    const QString picked = dialog.selectedNameFilter();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters.at(i);
        if (filter == picked || filter.left(filter.lastIndexOf(QLatin1String(" ("))).simplified() == picked) {
            result.filterIndex = static_cast<int>(i) + 1;
            break;
        }
    }
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
