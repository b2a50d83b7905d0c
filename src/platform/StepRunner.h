#pragma once

#include <QString>

#include <functional>

namespace brevane {

class Prompts;

// Runs the steps of a user-facing procedure. An error escaping a step is shown with the
// shared report (title "Error", Abort/Retry/Ignore) and logged with the procedure's
// location code; Retry runs the step again, Ignore goes on after it, Abort leaves.
// The "line" in the report is the step's number within its procedure.
class StepRunner {
public:
    enum class Result { Done, Skipped, Aborted };

    StepRunner(Prompts& prompts, QString locationCode);

    // Runs one step until it succeeds, is ignored or aborted.
    Result step(int line, const std::function<void()>& fn);

    // Runs the steps in order, numbering them from 1; false when the procedure was aborted.
    bool run(std::initializer_list<std::function<void()>> steps);

    bool aborted() const { return m_aborted; }

private:
    Prompts& m_prompts;
    QString m_location;
    bool m_aborted = false;
};

} // namespace brevane
