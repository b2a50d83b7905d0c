#include "dialogs/FileDialog.h"
#include "platform/Error.h"
#include "support/PlainFiles.h"
#include "support/ScriptedPrompts.h"

#include <QTest>

using namespace brevane;
using test::nuls;

namespace {
// Runs fn and gives the error it raised, if any.
template <typename Fn> std::optional<Error> raised(Fn fn)
{
    try {
        fn();
    } catch (const Error& e) {
        return e;
    }
    return std::nullopt;
}
}

class tst_FileDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void filterConversion_data();
    void filterConversion();
    void setterLimits_data();
    void setterLimits();
    void requestAndFilterIndex();
    void multipleOpen_data();
    void multipleOpen();
    void noResult_data();
    void noResult();
};

void tst_FileDialog::filterConversion_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("converted"); // '#' stands for NUL
    QTest::addColumn<QStringList>("pairs");
    QTest::newRow("icon and all files") << "Icon file (*.ico)|*.ico|All file types (*.*)|*.*"
                                        << "Icon file (*.ico)#*.ico#All file types (*.*)#*.*##"
                                        << QStringList { "Icon file (*.ico)", "*.ico", "All file types (*.*)", "*.*" };
    QTest::newRow("colon separates like a bar") << "Drive C:|*.*"
                                                << "Drive C##*.*##" << QStringList {};
}

void tst_FileDialog::filterConversion()
{
    QFETCH(QString, filter);
    QFETCH(QString, converted);
    QFETCH(QStringList, pairs);
    test::ScriptedPrompts prompts;
    FileDialog dialog(prompts);
    dialog.setFilter(filter);
    QCOMPARE(*dialog.record().lpstrFilter, nuls(converted));
    dialog.showOpen();
    QCOMPARE(prompts.fileRequests.first().filterPairs, pairs);
}

void tst_FileDialog::setterLimits_data()
{
    QTest::addColumn<bool>("filter"); // else the file name
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("error"); // 0: none
    QTest::newRow("filter of 32767 characters fits") << true << 32767 << 0;
    QTest::newRow("filter of 32768 characters overflows") << true << 32768 << int(err::Overflow);
    QTest::newRow("file name of 1024 characters fits") << false << 1024 << 0;
    QTest::newRow("file name of 1025 characters is too long") << false << 1025 << int(err::InvalidProcedureCall);
}

void tst_FileDialog::setterLimits()
{
    QFETCH(bool, filter);
    QFETCH(int, length);
    QFETCH(int, error);
    test::ScriptedPrompts prompts;
    FileDialog dialog(prompts);
    const QString text(length, QLatin1Char('x'));
    const auto e = raised([&] { filter ? dialog.setFilter(text) : dialog.setFileName(text); });
    QCOMPARE(e ? e->number() : 0, error);
    if (filter)
        QCOMPARE(dialog.record().lpstrFilter.has_value(), error == 0);
    else
        QCOMPARE(dialog.fileName(), text); // stored even when refused
}

void tst_FileDialog::requestAndFilterIndex()
{
    test::ScriptedPrompts prompts;
    FileDialog dialog(prompts);
    dialog.setFlags(0x1200);
    dialog.setTitle(QStringLiteral("Browse for files..."));
    dialog.setFilter(QStringLiteral("Icon file (*.ico)|*.ico|All file types (*.*)|*.*"));
    prompts.answerFile(QStringLiteral("/tmp/a.ico"), 2);
    dialog.showOpen();
    const FileChooserRequest request = prompts.fileRequests.first();
    QCOMPARE(request.mode, FileChooserRequest::Mode::OpenMultiple);
    QCOMPARE(request.title, QStringLiteral("Browse for files..."));
    QCOMPARE(request.filterIndex, 1);
    QVERIFY(request.fileMustExist);
    QCOMPARE(dialog.filterIndex(), 2);
    dialog.showOpen();
    QCOMPARE(prompts.fileRequests.at(1).filterIndex, 2);
}

