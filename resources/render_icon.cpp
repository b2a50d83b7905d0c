// Build tool: draws the application icon for the icon theme's fixed sizes.
//   brevane-render-icon PICTURE.svg FOLDER NAME SIZE...
// writes FOLDER/<SIZE>x<SIZE>/apps/NAME.png for every SIZE.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

#include <cstdio>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's notes about run-time folders would clutter the build's output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            QTextStream(stderr) << message << '\n';
    });
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    QTextStream err(stderr);
    if (args.size() < 5) {
        err << "usage: brevane-render-icon PICTURE.svg FOLDER NAME SIZE...\n";
        return 2;
    }
    QSvgRenderer svg(args.at(1));
    if (!svg.isValid()) {
        err << args.at(1) << ": not a picture this tool can read\n";
        return 1;
    }
    for (const QString& text : args.mid(4)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size < 1 || size > 1024) {
            err << text << ": not an icon size\n";
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(args.at(2)).arg(size);
        const QString path = folder + QLatin1Char('/') + args.at(3) + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(path, "PNG")) {
            err << path << ": cannot be written\n";
            return 1;
        }
    }
    return 0;
}
