#include "platform/PictureRow.h"
#include "platform/Paths.h"
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
    void fullPath();
};

void tst_Paths::folderOfPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::newRow("backslashes, case kept") << "C:\\Pictures\\Logo.BMP"
                                            << "C:\\Pictures\\";
    QTest::newRow("no separator") << "Logo.bmp"
                                  << "";
    QTest::newRow("last separator of either kind") << "a/b\\c"
                                                   << "a/b\\";
}

void tst_Paths::folderOfPath()
{
    QFETCH(QString, path);
    QFETCH(QString, folder);
    QCOMPARE(Paths::folderOfPath(path), folder);
}

void tst_Paths::fileExists_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("exists");
    QTest::newRow("existing file") << "Pics/Photo.JPG" << true;
    QTest::newRow("existing folder") << "Pics" << true;
    QTest::newRow("missing file") << "Pics/none.bmp" << false;
}

void tst_Paths::fileExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, exists);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Pics")));
    QVERIFY(test::writeFile(dir.filePath(QStringLiteral("Pics/Photo.JPG")), {}));
    QCOMPARE(Paths::fileExists(dir.filePath(relative)), exists);
}

void tst_Paths::fullPath()
{
    QCOMPARE((PictureRow { QStringLiteral("a.bmp"), QStringLiteral("/tmp/Pics") }.fullPath()),
        QStringLiteral("/tmp/Pics") + QDir::separator() + QStringLiteral("a.bmp"));
    QCOMPARE((PictureRow { QStringLiteral("a.bmp"), QStringLiteral("/") }.fullPath()), QStringLiteral("/a.bmp"));
}

QTEST_GUILESS_MAIN(tst_Paths)
#include "tst_paths.moc"