void tst_FileDialog::multipleOpen_data()
{
    QTest::addColumn<QString>("result"); // '#' stands for NUL
    QTest::addColumn<QString>("selectedDir");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("one file picked") << "/tmp/Pics/Photo.JPG"
                                     << "/tmp/Pics/Photo.JPG"
                                     << "/tmp/Pics/" << QStringList { "Photo.JPG" };
    QTest::newRow("two files below the root") << "/tmp/Art#a.bmp#b.bmp##"
                                              << "/tmp/Art"
                                              << "/tmp/Art" << QStringList { "a.bmp", "b.bmp" };
    QTest::newRow("three files at a drive root, listed order kept")
        << "C:\\#z.gif#A.gif#m.gif##"
        << "C:\\"
        << "C:\\" << QStringList { "z.gif", "A.gif", "m.gif" };
}

void tst_FileDialog::multipleOpen()
{
    QFETCH(QString, result);
    QFETCH(QString, selectedDir);
    QFETCH(QString, dir);
    QFETCH(QStringList, files);
    test::ScriptedPrompts prompts;
    FileDialog dialog(prompts);
    dialog.setFlags(0x1200);
    prompts.answerFile(nuls(result));
    dialog.showOpen();
    // The whole buffer as the chooser left it.
    QCOMPARE(dialog.fileName().size(), 8192);
    QVERIFY(dialog.fileName().startsWith(nuls(result)));
    QCOMPARE(dialog.selectedDir(), selectedDir);

    QString splitFolder;
    QStringList splitFiles;
    qint32 fileCount = 0;
    dialog.splitMultipleSelection(splitFolder, splitFiles, fileCount);
    QCOMPARE(fileCount, files.size());
    QCOMPARE(splitFolder, dir);
    QCOMPARE(splitFiles, files);
}

void tst_FileDialog::noResult_data()
{
    QTest::addColumn<bool>("save"); // else open
    QTest::addColumn<bool>("tooLong"); // else cancelled
    QTest::addColumn<bool>("cancelError");
    QTest::addColumn<QString>("source");
    QTest::newRow("open cancelled, quietly") << false << false << false << QString();
    QTest::newRow("open cancelled, raising") << false << false << true << "Brevane.cFileDialog";
    QTest::newRow("save cancelled, raising") << true << false << true << "Brevane.cFilenDialog";
    QTest::newRow("open, too long, raising") << false << true << true << "Brevane.cFileDialog";
}

void tst_FileDialog::noResult()
{
    QFETCH(bool, save);
    QFETCH(bool, tooLong);
    QFETCH(bool, cancelError);
    QFETCH(QString, source);
    test::ScriptedPrompts prompts;
    FileDialog dialog(prompts);
    // A first successful open sets selectedDir; the failed show must leave it and fileName alone.
    prompts.answerFile(QStringLiteral("/tmp/first.bmp"));
    dialog.showOpen();
    dialog.setFileName(QStringLiteral("kept.ico"));
    dialog.setCancelError(cancelError);
    if (tooLong) // fails like a cancel
        prompts.answerFile(QStringLiteral("/") + QString(1024, QLatin1Char('x')));
    const auto error = raised([&] { save ? dialog.showSave() : dialog.showOpen(); });
    QCOMPARE(error.has_value(), cancelError);
    if (cancelError) {
        QCOMPARE(error->number(), err::DialogCancelled);
        QCOMPARE(error->source(), source);
        QCOMPARE(error->description(), QStringLiteral("User selected cancel."));
    }
    QCOMPARE(dialog.fileName(), QStringLiteral("kept.ico"));
    QCOMPARE(dialog.selectedDir(), QStringLiteral("/tmp/first.bmp"));
}

QTEST_GUILESS_MAIN(tst_FileDialog)
#include "tst_filedialog.moc"
