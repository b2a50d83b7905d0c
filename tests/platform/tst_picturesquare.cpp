// Pictures placed in an icon's square. What the squares hold is checked through brevane-cli
// against Pillow (tst_cli_modern); here, inputs the fuzzer found.
#include "platform/PictureLoader.h"

#include <QTest>

using namespace brevane;

class tst_PictureSquare : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void fitsEverySize_data();
    void fitsEverySize();
};

void tst_PictureSquare::fitsEverySize_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::newRow("EMF its converter draws at its own size only (fuzzing)") << QByteArray::fromBase64(
        "AQAAAFgAAAAAAAAAANvRCAAQYQAAAAAAAAAAAAAAAAA9AQAA0wAAACBFTUYAAAEAtAAAAAYAAAACAAAAAAAAAAAAAAAAAAAAwAMAAMADAAD+"
        "AAAA/gAAACcAAAAYAAAAAQAAAAAAAAD/AAAAAAAAACUAAAAMAAAAAQAAACUAAAAMAAAACAAAgCsAAAAYAAAAAAAAAAAAAAAGAAAACAAAAA4A"
        "AAAUAAAAAAAAABAAAAAUAAAA");
}

void tst_PictureSquare::fitsEverySize()
{
    QFETCH(QByteArray, data);
    const Picture picture = PictureLoader::fromData(data);
    for (const int side : { 16, 300 })
        QCOMPARE(picture.square(side, Placement::Fit).size(), QSize(side, side));
}

QTEST_MAIN(tst_PictureSquare)
#include "tst_picturesquare.moc"
