#include "dialogs/cls_CommonDialog.h"
#include "platform/Error.h"
#include "support/ScriptedPrompts.h"

#include <QTest>

using namespace brevane;

namespace {
const QChar Nul(u'\0');

QString nuls(const QString& withBars)
{
    QString s = withBars;
    s.replace(QLatin1Char('#'), Nul);
    return s;
}

// Runs fn and gives the number, source and description of the error it raised.
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

class tst_CommonDialog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void creation();
    void filterConversion_data();
    void filterConversion();
    void filterLimit_data();
    void filterLimit();
    void filenameSetter_data();
    void filenameSetter();
    void showBufferLimits_data();
    void showBufferLimits();
    void fieldsWithTwoNuls();
    void requestToChooser();
    void singleOpen();
    void multipleOpen_data();
    void multipleOpen();
    void resultTooLongFails_data();
    void resultTooLongFails();
    void filterIndexCarriesOver();
    void cancel_data();
    void cancel();
    void saveIgnoresMultipleSelection();
    void parseRejects_data();
    void parseRejects();
    void stripNull_data();
    void stripNull();
};

void tst_CommonDialog::creation()
{
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    QCOMPARE(dialog.record().lStructSize, 76);
    QCOMPARE(dialog.FilterIndex(), 1);
    QCOMPARE(dialog.flags(), 0);
    QVERIFY(!dialog.CancelError());
    QVERIFY(!dialog.record().lpstrFilter.has_value());
    QVERIFY(!dialog.record().lpstrTitle.has_value());
    QVERIFY(!dialog.record().lpstrInitialDir.has_value());
    QVERIFY(dialog.SelectedDir.isEmpty());
}

void tst_CommonDialog::filterConversion_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("converted"); // '#' stands for NUL
    QTest::addColumn<QStringList>("pairs");
    QTest::newRow("icon and all files") << QStringLiteral("Icon file (*.ico)|*.ico|All file types (*.*)|*.*")
                                        << QStringLiteral("Icon file (*.ico)#*.ico#All file types (*.*)#*.*##")
                                        << QStringList { QStringLiteral("Icon file (*.ico)"), QStringLiteral("*.ico"),
                                               QStringLiteral("All file types (*.*)"), QStringLiteral("*.*") };
    QTest::newRow("colon separates like a bar")
        << QStringLiteral("Drive C:|*.*") << QStringLiteral("Drive C##*.*##") << QStringList {};
    QTest::newRow("pictures with trailing semicolon")
        << QStringLiteral("All picture files|*.bmp;*.dib;*.gif;*.jpg;*.emf;*.wmf;*.ico;*.cur;|All file types (*.*)|*.*")
        << QStringLiteral(
               "All picture files#*.bmp;*.dib;*.gif;*.jpg;*.emf;*.wmf;*.ico;*.cur;#All file types (*.*)#*.*##")
        << QStringList { QStringLiteral("All picture files"),
               QStringLiteral("*.bmp;*.dib;*.gif;*.jpg;*.emf;*.wmf;*.ico;*.cur;"),
               QStringLiteral("All file types (*.*)"), QStringLiteral("*.*") };
    QTest::newRow("empty") << QString() << QStringLiteral("##") << QStringList {};
}

void tst_CommonDialog::filterConversion()
{
    QFETCH(QString, filter);
    QFETCH(QString, converted);
    QFETCH(QStringList, pairs);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFilter(filter);
    QCOMPARE(dialog.Filter(), filter);
    QCOMPARE(*dialog.record().lpstrFilter, nuls(converted));

    prompts.cancelFile();
    dialog.ShowOpen();
    QCOMPARE(prompts.fileRequests.size(), 1);
    QCOMPARE(prompts.fileRequests.first().filterPairs, pairs);
}

void tst_CommonDialog::filterLimit_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("overflows");
    QTest::newRow("32767 characters fit") << 32767 << false;
    QTest::newRow("32768 characters overflow") << 32768 << true;
}

void tst_CommonDialog::filterLimit()
{
    QFETCH(int, length);
    QFETCH(bool, overflows);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    const auto error = raised([&] { dialog.setFilter(QString(length, QLatin1Char('x'))); });
    QCOMPARE(error.has_value(), overflows);
    if (overflows) {
        QCOMPARE(error->number(), err::Overflow);
        QVERIFY(!dialog.record().lpstrFilter.has_value());
    } else {
        QCOMPARE(dialog.record().lpstrFilter->size(), length + 2);
    }
}

