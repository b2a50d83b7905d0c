#include "cli/CommandLine.h"
#include "cli/Commands.h"

#include "icon/IconSummary.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace brevane::cli {

namespace {

    // Exact up to 65536; beyond, in millions or more with one decimal cut (16.7M, not 16.8M).
    QString colourText(qint64 colours, bool alpha)
    {
        QString n = QString::number(colours);
        if (colours > 65536) {
            static const std::pair<double, const char*> units[] = { { 1e12, "T" }, { 1e9, "G" }, { 1e6, "M" } };
            for (const auto& [unit, suffix] : units)
                if (double(colours) >= unit) {
                    n = QString::number(std::floor(double(colours) / unit * 10) / 10, 'f', 1) + QLatin1String(suffix);
                    break;
                }
        }
        return n + (colours == 1 ? QLatin1String(" colour") : QLatin1String(" colours"))
            + (alpha ? QLatin1String(" + alpha") : QLatin1String(""));
    }

    // Bits that name no colour are alpha: 32-bit BMP, grey-and-alpha and RGBA PNG images.
    bool hasAlpha(const ImageBlockInfo& info)
    {
        return info.bitCount >= 63 || (qint64(1) << info.bitCount) > info.colours;
    }

    QString typeName(IconSummary::Type type)
    {
        return type == IconSummary::Type::Cursor ? QStringLiteral("cursor") : QStringLiteral("icon");
    }

    void printText(const QString& file, const IconSummary& s)
    {
        const qsizetype n = s.images.size();
        out() << printable(file) << ": a valid " << typeName(s.type) << " file, " << n
              << (n == 1 ? " image\n" : " images\n");
        for (qsizetype i = 0; i < n; ++i) {
            const IconSummary::Image& image = s.images[i];
            const ImageBlockInfo& f = image.info;
            out() << "  " << i + 1 << ": " << f.width << "x" << f.height
                  << (f.format == ImageBlockInfo::Format::Png ? " PNG" : "") << ", " << f.bitCount << " bpp, "
                  << colourText(f.colours, hasAlpha(f)) << ", ";
            if (s.type == IconSummary::Type::Cursor)
                out() << "hotspot " << image.entry.wPlanes << "," << image.entry.wBitCount << ", ";
            out() << image.entry.dwBytesInRes << " bytes at offset " << image.entry.dwImageOffset << "\n";
        }
    }

    QJsonObject toJson(const QString& file, const IconSummary& s, const QString& problem)
    {
        QJsonObject o { { "file", file }, { "valid", problem.isEmpty() } };
        o.insert("type", s.type == IconSummary::Type::Unknown ? QJsonValue() : QJsonValue(typeName(s.type)));
        QJsonArray images;
        if (problem.isEmpty()) {
            for (qsizetype i = 0; i < s.images.size(); ++i) {
                const IconSummary::Image& image = s.images[i];
                const ImageBlockInfo& f = image.info;
                QJsonObject j { { "index", i + 1 }, { "width", f.width }, { "height", f.height },
                    { "bits", f.bitCount }, { "colours", f.colours },
                    { "format",
                        f.format == ImageBlockInfo::Format::Png ? QStringLiteral("png") : QStringLiteral("bmp") },
                    { "bytes", image.entry.dwBytesInRes }, { "offset", image.entry.dwImageOffset } };
                if (s.type == IconSummary::Type::Cursor)
                    j.insert("hotspot", QJsonObject { { "x", image.entry.wPlanes }, { "y", image.entry.wBitCount } });
                images.append(j);
            }
        } else {
            o.insert("error", problem);
        }
        o.insert("images", images);
        return o;
    }

} // namespace

int runInfo(const QStringList& args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks icon and cursor files and lists their images: number, width x height (a PNG-stored image "
        "says so), bits per pixel and colours as each image's own header states them, a cursor's hotspot, "
        "bytes and offset.\nA file that is not sound is reported on stderr only.\n"
        "Exit status: 0 when every FILE is a valid icon or cursor, 1 when any is not (the others are still "
        "reported), 2 on a usage error."));
    parser.addPositionalArgument(
        QStringLiteral("FILE"), QStringLiteral("The icon or cursor files to check."), QStringLiteral("FILE..."));
    const QCommandLineOption json(QStringLiteral("json"),
        QStringLiteral("Print one JSON array on stdout, an object per file: file, valid, type, error (only when "
                       "not valid), images (index, width, height, bits, colours, format, bytes, offset; a "
                       "cursor's hotspot)."));
    parser.addOption(json);
    if (const int rc = parseCommand(parser, args, QStringLiteral("info"), 1, -1); rc >= 0)
        return rc;

    int rc = ExitOk;
    QJsonArray all;
    for (const QString& file : parser.positionalArguments()) {
        IconSummary s;
        QString problem = unreadableReason(file);
        if (problem.isEmpty()) {
            s = IconSummary::read(file);
            problem = s.problem;
        }
        if (!problem.isEmpty()) {
            rc = ExitFailed;
            out().flush();
            err() << "brevane-cli info: " << printable(file) << ": " << printable(problem) << "\n";
            err().flush();
        }
        if (parser.isSet(json))
            all.append(toJson(file, s, problem));
        else if (problem.isEmpty())
            printText(file, s);
    }
    if (parser.isSet(json))
        out() << QJsonDocument(all).toJson();
    out().flush();
    return rc;
}

} // namespace brevane::cli
