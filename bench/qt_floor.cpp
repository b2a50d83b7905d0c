// The floor for brevane-cli convert: each picture decoded whole by Qt's reader, its top-left
// square written as an icon by Qt's writer, one after the other. No transparency, no checks.
//   qt_floor SIZE OUT PICTURE...
#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 3)
        return 2;
    const int side = args[1].toInt();
    int failed = 0;
    for (const QString& path : args.mid(3)) {
        QImageReader reader(path);
        const QImage square = reader.read().copy(0, 0, side, side);
        QImageWriter writer(args[2] + QLatin1Char('/') + QFileInfo(path).completeBaseName() + QStringLiteral(".ico"), "ico");
        failed += square.isNull() || !writer.write(square) ? 1 : 0;
    }
    return failed == 0 ? 0 : 1;
}