void tst_CommonDialog::filenameSetter_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("fails");
    QTest::newRow("empty") << 0 << false;
    QTest::newRow("1024 characters fit") << 1024 << false;
    QTest::newRow("1025 characters are too long") << 1025 << true;
}

void tst_CommonDialog::filenameSetter()
{
    QFETCH(int, length);
    QFETCH(bool, fails);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    const QString name(length, QLatin1Char('n'));
    const auto error = raised([&] { dialog.setFilename(name); });
    QCOMPARE(error.has_value(), fails);
    QCOMPARE(dialog.Filename(), name);
    if (fails) {
        QCOMPARE(error->number(), err::InvalidProcedureCall);
        return;
    }
    const QString primed = *dialog.record().lpstrFile;
    QCOMPARE(primed.size(), 1026);
    QCOMPARE(primed.left(length), name);
    QCOMPARE(primed.mid(length, 1024 - length), QString(1024 - length, QLatin1Char(' ')));
    QCOMPARE(primed.right(2), QString(2, Nul));
}

void tst_CommonDialog::showBufferLimits_data()
{
    QTest::addColumn<int>("operation"); // 0 open, 1 multiple open, 2 save
    QTest::addColumn<int>("nameLength");
    QTest::addColumn<int>("titleLength");
    QTest::addColumn<bool>("fails");
    QTest::newRow("open, 1025-character name") << 0 << 1025 << 0 << true;
    QTest::newRow("multiple open, 1025-character name fits") << 1 << 1025 << 0 << false;
    QTest::newRow("multiple open, 8193-character name") << 1 << 8193 << 0 << true;
    QTest::newRow("save, 1025-character name") << 2 << 1025 << 0 << true;
    QTest::newRow("open, 1025-character file title") << 0 << 0 << 1025 << true;
    QTest::newRow("multiple open, 8192-character file title") << 1 << 0 << 8192 << false;
    QTest::newRow("save, 1024-character file title") << 2 << 0 << 1024 << false;
}

void tst_CommonDialog::showBufferLimits()
{
    QFETCH(int, operation);
    QFETCH(int, nameLength);
    QFETCH(int, titleLength);
    QFETCH(bool, fails);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    // The setter refuses a long name after storing it, which is how a long one reaches a show.
    raised([&] { dialog.setFilename(QString(nameLength, QLatin1Char('n'))); });
    dialog.setFileTitle(QString(titleLength, QLatin1Char('t')));
    if (operation == 1)
        dialog.setFlags(cls_CommonDialog::OFN_ALLOWMULTISELECT);
    prompts.cancelFile();
    const auto error = raised([&] {
        if (operation == 2)
            dialog.ShowSave();
        else
            dialog.ShowOpen();
    });
    QCOMPARE(error.has_value(), fails);
    // A refused call never reaches the chooser.
    QCOMPARE(prompts.fileRequests.size(), fails ? 0 : 1);
    if (fails)
        QCOMPARE(error->number(), err::InvalidProcedureCall);
}

void tst_CommonDialog::fieldsWithTwoNuls()
{
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setInitDir(QStringLiteral("/tmp/Pics"));
    dialog.setDefaultExt(QStringLiteral("ico"));
    QCOMPARE(*dialog.record().lpstrInitialDir, nuls(QStringLiteral("/tmp/Pics##")));
    QCOMPARE(*dialog.record().lpstrDefExt, nuls(QStringLiteral("ico##")));
    QCOMPARE(dialog.InitDir(), QStringLiteral("/tmp/Pics"));
    QCOMPARE(dialog.DefaultExt(), QStringLiteral("ico"));
}

void tst_CommonDialog::requestToChooser()
{
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFilename(QString());
    dialog.setFlags(0x1200);
    dialog.setDialogTitle(QStringLiteral("Browse for files..."));
    dialog.setInitDir(QStringLiteral("/tmp"));
    dialog.setDefaultExt(QStringLiteral("ico"));
    dialog.setFilterIndex(2);
    dialog.setFilter(QStringLiteral("A|*.a|B|*.b"));
    prompts.cancelFile();
    dialog.ShowOpen();

    QCOMPARE(prompts.fileRequests.size(), 1);
    const FileChooserRequest& request = prompts.fileRequests.first();
    QCOMPARE(request.mode, FileChooserRequest::Mode::OpenMultiple);
    QCOMPARE(request.title, QStringLiteral("Browse for files..."));
    QCOMPARE(request.filterIndex, 2);
    QCOMPARE(request.initialDir, QStringLiteral("/tmp"));
    QCOMPARE(request.defaultSuffix, QStringLiteral("ico"));
    QVERIFY(request.fileMustExist);
    QCOMPARE(dialog.record().Flags, 0x1200 | cls_CommonDialog::OFN_EXPLORER);
    QCOMPARE(dialog.record().nMaxFile, 8192);
    QCOMPARE(dialog.record().nMaxFileTitle, 8192);
    QCOMPARE(dialog.flags(), 0x1200);
}

