// Figures for the icon document: load and save of a 3-image icon, and checking 1,000 files.
#include "icon/cls_IconFile.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace brevane;

namespace {

QTemporaryDir& workDir()
{
    static QTemporaryDir dir;
    return dir;
}

QString threeImageIcon()
{
    static const QString path = [] {
        cls_IconFile icon;
        icon.AddImage(16, 16, 2);
        icon.AddImage(32, 32, 256);
        icon.AddImage(48, 48, 1000);
        const QString p = workDir().filePath(QStringLiteral("three.ico"));
        icon.saveicon(p);
        return p;
    }();
    return path;
}

void BM_LoadThreeImageIcon(benchmark::State& state)
{
    const QString path = threeImageIcon();
    cls_IconFile icon;
    for (auto _ : state) {
        bool ok = icon.LoadIcon(path);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_LoadThreeImageIcon);

void BM_SaveThreeImageIcon(benchmark::State& state)
{
    cls_IconFile icon;
    icon.LoadIcon(threeImageIcon());
    const QString out = workDir().filePath(QStringLiteral("out.ico"));
    for (auto _ : state) {
        bool ok = icon.saveicon(out);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_SaveThreeImageIcon);

void BM_Check1000IconFiles(benchmark::State& state)
{
    const QString folder = workDir().filePath(QStringLiteral("many"));
    QDir().mkpath(folder);
    QStringList files;
    cls_IconFile icon;
    icon.LoadIcon(threeImageIcon());
    for (int i = 0; i < 1000; ++i) {
        files << QDir(folder).filePath(QStringLiteral("icon%1.ico").arg(i));
        icon.saveicon(files.last());
    }
    cls_IconFile checker;
    for (auto _ : state) {
        int valid = 0;
        for (const QString& f : files)
            valid += checker.IsAnIconFile(f);
        benchmark::DoNotOptimize(valid);
    }
}
BENCHMARK(BM_Check1000IconFiles)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
