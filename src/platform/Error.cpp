#include "platform/Error.h"

namespace brevane {

Error::Error(qint32 number, QString source, QString description, QString detail)
    : m_number(number)
    , m_source(std::move(source))
    , m_description(std::move(description))
    , m_detail(std::move(detail))
    , m_what(QStringLiteral("%1 (%2): %3").arg(m_number).arg(m_source, message()).toStdString())
{
}

QString Error::message() const
{
    if (m_detail.isEmpty())
        return m_description;
    return m_description + QStringLiteral(" (") + m_detail + QLatin1Char(')');
}

QString Error::runtimeDescription(qint32 number)
{
    switch (number) {
    case err::InvalidProcedureCall:
        return QStringLiteral("Invalid procedure call or argument");
    case err::Overflow:
        return QStringLiteral("Overflow");
    case err::OutOfMemory:
        return QStringLiteral("Out of memory");
    case err::SubscriptOutOfRange:
        return QStringLiteral("Subscript out of range");
    case err::TypeMismatch:
        return QStringLiteral("Type mismatch");
    case err::FileNotFound:
        return QStringLiteral("File not found");
    case err::BadFileName:
        return QStringLiteral("Bad file name or number");
    case err::DeviceIo:
        return QStringLiteral("Device I/O error");
    case err::PermissionDenied:
        return QStringLiteral("Permission denied");
    case err::PathFileAccess:
        return QStringLiteral("Path/File access error");
    case err::PathNotFound:
        return QStringLiteral("Path not found");
    case err::InvalidPicture:
        return QStringLiteral("Invalid picture");
    default:
        return QStringLiteral("Application-defined or object-defined error");
    }
}

Error Error::runtime(qint32 number)
{
    return Error(number, applicationName(), runtimeDescription(number));
}

QString applicationName()
{
    return QStringLiteral("Brevane");
}

QString errorSource(const char* classWord)
{
    return applicationName() + QLatin1Char('.') + QLatin1String(classWord);
}

} // namespace brevane