void tst_CommonDialog::singleOpen()
{
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFilename(QString());
    prompts.answerFile(QStringLiteral("/tmp/Pics/Photo.JPG"));
    dialog.ShowOpen();
    QCOMPARE(prompts.fileRequests.first().mode, FileChooserRequest::Mode::Open);
    QCOMPARE(dialog.record().Flags, 0);
    QCOMPARE(dialog.record().nMaxFile, 1024);
    QCOMPARE(dialog.Filename(), QStringLiteral("/tmp/Pics/Photo.JPG"));
    QCOMPARE(dialog.SelectedDir, QStringLiteral("/tmp/Pics/Photo.JPG"));
}

void tst_CommonDialog::multipleOpen_data()
{
    QTest::addColumn<QString>("result"); // '#' stands for NUL
    QTest::addColumn<QString>("selectedDir");
    QTest::addColumn<QString>("dir");
    QTest::addColumn<QStringList>("files");
    QTest::newRow("one file picked") << QStringLiteral("/tmp/Pics/Photo.JPG") << QStringLiteral("/tmp/Pics/Photo.JPG")
                                     << QStringLiteral("/tmp/Pics/") << QStringList { QStringLiteral("Photo.JPG") };
    QTest::newRow("one file picked, backslashes")
        << QStringLiteral("C:\\Pics\\Photo.JPG") << QStringLiteral("C:\\Pics\\Photo.JPG")
        << QStringLiteral("C:\\Pics\\") << QStringList { QStringLiteral("Photo.JPG") };
    QTest::newRow("two files below the root")
        << QStringLiteral("/tmp/Art#a.bmp#b.bmp##") << QStringLiteral("/tmp/Art") << QStringLiteral("/tmp/Art")
        << QStringList { QStringLiteral("a.bmp"), QStringLiteral("b.bmp") };
    QTest::newRow("three files at a drive root, listed order kept")
        << QStringLiteral("C:\\#z.gif#A.gif#m.gif##") << QStringLiteral("C:\\") << QStringLiteral("C:\\")
        << QStringList { QStringLiteral("z.gif"), QStringLiteral("A.gif"), QStringLiteral("m.gif") };
}

void tst_CommonDialog::multipleOpen()
{
    QFETCH(QString, result);
    QFETCH(QString, selectedDir);
    QFETCH(QString, dir);
    QFETCH(QStringList, files);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFilename(QString());
    dialog.setFlags(0x1200);
    prompts.answerFile(nuls(result));
    dialog.ShowOpen();

    // The whole buffer as the chooser left it.
    QCOMPARE(dialog.Filename().size(), 8192);
    QVERIFY(dialog.Filename().startsWith(nuls(result)));
    QCOMPARE(dialog.SelectedDir, selectedDir);

    QString sDir;
    QStringList sFiles;
    qint32 lFileCount = 0;
    dialog.ParseMultiFileName(sDir, sFiles, lFileCount);
    QCOMPARE(lFileCount, files.size());
    QCOMPARE(sDir, dir);
    QCOMPARE(sFiles, files);
}

void tst_CommonDialog::resultTooLongFails_data()
{
    QTest::addColumn<bool>("multiple");
    QTest::addColumn<bool>("cancelError");
    QTest::newRow("single, quietly") << false << false;
    QTest::newRow("single, raising") << false << true;
    QTest::newRow("multiple, quietly") << true << false;
}

void tst_CommonDialog::resultTooLongFails()
{
    QFETCH(bool, multiple);
    QFETCH(bool, cancelError);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFilename(QStringLiteral("before"));
    dialog.setCancelError(cancelError);
    if (multiple)
        dialog.setFlags(cls_CommonDialog::OFN_ALLOWMULTISELECT);
    const int size = multiple ? 8192 : 1024;
    prompts.answerFile(QStringLiteral("/") + QString(size, QLatin1Char('x')));
    const auto error = raised([&] { dialog.ShowOpen(); });
    QCOMPARE(error.has_value(), cancelError);
    QCOMPARE(dialog.Filename(), QStringLiteral("before"));
    QVERIFY(dialog.SelectedDir.isEmpty());
}

