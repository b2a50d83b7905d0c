// Start-up of the main window: building it (list, task pane, window menu, background
// picture) until it is shown and exposed, with the tip window switched off.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "platform/ErrorLog.h"
#include "shell/MainWindow.h"
#include "support/ScriptedPrompts.h"

namespace {

void MainWindowShown(benchmark::State& state)
{
    brevane::test::ScriptedPrompts prompts;
    prompts.settings.insert(QStringLiteral("Options/Show Tips at Startup"), QStringLiteral("0"));
    for (auto _ : state) {
        brevane::MainWindow form(prompts);
        form.show();
        form.showStartupTips();
        if (!QTest::qWaitForWindowExposed(&form))
            state.SkipWithError("the main window was never exposed");
        QCoreApplication::processEvents();
    }
}
BENCHMARK(MainWindowShown)->Unit(benchmark::kMillisecond);

void MainWindowAddRows(benchmark::State& state)
{
    brevane::test::ScriptedPrompts prompts;
    brevane::MainWindow form(prompts);
    for (auto _ : state) {
        for (int i = 0; i < state.range(0); ++i)
            form.addRow(QStringLiteral("picture%1.bmp").arg(i), QStringLiteral("/tmp/Pictures"));
        form.clearList();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(MainWindowAddRows)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    brevane::ErrorLog::setProgramFolder(QStringLiteral(BREVANE_BINARY_DIR));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
