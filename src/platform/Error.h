#pragma once

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

namespace brevane {

// The program's one error type: a number, the component that raised it and a description.
// Components raise it and catch none; the windows show and log it.
// The description is the program's fixed text; the optional detail says which file and why
// ("/tmp/a.ico: No space left on device"), for messages that have room for it.
class Error : public std::exception {
public:
    Error(qint32 number, QString source, QString description, QString detail = QString());

    qint32 number() const noexcept { return m_number; }
    const QString& source() const noexcept { return m_source; }
    const QString& description() const noexcept { return m_description; }
    const QString& detail() const noexcept { return m_detail; }
    // The description followed by the detail in parentheses, when there is one.
    QString message() const;
    const char* what() const noexcept override { return m_what.c_str(); }

    // A run-time error (5, 6, 7, 9, 13, 53, 481, ...) with its usual description.
    static Error runtime(qint32 number);
    static QString runtimeDescription(qint32 number);

private:
    qint32 m_number;
    QString m_source;
    QString m_description;
    QString m_detail;
    std::string m_what;
};

// Every error number the program raises; logs and callers rely on them.
namespace err {
    // Run-time errors.
    inline constexpr qint32 InvalidProcedureCall = 5;
    inline constexpr qint32 Overflow = 6;
    inline constexpr qint32 OutOfMemory = 7;
    inline constexpr qint32 SubscriptOutOfRange = 9;
    inline constexpr qint32 TypeMismatch = 13;
    inline constexpr qint32 BadFileName = 52;
    inline constexpr qint32 FileNotFound = 53;
    inline constexpr qint32 DeviceIo = 57;
    inline constexpr qint32 PermissionDenied = 70;
    inline constexpr qint32 PathFileAccess = 75;
    inline constexpr qint32 PathNotFound = 76;
    inline constexpr qint32 InvalidPicture = 481;
    inline constexpr qint32 DialogCancelled = 32755;

    // Application-defined errors live at 0x80040000 + n; as a signed number they are negative.
    constexpr qint32 classError(qint32 n)
    {
        return static_cast<qint32>(0x80040000u + static_cast<quint32>(n));
    }

    // The icon document's own errors (source "Brevane.cFileIcon").
    inline constexpr qint32 IconAlreadyExists = classError(1049);
    inline constexpr qint32 IconLoadFailed = classError(1050);
    inline constexpr qint32 NoFileName = classError(1051);
    inline constexpr qint32 IconCannotSave = classError(1052); // no images, or the file cannot be opened
    inline constexpr qint32 IconWriteFailed = classError(1053);
    inline constexpr qint32 ResourceNotFound = classError(1055);
    inline constexpr qint32 ResourceNotLoaded = classError(1056); // cannot be loaded or locked
    inline constexpr qint32 ResourceUnreadable = classError(1057);
}

// "Brevane": the name errors and settings are filed under.
QString applicationName();
// "Brevane.cFileIcon" and the like.
QString errorSource(const char* classWord);

} // namespace brevane
