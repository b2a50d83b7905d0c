#pragma once

#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

// The readers under test take file names, so each input is written to a private file.
class FuzzFile {
public:
    FuzzFile(const uint8_t* data, size_t size)
        : m_path(dir().filePath(QStringLiteral("input.bin")))
    {
        QFile f(m_path);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    const QString& path() const { return m_path; }

    static QTemporaryDir& dir()
    {
        static QTemporaryDir d;
        return d;
    }

private:
    QString m_path;
};
