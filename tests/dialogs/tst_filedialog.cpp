#include "dialogs/FileDialog.h"
#include "platform/Error.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QTest>

using namespace brevane;
using test::nuls;

namespace {
// The number of the error fn raised; 0 when none.
template <typename Fn> qint32 raised(Fn fn, QString* source = nullptr)
{
    try {
        fn();
    } catch (const Error& e) {
        if (source)
            *source = e.source() + QLatin1Char('|') + e.description();
        return e.number();
    }
    return 0;
}
}

class tst_FileDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void request();
    void multipleOpen();
    void noResult();
};

// A filter of up to 32767 characters, a file name of up to 1024 (stored even when refused).
// The filter is converted as the record holds it (a colon separates like a bar) and offered
// as pairs; the flags choose the mode; the chosen filter is asked for next time.
void tst_FileDialog::request()
{
    test::ScriptedPrompts prompts;
    FileDialog dialog(prompts);
    QCOMPARE(raised([&] { dialog.setFilter(QString(32768, QLatin1Char('x'))); }), err::Overflow);
    QVERIFY(!dialog.record().lpstrFilter.has_value());
    QCOMPARE(raised([&] { dialog.setFilter(QString(32767, QLatin1Char('x'))); }), 0);
    QCOMPARE(raised([&] { dialog.setFileName(QString(1024, QLatin1Char('x'))); }), 0);
    QCOMPARE(raised([&] { dialog.setFileName(QString(1025, QLatin1Char('x'))); }), err::InvalidProcedureCall);
    QCOMPARE(dialog.fileName(), QString(1025, QLatin1Char('x')));
    dialog.setFilter(QStringLiteral("Drive C:|*.*"));
    QCOMPARE(*dialog.record().lpstrFilter, nuls("Drive C##*.*##"));
    dialog.setFlags(FileDialog::OFN_ALLOWMULTISELECT | FileDialog::OFN_FILEMUSTEXIST);
    dialog.setTitle(QStringLiteral("Browse for files..."));
    dialog.setFilter(QStringLiteral("Icon file (*.ico)|*.ico|All file types (*.*)|*.*"));
    QCOMPARE(*dialog.record().lpstrFilter, nuls("Icon file (*.ico)#*.ico#All file types (*.*)#*.*##"));
    prompts.answerFile(QStringLiteral("/tmp/a.ico"), 2);
    dialog.showOpen();
    const FileChooserRequest request = prompts.fileRequests.first();
    QCOMPARE(request.filterPairs, (QStringList { "Icon file (*.ico)", "*.ico", "All file types (*.*)", "*.*" }));
    QCOMPARE(request.mode, FileChooserRequest::Mode::OpenMultiple);
    QCOMPARE(request.title, QStringLiteral("Browse for files..."));
    QCOMPARE(request.filterIndex, 1);
    QVERIFY(request.fileMustExist);
    QCOMPARE(dialog.filterIndex(), 2);
    dialog.showOpen();
    QCOMPARE(prompts.fileRequests.at(1).filterIndex, 2);
}

// The whole buffer as the chooser left it, and the selection split: one file, or a folder
// ('#' stands for NUL) and names in the order listed.
void tst_FileDialog::multipleOpen()
{
    for (const auto& [result, selectedDir, dir, files] :
        { std::tuple { "/tmp/Pics/Photo.JPG", "/tmp/Pics/Photo.JPG", "/tmp/Pics/", QStringList { "Photo.JPG" } },
            { "C:\\#z.gif#A.gif#m.gif##", "C:\\", "C:\\", QStringList { "z.gif", "A.gif", "m.gif" } } }) {
        test::ScriptedPrompts prompts;
        FileDialog dialog(prompts);
        dialog.setFlags(FileDialog::OFN_ALLOWMULTISELECT | FileDialog::OFN_FILEMUSTEXIST);
        prompts.answerFile(nuls(result));
        dialog.showOpen();
        QCOMPARE(dialog.fileName().size(), 8192);
        QCOMPARE(dialog.selectedDir(), QString(selectedDir));
        QString splitFolder;
        QStringList splitFiles;
        qint32 fileCount = 0;
        dialog.splitMultipleSelection(splitFolder, splitFiles, fileCount);
        QCOMPARE(fileCount, files.size());
        QCOMPARE(splitFolder, QString(dir));
        QCOMPARE(splitFiles, files);
    }
}

// A failed show (a cancel, or a name too long that fails like one) raises when asked to, with
// its dialog's source, and leaves the file name and the folder of the last success alone.
void tst_FileDialog::noResult()
{
    for (const auto& [save, tooLong, raisedBy] : { std::tuple { false, false, "" },
             { true, false, "Brevane.cFilenDialog" }, { false, true, "Brevane.cFileDialog" } }) {
        test::ScriptedPrompts prompts;
        FileDialog dialog(prompts);
        prompts.answerFile(QStringLiteral("/tmp/first.bmp"));
        dialog.showOpen();
        dialog.setFileName(QStringLiteral("kept.ico"));
        dialog.setCancelError(*raisedBy);
        if (tooLong)
            prompts.answerFile(QStringLiteral("/") + QString(1024, QLatin1Char('x')));
        QString source;
        QCOMPARE(raised([&] { save ? dialog.showSave() : dialog.showOpen(); }, &source),
            *raisedBy ? err::DialogCancelled : 0);
        QCOMPARE(source, *raisedBy ? raisedBy + QStringLiteral("|User selected cancel.") : QString());
        QCOMPARE(dialog.fileName(), QStringLiteral("kept.ico"));
        QCOMPARE(dialog.selectedDir(), QStringLiteral("/tmp/first.bmp"));
    }
}

QTEST_GUILESS_MAIN(tst_FileDialog)
#include "tst_filedialog.moc"
