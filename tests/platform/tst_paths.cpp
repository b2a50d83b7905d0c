#include "platform/PictureRow.h"
#include "platform/mdl_Paths.h"
#include "support/PlainFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace brevane;

class tst_Paths : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void folderOfPath_data();
    void folderOfPath();
    void fileExists_data();
    void fileExists();
    void fullPath_data();
    void fullPath();
};

void tst_Paths::folderOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("backslashes, case kept") << "C:\\Pictures\\Logo.BMP"
                                            << "C:\\Pictures\\";
    QTest::newRow("unix path, case kept") << "/home/Ann/Pics/Photo.JPG"
                                          << "/home/Ann/Pics/";
    QTest::newRow("drive root") << "C:\\"
                                << "C:\\";
    QTest::newRow("no separator") << "Logo.bmp"
                                  << "";
    QTest::newRow("last separator of either kind") << "a/b\\c"
                                                   << "a/b\\";
}

void tst_Paths::folderOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(mdl_Paths::FolderOfPath(path), folder);
}

void tst_Paths::fileExists_data()
{
    QTest::addColumn<QString>("relative"); // "-": the empty path
    QTest::addColumn<bool>("exists");
    QTest::newRow("existing file") << "Pics/Photo.JPG" << true;
    QTest::newRow("existing folder") << "Pics" << true;
    QTest::newRow("missing file") << "Pics/none.bmp" << false;
    QTest::newRow("other letter case") << "pics/photo.jpg" << false;
    QTest::newRow("empty path") << "-" << false;
}

void tst_Paths::fileExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Pics")));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("Pics/Photo.JPG")), {}));
    QCOMPARE(mdl_Paths::FileExists(relative == QLatin1String("-") ? QString() : dir.filePath(relative)), exists);
}

void tst_Paths::fullPath_data()
{
    QTest::addColumn<QString>("folderTag");
    QTest::addColumn<QString>("expected");
    QTest::newRow("folder without trailing separator")
        << "/tmp/Pics" << QStringLiteral("/tmp/Pics") + QDir::separator() + "a.bmp";
    QTest::newRow("root folder, no doubled separator") << "/"
                                                       << "/a.bmp";
    QTest::newRow("drive root") << "C:\\"
                                << "C:\\a.bmp";
}

void tst_Paths::fullPath()
{
    QFETCH(QString, folderTag);
    QFETCH(QString, expected);
    QCOMPARE((PictureRow { QStringLiteral("a.bmp"), folderTag }.fullPath()), expected);
}

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
