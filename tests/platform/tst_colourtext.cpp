#include "platform/ColourText.h"

#include <QTest>

using namespace brevane;
using Reading = ColourText::Reading;

class tst_ColourText : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void component_data();
    void component();
};

void tst_ColourText::component_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("reading");
    QTest::addColumn<int>("value");
    const int number = int(Reading::Number), notANumber = int(Reading::NotANumber),
              outOfRange = int(Reading::OutOfRange);
    QTest::newRow("blanks around, plus sign") << " +12 " << number << 12;
    QTest::newRow("negative stays negative") << "-5" << number << -5;
    QTest::newRow("the 16-bit ends") << "-32768" << number << -32768;
    QTest::newRow("above 255 is still a number") << "32767" << number << 32767;
    QTest::newRow("one past the top") << "32768" << outOfRange << 0;
    QTest::newRow("one past the bottom") << "-32769" << outOfRange << 0;
    QTest::newRow("twenty digits") << "99999999999999999999" << outOfRange << 0;
    QTest::newRow("a fraction") << "12.5" << notANumber << 0;
    QTest::newRow("a whole number with a point") << "12." << notANumber << 0;
    QTest::newRow("an exponent") << "1e2" << notANumber << 0;
    QTest::newRow("hexadecimal") << "0x10" << notANumber << 0;
    QTest::newRow("a sign alone") << "-" << notANumber << 0;
    QTest::newRow("empty") << "" << notANumber << 0;
    QTest::newRow("a blank inside") << "1 2" << notANumber << 0;
    QTest::newRow("Arabic-Indic digits") << QString::fromUtf8("\u0661\u0662") << notANumber << 0;
}

void tst_ColourText::component()
{
    QFETCH(QString, text);
    QFETCH(int, reading);
    QFETCH(int, value);
    const ColourText::Component read = ColourText::component(text);
    QCOMPARE(int(read.reading), reading);
    if (read.reading == Reading::Number)
        QCOMPARE(int(read.value), value);
}

QTEST_APPLESS_MAIN(tst_ColourText)
#include "tst_colourtext.moc"
