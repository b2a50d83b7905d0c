#pragma once

#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QTest>

namespace brevane::test {

// True when the outside program (a name on PATH, or an absolute path) cannot be run here.
inline bool toolMissing(const QString& program)
{
    return QFileInfo(program).isAbsolute() ? !QFileInfo(program).isExecutable()
                                           : QStandardPaths::findExecutable(program).isEmpty();
}

// The checks read our output with programs that are not ours; without one, the test skips.
#define REQUIRE_TOOL(program)                                                                                          \
    do {                                                                                                               \
        if (brevane::test::toolMissing(QStringLiteral(program)))                                                       \
            QSKIP(program " is not installed: this test reads the results with it");                                   \
    } while (false)

} // namespace brevane::test
