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
    QTest::addColumn<Reading>("reading");
    QTest::addColumn<int>("value");
    using enum ColourText::Reading;
    using Row = std::tuple<QString, Reading, int>;
    for (const auto& [text, reading, value] : std::initializer_list<Row> { { " +12 ", Number, 12 },
             { "-32768", Number, -32768 }, { "32767", Number, 32767 }, { "32768", OutOfRange, 0 },
             { "-32769", OutOfRange, 0 }, { "99999999999999999999", OutOfRange, 0 }, { "12.5", NotANumber, 0 },
             { "-", NotANumber, 0 }, { "", NotANumber, 0 }, { QString::fromUtf8("\u0661\u0662"), NotANumber, 0 } })
        QTest::newRow(qPrintable(text)) << text << reading << value;
}

void tst_ColourText::component()
{
    QFETCH(QString, text);
    QFETCH(Reading, reading);
    QFETCH(int, value);
    const ColourText::Component read = ColourText::component(text);
    QCOMPARE(read.reading, reading);
    QCOMPARE(int(read.value), value);
}

QTEST_APPLESS_MAIN(tst_ColourText)
#include "tst_colourtext.moc"
