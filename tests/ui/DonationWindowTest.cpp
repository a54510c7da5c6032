#include "ui/DonationWindow.h"

#include <QImageReader>
#include <QtTest>

class DonationWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void keepsItsCaptionSizeAndStretchedPictures();
    void closesOnADoubleClickOnEitherPictureOnly();
    void picturesAreBaselineJpegsOf884By940();
};

void DonationWindowTest::keepsItsCaptionSizeAndStretchedPictures()
{
    ui::DonationWindow w;
    const QString caption = w.windowTitle();
    QCOMPARE(caption.size(), 35);
    QVERIFY(caption.startsWith(QString::fromUtf8("若工作无高效,则生活不自由.") + QString(17, QLatin1Char(' ')) +
                               QString::fromUtf8("随喜")));
    QVERIFY(caption.endsWith(QString::fromUtf8("随喜  ")));
    QCOMPARE(w.size(), QSize(640, 346));

    for (auto [name, geometry] :
         {std::pair{"Image1", QRect(8, 8, 308, 331)}, std::pair{"Image2", QRect(324, 8, 308, 331)}}) {
        auto* image = w.findChild<QLabel*>(QString::fromLatin1(name));
        QVERIFY(image);
        QCOMPARE(image->geometry(), geometry);
        QVERIFY(image->hasScaledContents());
        QCOMPARE(image->pixmap().size(), QSize(884, 940));
    }
}

void DonationWindowTest::closesOnADoubleClickOnEitherPictureOnly()
{
    ui::DonationWindow w;
    for (const char* name : {"Image1", "Image2"}) {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        auto* image = w.findChild<QLabel*>(QString::fromLatin1(name));
        QTest::mouseClick(image, Qt::LeftButton);
        QVERIFY(w.isVisible());
        // The margins and the strip between the pictures do nothing.
        QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(320, 100));
        QTest::mouseDClick(&w, Qt::LeftButton, {}, QPoint(3, 3));
        QVERIFY(w.isVisible());
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(w.isVisible());
        QTest::mouseDClick(image, Qt::LeftButton);
        QVERIFY2(!w.isVisible(), name);
    }
}

void DonationWindowTest::picturesAreBaselineJpegsOf884By940()
{
    for (const char* resource : {":/donation-left.jpg", ":/donation-right.jpg"}) {
        QFile file(QString::fromLatin1(resource));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        QVERIFY(data.startsWith("\xFF\xD8"));
        // A baseline frame header (SOF0): 8-bit samples, 940 lines, 884 columns, 3 components.
        const qsizetype sof = data.indexOf("\xFF\xC0");
        QVERIFY(sof > 0);
        QCOMPARE(quint8(data[sof + 4]), quint8(8));
        QCOMPARE((quint8(data[sof + 5]) << 8) | quint8(data[sof + 6]), 940);
        QCOMPARE((quint8(data[sof + 7]) << 8) | quint8(data[sof + 8]), 884);
        QCOMPARE(quint8(data[sof + 9]), quint8(3));
        QVERIFY(data.indexOf("\xFF\xC2") < 0); // not progressive
    }
}

QTEST_MAIN(DonationWindowTest)
#include "DonationWindowTest.moc"
