// Figures for the icon document: load and save of a 3-image icon, and checking 1,000 files.
#include "icon/IconFile.h"

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
        IconFile icon;
        icon.addImage(16, 16, 2);
        icon.addImage(32, 32, 256);
        icon.addImage(48, 48, 1000);
        const QString p = workDir().filePath(QStringLiteral("three.ico"));
        icon.save(p);
        return p;
    }();
    return path;
}

void BM_LoadThreeImageIcon(benchmark::State& state)
{
    const QString path = threeImageIcon();
    IconFile icon;
    for (auto _ : state) {
        bool ok = icon.load(path);
        benchmark::DoNotOptimize(ok);
    }
}
BENCHMARK(BM_LoadThreeImageIcon);

void BM_SaveThreeImageIcon(benchmark::State& state)
{
    IconFile icon;
    icon.load(threeImageIcon());
    const QString out = workDir().filePath(QStringLiteral("out.ico"));
    for (auto _ : state)
        icon.save(out);
}
BENCHMARK(BM_SaveThreeImageIcon);

void BM_Check1000IconFiles(benchmark::State& state)
{
    const QString folder = workDir().filePath(QStringLiteral("many"));
    QDir().mkpath(folder);
    QStringList files;
    IconFile icon;
    icon.load(threeImageIcon());
    for (int i = 0; i < 1000; ++i) {
        files << QDir(folder).filePath(QStringLiteral("icon%1.ico").arg(i));
        icon.save(files.last());
    }
    IconFile checker;
    for (auto _ : state) {
        int valid = 0;
        for (const QString& f : files)
            valid += checker.isIconFile(f);
        benchmark::DoNotOptimize(valid);
    }
}
BENCHMARK(BM_Check1000IconFiles)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
