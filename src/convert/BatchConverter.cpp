#include "convert/BatchConverter.h"

#include "convert/LoadAhead.h"
#include "icon/IconFile.h"
#include "palette/Palette.h"
#include "platform/Error.h"
#include "platform/Limits.h"
#include "platform/PictureBox.h"
#include "platform/Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <memory>
#include <optional>

namespace brevane {

const QString BatchConverter::LocationCode = QStringLiteral("{CA47FF53-A970-4D44-B85D-516B79C3EFA6}");

namespace {

    // autoIconSize never gives more.
    constexpr qint32 LargestAutoSize = 48;

    // Step numbers double as the "line" of the error report.
    enum Line {
        LoadPicture = 1,
        ShowPicture,
        AutoSize,
        AutoMask,
        BackColour,
        ResizePreview,
        NameIcon,
        EmptyDocument,
        AddImage,
        FillImage,
        SaveIcon,
    };

} // namespace

BatchConverter::BatchConverter(PictureBox& preview, Prompts& prompts)
    : m_preview(preview)
    , m_prompts(&prompts)
{
}

BatchConverter::BatchConverter(PictureBox& preview)
    : m_preview(preview)
{
}

BatchConverter::~BatchConverter() = default;

QString BatchConverter::iconFileName(const QString& pictureName)
{
    const qsizetype dot = pictureName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return pictureName + QStringLiteral(".ico");
    return pictureName.left(dot + 1) + QStringLiteral("ico");
}

QString BatchConverter::joinPath(const QString& folder, const QString& name)
{
    return Paths::joinPath(folder, name);
}

QString BatchConverter::iconPathFor(const PictureRow& row, const BatchOptions& options)
{
    return joinPath(row.targetFolder.isEmpty() ? options.targetFolder : row.targetFolder, iconFileName(row.text));
}

bool BatchConverter::folderExists(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

qint32 BatchConverter::autoIconSize(int width, qint32 current)
{
    if (width <= 16)
        return 16;
    if (width <= 32)
        return 32;
    if (width <= 48)
        return 48;
    return current; // wider pictures keep the size the run had so far
}

void BatchConverter::fail(int row, const QString& picture, const QString& message)
{
    m_failures.push_back({ row, picture, message });
}

BatchConverter::Next BatchConverter::step(int line, const std::function<void()>& fn, int row, const QString& picture)
{
    if (m_runner) {
        switch (m_runner->step(line, fn)) {
        case StepRunner::Result::Done:
            return Next::Go;
        case StepRunner::Result::Skipped:
            return Next::NextStep;
        case StepRunner::Result::Aborted:
            return Next::Stop;
        }
        return Next::Stop;
    }
    // Unattended: a picture that fails anywhere is given up, the rest still converted.
    try {
        fn();
        return Next::Go;
    } catch (const Error& e) {
        fail(row, picture, e.description().isEmpty() ? QStringLiteral("error %1").arg(e.number()) : e.message());
    } catch (const std::bad_alloc&) {
        fail(row, picture, Error::runtimeDescription(err::OutOfMemory));
    }
    return Next::NextPicture;
}

bool BatchConverter::mayWrite(const std::vector<PictureRow>& rows, int row, const QString& iconPath)
{
    // Links and other spellings of a file lead to the same identity. An icon name that
    // leads nowhere yet replaces nothing: the usual case costs one look.
    const std::optional<FileIdentity> target = fileIdentity(iconPath);
    if (!target)
        return true;
    const PictureRow& r = rows[static_cast<std::size_t>(row - 1)];
    // Two pictures of one stem (a.bmp, a.png) make one icon name.
    if (const auto earlier = m_iconsWritten.constFind(*target); earlier != m_iconsWritten.constEnd()) {
        const PictureRow& first = rows[static_cast<std::size_t>(*earlier - 1)];
        if (!m_prompts) {
            fail(row, r.fullPath(),
                QStringLiteral("its icon %1 was made from %2 in this run; not replaced").arg(iconPath, first.fullPath()));
            return false;
        }
        const MsgAnswer answer = m_prompts->message(QStringLiteral("The icon for '") + r.text
                + QStringLiteral("' would replace the icon just made for '") + first.text
                + QStringLiteral("'. Replace it ?"),
            QStringLiteral("Warning !"), MsgIcon::Question, MsgButtons::YesNo);
        return answer == MsgAnswer::Yes;
    }
    if (!m_sources) {
        m_sources.emplace();
        for (const PictureRow& source : rows)
            if (const auto id = fileIdentity(source.fullPath()))
                m_sources->insert(*id);
    }
    if (!m_sources->contains(*target))
        return true;
    if (!m_prompts) {
        fail(row, r.fullPath(), QStringLiteral("the icon %1 would replace a listed picture; not written").arg(iconPath));
        return false;
    }
    const MsgAnswer answer = m_prompts->message(
        QStringLiteral("The icon for '") + r.text + QStringLiteral("' would replace the picture itself. Replace it ?"),
        QStringLiteral("Warning !"), MsgIcon::Question, MsgButtons::YesNo);
    return answer == MsgAnswer::Yes;
}

void BatchConverter::fillFromPicture(IconFile& icon, const BatchOptions& options) const
{
    // The picture the preview shows: loaded for this row, or put there by the dialog.
    const Picture& picture = m_preview.picture();
    std::optional<QRgb> key;
    if (options.withAlpha && options.transparent) {
        if (!options.autoMask) {
            key = toQRgb(options.transparentColour);
        } else {
            // The picture's own top-left pixel; a see-through one names no colour.
            const QRgb corner = picture.square(1, Placement::Crop).pixel(0, 0);
            if (qAlpha(corner) != 0)
                key = corner;
        }
    }
    const QImage square = picture.square(options.size, options.placement, key);
    if (square.isNull())
        throw Error::runtime(err::OutOfMemory);
    icon.setImageFromArgb(1, square, options.transparentColour);
}

bool BatchConverter::makeIcon(const QString& iconPath, int row, const QString& picture, BatchOptions& options)
{
    if (!m_icon)
        m_icon = std::make_unique<IconFile>();
    IconFile& icon = *m_icon;
    const IconMade made { row, iconPath, options.size, options.colourCount, options.transparent,
        options.transparentColour };

    // The classic path draws from the preview box; the others from the picture itself.
    const bool classic = !options.withAlpha && options.placement == Placement::Crop;
    const int bits = options.withAlpha ? 32 : ColourDepth::bitsFor(options.colourCount);

    const std::pair<int, std::function<void()>> steps[] = {
        { EmptyDocument,
            [&] {
                const qint32 count = icon.imageCount();
                for (qint32 i = 0; i <= count - 1; ++i)
                    icon.removeImage(i);
            } },
        { AddImage,
            [&] {
                if (classic && options.size <= limits::MaxIconSide)
                    icon.addImage(options.size, options.size, options.colourCount);
                else
                    icon.addImage(ImageShape { options.size, options.size, bits });
                // A new 4- or 8-bit image has an all-black colour table; without a palette
                // every pixel would map to black.
                if (options.colourCount == 16 || options.colourCount == 256) {
                    Palette palette;
                    if (options.colourCount == 16)
                        palette.createStandard16();
                    else
                        palette.createStandard256();
                    palette.writeToIcon(icon, icon.imageCount());
                }
            } },
        { FillImage,
            [&] {
                if (classic)
                    icon.setImageFromSurface(m_preview.surface(), 1, 0, 0, options.transparentColour);
                else
                    fillFromPicture(icon, options);
            } },
        { SaveIcon, [&] { icon.save(iconPath); } },
    };
    for (const auto& [line, fn] : steps) {
        const Next next = step(line, fn, row, picture);
        if (next == Next::Stop)
            return false;
        if (next == Next::NextPicture)
            return true;
        if (line == SaveIcon && next == Next::Go) {
            ++m_written;
            if (const auto written = fileIdentity(iconPath))
                m_iconsWritten.insert(*written, row);
            if (onIconWritten)
                onIconWritten(made);
        }
    }
    return true;
}

Picture BatchConverter::load(const QString& picture, PictureLoader::Drawings drawings) const
{
    if (m_fitSide > 0)
        return PictureLoader::loadToFit(picture, m_fitSide, drawings);
    return PictureLoader::load(picture, QSize(m_loadSide, m_loadSide), drawings);
}

QString BatchConverter::nameIcon(const PictureRow& row, const BatchOptions& options)
{
    // A row's own folder (a sub-folder mirrored) is made when its first icon is.
    if (!row.targetFolder.isEmpty() && row.targetFolder != m_madeFolder) {
        if (!QDir().mkpath(row.targetFolder))
            throw Error(err::PathFileAccess, applicationName(),
                QStringLiteral("Couldn't make the folder %1").arg(row.targetFolder));
        m_madeFolder = row.targetFolder;
    }
    return iconPathFor(row, options);
}

BatchConverter::Outcome BatchConverter::run(const std::vector<PictureRow>& rows, BatchOptions& options)
{
    return runRows(rows, options, rows.size() != 1);
}

BatchConverter::Outcome BatchConverter::runEach(const std::vector<PictureRow>& rows, BatchOptions& options)
{
    return runRows(rows, options, true);
}

BatchConverter::Outcome BatchConverter::runRows(
    const std::vector<PictureRow>& rows, BatchOptions& options, bool drawEach)
{
    m_failures.clear();
    m_written = 0;

    if (!folderExists(options.targetFolder)) {
        if (m_prompts)
            m_prompts->message(QStringLiteral("That folder is invalid !"), QStringLiteral("Error"),
                MsgIcon::Exclamation, MsgButtons::Ok);
        return Outcome::FolderInvalid;
    }

    std::unique_ptr<StepRunner> runner;
    if (m_prompts) {
        runner = std::make_unique<StepRunner>(*m_prompts, LocationCode);
        m_runner = runner.get();
    } else {
        m_runner = nullptr;
    }
    struct Reset {
        StepRunner*& r;
        ~Reset() { r = nullptr; }
    } reset { m_runner };

    m_sources.reset();
    m_iconsWritten.clear();
    m_madeFolder.clear();

    const int total = static_cast<int>(rows.size());
    if (!drawEach) {
        // The dialog already shows this picture at the chosen size over its background.
        const PictureRow& r = rows.front();
        QString iconPath;
        if (step(NameIcon, [&] { iconPath = nameIcon(r, options); }, 1, r.fullPath()) == Next::Stop)
            return Outcome::Aborted;
        if (onPictureShown)
            onPictureShown(1, 1);
        if (!mayWrite(rows, 1, iconPath))
            return Outcome::Finished;
        return makeIcon(iconPath, 1, r.fullPath(), options) ? Outcome::Finished : Outcome::Aborted;
    }

    // Only what the preview box shows is decoded: the box is the icon's size plus 2, and
    // automatic sizing makes it no larger than the largest automatic size. Fitting needs
    // the whole picture, no larger than it is shown at.
    const int largest = options.autoSize ? LargestAutoSize : options.size;
    m_loadSide = std::max({ m_preview.width(), m_preview.height(), largest + 2 });
    m_fitSide = options.placement == Placement::Fit ? largest : 0;
    std::unique_ptr<LoadAhead> ahead;
    if (m_loadThreads > 0 && total > 1) {
        ahead = std::make_unique<LoadAhead>(
            total,
            [this, &rows](int index) {
                return load(rows[std::size_t(index)].fullPath(), PictureLoader::Drawings::Leave);
            },
            m_loadThreads, 2 * m_loadThreads);
    }

    for (int i = 1; i <= total; ++i) {
        const PictureRow& r = rows[static_cast<std::size_t>(i - 1)];
        const QString picture = r.fullPath();

        bool invalid = false;
        QString invalidWhy;
        bool loadedAhead = ahead != nullptr; // a retried load reads the file again
        Next next = step(
            LoadPicture,
            [&] {
                try {
                    Picture loaded;
                    if (std::exchange(loadedAhead, false))
                        loaded = ahead->take(i - 1);
                    // A drawing is left to this thread.
                    m_imgTemp = loaded.isNull() ? load(picture, PictureLoader::Drawings::Load) : loaded;
                } catch (const Error& e) {
                    if (e.number() != err::InvalidPicture)
                        throw;
                    invalid = true;
                    invalidWhy = e.description(); // "Invalid picture", or with the reason
                }
            },
            i, picture);
        if (next == Next::Stop)
            return Outcome::Aborted;
        if (next == Next::NextPicture)
            continue;
        if (invalid) {
            if (!m_prompts) {
                fail(i, picture, invalidWhy);
                m_failures.back().notAPicture = invalidWhy == Error::runtimeDescription(err::InvalidPicture);
                continue;
            }
            const MsgAnswer answer = m_prompts->message(QStringLiteral("The image you have added: '") + r.text
                    + QStringLiteral("' is invalid ! Do you wish to skip this image ?"),
                QStringLiteral("Wrong image"), MsgIcon::Exclamation, MsgButtons::YesNo);
            if (answer == MsgAnswer::Yes)
                continue;
            return Outcome::Stopped;
        }

        QString iconPath;
        const std::pair<int, std::function<void()>> steps[] = {
            { ShowPicture, [&] { m_preview.setPicture(m_imgTemp); } },
            { AutoSize,
                [&] {
                    if (options.autoSize)
                        options.size = autoIconSize(m_imgTemp.width(), options.size);
                } },
            { AutoMask,
                [&] {
                    // Read before the box is resized: the picture's own top-left pixel.
                    if (options.autoMask)
                        options.transparentColour = m_preview.pixel(0, 0);
                } },
            { BackColour, [&] { m_preview.setBackColour(options.transparentColour); } },
            { ResizePreview, [&] { m_preview.resize(options.size + 2, options.size + 2); } },
            { NameIcon, [&] { iconPath = nameIcon(r, options); } },
        };
        bool skip = false;
        for (const auto& [line, fn] : steps) {
            next = step(line, fn, i, picture);
            if (next == Next::Stop)
                return Outcome::Aborted;
            if (next == Next::NextPicture) {
                skip = true;
                break;
            }
        }
        if (skip)
            continue;
        if (onPictureShown)
            onPictureShown(i, total);
        if (!mayWrite(rows, i, iconPath))
            continue;
        if (!makeIcon(iconPath, i, picture, options))
            return Outcome::Aborted;
    }
    return Outcome::Finished;
}

} // namespace brevane