void tst_CommonDialog::filterIndexCarriesOver()
{
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFilter(QStringLiteral("Icon file (*.ico)|*.ico|All file types (*.*)|*.*"));
    prompts.answerFile(QStringLiteral("/tmp/a.ico"), 2);
    dialog.ShowOpen();
    QCOMPARE(dialog.FilterIndex(), 2);
    prompts.cancelFile();
    dialog.ShowSave();
    QCOMPARE(prompts.fileRequests.at(1).filterIndex, 2);
}

void tst_CommonDialog::cancel_data()
{
    QTest::addColumn<bool>("save");
    QTest::addColumn<bool>("cancelError");
    QTest::addColumn<QString>("source");
    QTest::newRow("open, quietly") << false << false << QString();
    QTest::newRow("open, raising") << false << true << QStringLiteral("Brevane.cFileDialog");
    QTest::newRow("save, quietly") << true << false << QString();
    QTest::newRow("save, raising") << true << true << QStringLiteral("Brevane.cFilenDialog");
}

void tst_CommonDialog::cancel()
{
    QFETCH(bool, save);
    QFETCH(bool, cancelError);
    QFETCH(QString, source);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    // A first successful open sets SelectedDir; the cancel must leave it and Filename alone.
    prompts.answerFile(QStringLiteral("/tmp/first.bmp"));
    dialog.ShowOpen();
    dialog.setFilename(QStringLiteral("kept.ico"));
    dialog.setCancelError(cancelError);
    prompts.cancelFile();
    const auto error = raised([&] {
        if (save)
            dialog.ShowSave();
        else
            dialog.ShowOpen();
    });
    QCOMPARE(error.has_value(), cancelError);
    if (cancelError) {
        QCOMPARE(error->number(), 32755);
        QCOMPARE(error->source(), source);
        QCOMPARE(error->description(), QStringLiteral("User selected cancel."));
    }
    QCOMPARE(dialog.Filename(), QStringLiteral("kept.ico"));
    QCOMPARE(dialog.SelectedDir, QStringLiteral("/tmp/first.bmp"));
}

void tst_CommonDialog::saveIgnoresMultipleSelection()
{
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFlags(cls_CommonDialog::OFN_ALLOWMULTISELECT);
    prompts.answerFile(QStringLiteral("/tmp/out.ico"));
    dialog.ShowSave();
    QCOMPARE(prompts.fileRequests.first().mode, FileChooserRequest::Mode::Save);
    QCOMPARE(dialog.record().nMaxFile, 1024);
    QCOMPARE(dialog.record().Flags, cls_CommonDialog::OFN_ALLOWMULTISELECT);
    QCOMPARE(dialog.Filename(), QStringLiteral("/tmp/out.ico"));
    QVERIFY(dialog.SelectedDir.isEmpty());
}

void tst_CommonDialog::parseRejects_data()
{
    QTest::addColumn<QString>("filename");
    QTest::newRow("empty") << QString();
    QTest::newRow("plain path without NULs") << QStringLiteral("/tmp/a.bmp");
    QTest::newRow("single NULs only") << nuls(QStringLiteral("/tmp#a.bmp#"));
}

void tst_CommonDialog::parseRejects()
{
    QFETCH(QString, filename);
    test::ScriptedPrompts prompts;
    cls_CommonDialog dialog(prompts);
    dialog.setFilename(filename);
    QString sDir;
    QStringList sFiles;
    qint32 lFileCount = 0;
    const auto error = raised([&] { dialog.ParseMultiFileName(sDir, sFiles, lFileCount); });
    QVERIFY(error.has_value());
    QCOMPARE(error->number(), err::InvalidProcedureCall);
    QCOMPARE(lFileCount, 0);
}

void tst_CommonDialog::stripNull_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("no NUL") << QStringLiteral("abc") << QStringLiteral("abc");
    QTest::newRow("NUL in the middle") << QStringLiteral("ab#c#") << QStringLiteral("ab");
    QTest::newRow("NUL first") << QStringLiteral("#abc") << QString();
    QTest::newRow("empty") << QString() << QString();
}

void tst_CommonDialog::stripNull()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(cls_CommonDialog::StripNull(nuls(text)), stripped);
}

QTEST_GUILESS_MAIN(tst_CommonDialog)
#include "tst_commondialog.moc"
