#include "platform/PictureRow.h"
#include "platform/mdl_Paths.h"

#include <QDir>
#include <QFile>
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
    QTest::newRow("backslashes, case kept")
        << QStringLiteral("C:\\Pictures\\Logo.BMP") << QStringLiteral("C:\\Pictures\\");
    QTest::newRow("slashes") << QStringLiteral("images/Cat.gif") << QStringLiteral("images/");
    QTest::newRow("drive root") << QStringLiteral("C:\\") << QStringLiteral("C:\\");
    QTest::newRow("no separator") << QStringLiteral("Logo.bmp") << QString();
    QTest::newRow("last separator of either kind") << QStringLiteral("a/b\\c") << QStringLiteral("a/b\\");
    QTest::newRow("unix path, mixed case")
        << QStringLiteral("/home/Ann/Pics/Photo.JPG") << QStringLiteral("/home/Ann/Pics/");
    QTest::newRow("empty") << QString() << QString();
}

void tst_Paths::folderOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(mdl_Paths::FolderOfPath(path), folder);
}

void tst_Paths::fileExists_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("exists");
    QTest::newRow("existing file") << QStringLiteral("Pics/Photo.JPG") << true;
    QTest::newRow("existing folder") << QStringLiteral("Pics") << true;
    QTest::newRow("missing file in existing folder") << QStringLiteral("Pics/none.bmp") << false;
    QTest::newRow("file in missing folder") << QStringLiteral("Gone/Photo.JPG") << false;
    QTest::newRow("other letter case") << QStringLiteral("pics/photo.jpg") << false;
}

void tst_Paths::fileExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Pics")));
    QFile file(dir.filePath(QStringLiteral("Pics/Photo.JPG")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(mdl_Paths::FileExists(dir.filePath(relative)), exists);
    QVERIFY(!mdl_Paths::FileExists(QString()));
}

void tst_Paths::fullPath_data()
{
    QTest::addColumn<QString>("folderTag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString sep = QDir::separator();
    QTest::newRow("folder without trailing separator") << QStringLiteral("/tmp/Pics") << QStringLiteral("a.bmp")
                                                       << QStringLiteral("/tmp/Pics") + sep + QStringLiteral("a.bmp");
    QTest::newRow("root folder, no doubled separator")
        << QStringLiteral("/") << QStringLiteral("a.bmp") << QStringLiteral("/a.bmp");
    QTest::newRow("drive root") << QStringLiteral("C:\\") << QStringLiteral("a.bmp") << QStringLiteral("C:\\a.bmp");
}

void tst_Paths::fullPath()
{
    QFETCH(QString, folderTag);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE((PictureRow { text, folderTag }.fullPath()), expected);
}

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
