#include "IconCheck.h"

#include <QProcess>
#include <QTest>

using namespace brevane::test;

// Runs the real brevane-cli: the same save as the dialog, from the command line.
class tst_CliMulti : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void writesIcon_data();
    void writesIcon();
    void refused_data();
    void refused();
    void topLeftIsTransparent();
    void colourAbove255CountsAs255();
    void helpNamesTheWhiteBackground();

private:
    int run(const QStringList& args, QString* out = nullptr, QString* err = nullptr);

    QTemporaryDir m_pictures;
    QString m_small16, m_normal32, m_large48, m_text;
    QTemporaryDir* m_out = nullptr;
};

void tst_CliMulti::initTestCase()
{
    QVERIFY(QFileInfo::exists(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli")));
    m_small16 = writePicture(m_pictures, QStringLiteral("small16.bmp"), gradientPicture(16, 16));
    m_normal32 = writePicture(m_pictures, QStringLiteral("normal32.bmp"), gradientPicture(32, 32));
    m_large48 = writePicture(m_pictures, QStringLiteral("large48.bmp"), gradientPicture(48, 48));
    m_text = writeText(m_pictures, QStringLiteral("readme.bmp"), "This is text, not a bitmap.\n");
    QVERIFY(!m_small16.isEmpty() && !m_normal32.isEmpty() && !m_large48.isEmpty() && !m_text.isEmpty());
}

void tst_CliMulti::init()
{
    m_out = new QTemporaryDir;
    QVERIFY(m_out->isValid());
}

void tst_CliMulti::cleanup()
{
    delete m_out;
    m_out = nullptr;
}

int tst_CliMulti::run(const QStringList& args, QString* out, QString* err)
{
    QProcess p;
    p.start(QStringLiteral(BREVANE_BINARY_DIR "/brevane-cli"), QStringList { QStringLiteral("multi") } + args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return -1;
    if (out)
        *out = QString::fromLocal8Bit(p.readAllStandardOutput());
    if (err)
        *err = QString::fromLocal8Bit(p.readAllStandardError());
    return p.exitCode();
}

void tst_CliMulti::writesIcon_data()
{
    QTest::addColumn<QStringList>("given"); // small, normal, large: "" when not given
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QList<int>>("sizes");
    QTest::newRow("only large, no extension") << QStringList { "", "", "48" } << "logo"
                                              << "logo.ico" << QList<int> { 48 };
    QTest::newRow("small and large, .ico") << QStringList { "16", "", "48" } << "logo.ico"
                                           << "logo.ico" << QList<int> { 16, 48 };
    QTest::newRow("all three, .ICO") << QStringList { "16", "32", "48" } << "logo.ICO"
                                     << "logo.ICO" << QList<int> { 16, 32, 48 };
    QTest::newRow("32x32 picture as small") << QStringList { "32", "", "" } << "crop"
                                            << "crop.ico" << QList<int> { 16 };
}

void tst_CliMulti::writesIcon()
{
    QFETCH(QStringList, given);
    QFETCH(QString, name);
    QFETCH(QString, written);
    QFETCH(QList<int>, sizes);
    const QMap<QString, QString> pictures { { QStringLiteral("16"), m_small16 }, { QStringLiteral("32"), m_normal32 },
        { QStringLiteral("48"), m_large48 } };
    const char* options[] = { "--small", "--normal", "--large" };
    QStringList args { QStringLiteral("-o"), m_out->filePath(name) };
    for (int i = 0; i < 3; ++i) {
        if (!given[i].isEmpty())
            args << QLatin1String(options[i]) << pictures.value(given[i]);
    }
    QString out, err;
    QCOMPARE(run(args, &out, &err), 0);
    QVERIFY2(!err.contains(QLatin1String("brevane-cli")), qPrintable(err));
    QVERIFY2(out.contains(m_out->filePath(written)), qPrintable(out));
    QCOMPARE(filesIn(m_out->path()), QStringList { written });

    QString why;
    const QList<ListedImage> listed = icotoolList(m_out->filePath(written), &why);
    QVERIFY2(listed.size() == sizes.size(), qPrintable(why));
    const QList<QImage> decoded = magickImages(m_out->filePath(written), &why);
    QVERIFY2(decoded.size() == sizes.size(), qPrintable(why));
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        QCOMPARE(listed[i].width, sizes[i]);
        QCOMPARE(listed[i].bitDepth, 24);
        // Top-left squares of gradients: the image's last pixel is the picture's pixel there.
        const int last = sizes[i] - 1;
        QCOMPARE(decoded[i].pixel(last, last), gradientPicture(48, 48).pixel(last, last) | 0xFF000000u);
    }
}

void tst_CliMulti::refused_data()
{
    QTest::addColumn<QStringList>("args"); // %S, %N, %L, %T stand for the pictures and the text file
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("no slot") << QStringList { "-o", "logo" } << 1 << "There are no images !";
    QTest::newRow("letters in the colour")
        << QStringList { "-o", "logo", "--small", "%S", "-t", "255,x,0" } << 1 << "Invalid transparent color !";
    QTest::newRow("empty colour component")
        << QStringList { "-o", "logo", "--small", "%S", "-t", "255,,0" } << 1 << "Invalid transparent color !";
    QTest::newRow("text file named .bmp") << QStringList { "-o", "logo", "--large", "%T" } << 1 << "Invalid picture !";
    QTest::newRow("missing picture") << QStringList { "-o", "logo", "--normal", "/no/such/picture.bmp" } << 1
                                     << "File not found";
    QTest::newRow("negative colour") << QStringList { "-o", "logo", "--small", "%S", "-t", "-1,0,0" } << 1
                                     << "Invalid procedure call";
    QTest::newRow("colour not R,G,B") << QStringList { "-o", "logo", "--small", "%S", "-t", "white" } << 2 << "R,G,B";
    QTest::newRow("no output") << QStringList { "--small", "%S" } << 2 << "-o FILE";
    QTest::newRow("stray argument") << QStringList { "-o", "logo", "extra" } << 2 << "wrong number of arguments";
}

void tst_CliMulti::refused()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    for (QString& a : args) {
        if (a == QLatin1String("%S"))
            a = m_small16;
        else if (a == QLatin1String("%T"))
            a = m_text;
        else if (a == QLatin1String("logo"))
            a = m_out->filePath(a);
    }
    QString err;
    QCOMPARE(run(args, nullptr, &err), exitCode);
    QVERIFY2(err.contains(message), qPrintable(err));
    QVERIFY(filesIn(m_out->path()).isEmpty());
}

void tst_CliMulti::topLeftIsTransparent()
{
    QImage picture = gradientPicture(16, 16);
    picture.setPixel(0, 0, qRgb(255, 255, 255));
    picture.setPixel(3, 12, qRgb(255, 255, 255));
    picture.setPixel(1, 0, qRgb(255, 0, 255));
    const QString path = writePicture(m_pictures, QStringLiteral("whitecorner.bmp"), picture);
    // Its top-left pixel is white, the 48x48 padding too: both transparent under top-left.
    QCOMPARE(run({ QStringLiteral("-o"), m_out->filePath(QStringLiteral("corner")), QStringLiteral("--large"), path,
                 QStringLiteral("-t"), QStringLiteral("top-left") }),
        0);
    QString why;
    const QList<QImage> decoded = magickImages(m_out->filePath(QStringLiteral("corner.ico")), &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    QCOMPARE(qAlpha(decoded[0].pixel(0, 0)), 0);
    QCOMPARE(qAlpha(decoded[0].pixel(3, 12)), 0);
    QCOMPARE(qAlpha(decoded[0].pixel(40, 40)), 0);
    QCOMPARE(decoded[0].pixel(1, 0), qRgb(255, 0, 255));
    QCOMPARE(decoded[0].pixel(15, 15), picture.pixel(15, 15) | 0xFF000000u);
}

void tst_CliMulti::colourAbove255CountsAs255()
{
    QImage picture = gradientPicture(32, 32);
    picture.setPixel(10, 10, qRgb(255, 0, 255));
    const QString path = writePicture(m_pictures, QStringLiteral("magentadot.bmp"), picture);
    QCOMPARE(run({ QStringLiteral("-o"), m_out->filePath(QStringLiteral("m")), QStringLiteral("--normal"), path,
                 QStringLiteral("-t"), QStringLiteral("300,0,999") }),
        0);
    QString why;
    const QList<QImage> decoded = magickImages(m_out->filePath(QStringLiteral("m.ico")), &why);
    QVERIFY2(decoded.size() == 1, qPrintable(why));
    QCOMPARE(qAlpha(decoded[0].pixel(10, 10)), 0);
    QCOMPARE(qAlpha(decoded[0].pixel(0, 0)), 255);
}

void tst_CliMulti::helpNamesTheWhiteBackground()
{
    QString out;
    QCOMPARE(run({ QStringLiteral("--help") }, &out), 0);
    QVERIFY2(out.contains(QStringLiteral("255,255,255")), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("top-left")), qPrintable(out));
}

QTEST_GUILESS_MAIN(tst_CliMulti)
#include "tst_cli_multi.moc"
