#pragma once

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <unistd.h>

namespace brevane::test {

// Makes a folder refuse new files while it lives; as root (whom permission bits do not stop) it
// is made immutable, which needs chattr's capability. isReadOnly() tells whether it worked.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path)
        : m_path(path)
        , m_immutable(::geteuid() == 0 && QProcess::execute("chattr", { "+i", path }) == 0)
    {
        if (::geteuid() != 0)
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ExeOwner);
        QFile probe(QDir(m_path).filePath(QStringLiteral(".probe")));
        m_readOnly = !probe.open(QIODevice::WriteOnly);
        probe.remove();
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            QProcess::execute("chattr", { "-i", m_path });
        else
            QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    Q_DISABLE_COPY(ReadOnlyFolder)
    bool isReadOnly() const { return m_readOnly; }

private:
    QString m_path;
    bool m_immutable;
    bool m_readOnly = false;
};

} // namespace brevane::test
