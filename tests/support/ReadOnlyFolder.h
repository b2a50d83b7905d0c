#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <unistd.h>

namespace brevane::test {

// Makes a folder refuse new files for the lifetime of the object. Permission bits do not
// stop root, so as root the folder is made immutable instead. isReadOnly() tells whether
// it worked (it needs chattr's capability as root).
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path)
        : m_path(path)
    {
        if (::geteuid() == 0)
            m_immutable = QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("+i"), m_path }) == 0;
        else
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(QDir(m_path).filePath(QStringLiteral(".probe")));
        m_readOnly = !probe.open(QIODevice::WriteOnly);
        if (!m_readOnly)
            probe.remove();
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), { QStringLiteral("-i"), m_path });
        else
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    bool isReadOnly() const { return m_readOnly; }

private:
    QString m_path;
    bool m_immutable = false;
    bool m_readOnly = false;
};

} // namespace brevane::test
