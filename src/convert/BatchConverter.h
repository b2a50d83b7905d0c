#pragma once

#include "icon/IconFile.h"
#include "platform/Colour.h"
#include "platform/FileIdentity.h"
#include "platform/PictureLoader.h"
#include "platform/PictureRow.h"
#include "platform/StepRunner.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace brevane {

class PictureBox;
class Prompts;

// What a batch run reads besides the pictures.
struct BatchOptions {
    QString targetFolder; // where every icon goes
    qint32 size = 32; // 16, 32 or 48; automatic sizing rewrites it picture by picture
    qint32 colourCount = ColourDepth::TrueColour; // 2, 16, 256 or TrueColour
    bool autoSize = false; // several pictures: size each from its width
    bool autoMask = false; // several pictures: each picture's top-left pixel is its transparent colour
    bool transparent = true; // "Icon is transparent ?"
    Colour transparentColour = RGB(255, 255, 255); // the swatch; the automatic mask rewrites it
    // Beyond the classic icons (which the defaults keep exactly as they always were): 32-bit
    // images keeping the picture's alpha (colourCount is then not used; the transparent
    // colour, when transparent is set, is made see-through as well), sizes up to 256, and
    // pictures scaled to fit. A 256-pixel image below 32 bits is BMP-stored.
    bool withAlpha = false;
    Placement placement = Placement::Crop;
};

// One icon as it was asked of the icon document.
struct IconMade {
    int row = 0; // 1-based row of the picture
    QString path; // the icon file written
    qint32 size = 0;
    qint32 colourCount = 0;
    bool transparent = true;
    Colour transparentColour = 0;
};

struct BatchFailure {
    int row = 0;
    QString picture; // full path of the picture
    QString message;
    bool notAPicture = false; // the file is no picture the loader reads (no other reason given)
};

// Turns listed pictures into one icon file each, drawing every picture unscaled at the
// top-left of a preview box over the transparent colour and taking the icon's square from
// there; 32-bit and fitted icons take the picture itself (Picture::square). The options
// dialog and brevane-cli share it.
//
// With prompts, the run is interactive: an unreadable picture, and an icon that would
// replace a listed picture or an icon made earlier in the run, are asked about, and other errors go to the shared error
// report (Abort/Retry/Ignore). Without, nothing is asked: such a picture is recorded as failed and the run goes on with
// the next one.
class BatchConverter {
public:
    enum class Outcome {
        Finished, // every row was gone through
        FolderInvalid, // the target folder does not exist; nothing was written
        Aborted, // the error report was answered Abort
        Stopped, // an unreadable picture was answered No
    };

    // The location code the error report logs for a run.
    static const QString LocationCode;

    BatchConverter(PictureBox& preview, Prompts& prompts);
    explicit BatchConverter(PictureBox& preview);
    ~BatchConverter();
    BatchConverter(const BatchConverter&) = delete;
    BatchConverter& operator=(const BatchConverter&) = delete;

    // Runs the whole batch. With exactly one row the preview is taken as it stands (the
    // dialog drew the picture and sized the box); with several each picture is loaded and
    // drawn in turn. options.size follows the automatic size, options.transparentColour the
    // automatic mask.
    Outcome run(const std::vector<PictureRow>& rows, BatchOptions& options);
    // Loads and draws every picture, however many there are, as a run of several does.
    Outcome runEach(const std::vector<PictureRow>& rows, BatchOptions& options);

    // Runs of several pictures load them ahead on this many threads (none: each when its
    // turn comes, as the options dialog's run does).
    void setLoadThreads(int threads) { m_loadThreads = threads; }

    // Called with (n, total) once picture n is in the preview, before its icon is made.
    std::function<void(int, int)> onPictureShown;
    // Called after each icon file was written.
    std::function<void(const IconMade&)> onIconWritten;

    const std::vector<BatchFailure>& failures() const { return m_failures; }
    int iconsWritten() const { return m_written; }

    // photo.jpeg -> photo.ico; a name without a dot gets ".ico" appended.
    static QString iconFileName(const QString& pictureName);
    static QString joinPath(const QString& folder, const QString& name);
    // The icon file a row's picture makes: in the row's own target folder when it has one.
    static QString iconPathFor(const PictureRow& row, const BatchOptions& options);
    // True when the text names an existing folder.
    static bool folderExists(const QString& folder);
    // The automatic size for a picture width; the current size when the width is above 48.
    static qint32 autoIconSize(int width, qint32 current);

private:
    enum class Next { Go, NextStep, NextPicture, Stop };

    Outcome runRows(const std::vector<PictureRow>& rows, BatchOptions& options, bool drawEach);
    Next step(int line, const std::function<void()>& fn, int row, const QString& picture);
    // False when this picture is to be skipped.
    bool mayWrite(const std::vector<PictureRow>& rows, int row, const QString& iconPath);
    // On any thread: reads only the run's fixed sides.
    Picture load(const QString& picture, PictureLoader::Drawings drawings) const;
    // The icon's path, the row's own folder made first when it has one.
    QString nameIcon(const PictureRow& row, const BatchOptions& options);
    // Steps 8 to 11 of one picture; false when the run is to stop.
    bool makeIcon(const QString& iconPath, int row, const QString& picture, BatchOptions& options);
    void fail(int row, const QString& picture, const QString& message);
    void fillFromPicture(IconFile& icon, const BatchOptions& options) const;

    PictureBox& m_preview;
    Prompts* m_prompts = nullptr;
    StepRunner* m_runner = nullptr;
    std::unique_ptr<IconFile> m_icon; // one document for the whole run, made at first use
    Picture m_imgTemp; // the hidden loader: keeps its picture when a load is ignored
    std::vector<BatchFailure> m_failures;
    // Every listed picture, looked up once an icon's name turns out to exist already.
    std::optional<QSet<FileIdentity>> m_sources;
    QHash<FileIdentity, int> m_iconsWritten; // icons of this run, with the row that made each
    int m_written = 0;
    int m_loadThreads = 0;
    int m_loadSide = 0; // the square a picture is decoded for, fixed for a run
    int m_fitSide = 0; // the side a picture is fitted to; 0 when cropped
    QString m_madeFolder; // the row folder made last
};

} // namespace brevane
