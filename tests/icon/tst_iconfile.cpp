#include "icon/cls_IconFile.h"
#include "platform/Error.h"

#include <QTest>

using namespace brevane;

class tst_IconFile : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void addImageSizes();
};

void tst_IconFile::addImageSizes()
{
    cls_IconFile icon;
    icon.AddImage(32, 32, 16);
    QCOMPARE(icon.ImageSize(1), 744);
}

QTEST_GUILESS_MAIN(tst_IconFile)
#include "tst_iconfile.moc"
