#include "platform/StepRunner.h"

#include <exception>
#include <new>

#include "platform/Error.h"
#include "platform/Prompts.h"
#include "platform/ErrorLog.h"

namespace brevane {

namespace {
    // What a failure that is not one of our own errors is reported as.
    constexpr qint32 InternalError = 51;

    struct Failure {
        qint32 number;
        QString description;
    };

    Failure describeCurrentException()
    {
        try {
            throw;
        } catch (const Error& e) {
            return { e.number(), e.description() };
        } catch (const std::bad_alloc&) {
            return { err::OutOfMemory, Error::runtimeDescription(err::OutOfMemory) };
        } catch (const std::exception& e) {
            return { InternalError, QStringLiteral("Internal error: %1").arg(QString::fromLocal8Bit(e.what())) };
        } catch (...) {
            return { InternalError, QStringLiteral("Internal error") };
        }
    }
}

StepRunner::StepRunner(Prompts& prompts, QString locationCode)
    : m_prompts(prompts)
    , m_location(std::move(locationCode))
{
}

StepRunner::Result StepRunner::step(int line, const std::function<void()>& fn)
{
    if (m_aborted)
        return Result::Aborted;
    for (;;) {
        Failure failure;
        try {
            fn();
            return Result::Done;
        } catch (...) {
            failure = describeCurrentException();
        }

        const QString text = QStringLiteral("There was an error, if you think this is serious then please write the "
                                            "information bellow: \r\n%1:%2\r\n%3")
                                 .arg(failure.number)
                                 .arg(line)
                                 .arg(failure.description);
        const MsgAnswer answer
            = m_prompts.message(text, QStringLiteral("Error"), MsgIcon::Critical, MsgButtons::AbortRetryIgnore);
        // The log is best effort: whatever happens to it, the answer decides what comes next.
        ErrorLog::append(QStringLiteral("%1:%2:%3").arg(m_location).arg(line).arg(failure.number));

        switch (answer) {
        case MsgAnswer::Retry:
            continue;
        case MsgAnswer::Ignore:
            return Result::Skipped;
        default:
            m_aborted = true;
            return Result::Aborted;
        }
    }
}

bool StepRunner::run(std::initializer_list<std::function<void()>> steps)
{
    int line = 0;
    for (const auto& fn : steps) {
        if (step(++line, fn) == Result::Aborted)
            return false;
    }
    return !m_aborted;
}

} // namespace brevane
