// Browse window geometry and picture fitting, in twips.

#include "browse/brlayout.h"
#include "store/picture.h"
#include "testsupport.h"

#include <QBuffer>
#include <QImageReader>
#include <QtTest>

using namespace bd;

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void columnsAndBoxesKeepTheirProportions()
    {
        const BrLayout l = layoutBr(9580, 6225);
        QCOMPARE(l.fraBack.top, 560.0);
        QCOMPARE(l.fraBack.height, 6225.0 - 560);
        QCOMPARE(l.fraRight.width, l.fraBack.width - 3362);
        QCOMPARE(l.fraRight.left, 3362.0);
        QCOMPARE(l.fraTopLeft.height, l.fraBack.height - 1185);
        QCOMPARE(l.fraBotLeft.top, l.fraTopLeft.height);
        QCOMPARE(l.lblBorder[1].left - l.lblBorder[0].left, 30.0);
        QCOMPARE(l.txtIng.width, l.fraRight.width - 240);
        QVERIFY(qAbs(l.txtIng.height / l.txtOther.height - 0.2445 / 0.1319) < 1e-9);
        QCOMPARE(l.txtPrep.height, l.txtIng.height);
        // The chain runs without gaps and the button bar sits 125 below the notes.
        QCOMPARE(l.lblPrep.top, l.txtIng.bottom());
        QCOMPARE(l.txtOther.top, l.lblOther.bottom());
        QCOMPARE(l.picture1.top, l.txtOther.bottom() + 125);
        QVERIFY(l.picture1.bottom() <= l.fraRight.height);
        // Left column.
        QCOMPARE(l.lstRecs.height, 0.5305 * l.fraTopLeft.height);
        QCOMPARE(l.frame1.top, l.lstRecs.bottom() + 40);
        QCOMPARE(l.lblClickImg.top, l.frame1.bottom());
    }

    void tallerWindowsShareTheExtraHeight()
    {
        const BrLayout a = layoutBr(9580, 6225);
        const BrLayout b = layoutBr(9580, 7225);
        QVERIFY(qAbs(findExtraSpace(b.fraBack.height) - findExtraSpace(a.fraBack.height) - 379.1) < 1e-6);
        QVERIFY(qAbs(b.txtIng.height - a.txtIng.height - 0.2445 * 1379.1) < 1e-6);
        QVERIFY(qAbs(b.txtOther.height - a.txtOther.height - 0.1319 * 1379.1) < 1e-6);
        QCOMPARE(b.picture1.top - b.txtOther.bottom(), 125.0);
    }

    void thumbnailFitsItsFrame()
    {
        // Natural size: centred, 35 below centre.
        Fit f = fitPicture(kThumbnailFit, 3100, 2220, 1500, 1500, 850, 850);
        QVERIFY(!f.stretched);
        QCOMPARE(f.width, 850.f);
        QCOMPARE(f.top, float((2220 - 850) / 2.0 + 35));
        QCOMPARE(f.left, float((3100 - 850) / 2.0));
        // Square, too big: frame height - 180, 45 below centre.
        f = fitPicture(kThumbnailFit, 3100, 2220, 2500, 2500, 0, 0);
        QVERIFY(f.stretched);
        QCOMPARE(f.width, 2040.f);
        QCOMPARE(f.height, 2040.f);
        QCOMPARE(f.top, float((2220 - 2040) / 2.0 + 45));
        // Wide: frame width - 180, aspect kept.
        f = fitPicture(kThumbnailFit, 3100, 2220, 8000, 2000, 0, 0);
        QCOMPARE(f.width, 2920.f);
        QCOMPARE(f.height, 730.f);
        // Wide but not wide enough to stay within the height.
        f = fitPicture(kThumbnailFit, 3100, 2220, 3000, 2900, 0, 0);
        QCOMPARE(f.height, 2040.f);
        QVERIFY(qAbs(f.width - 2040.0 * 3000 / 2900) < 0.01);
        // Portrait too wide for a squat frame: width wins.
        f = fitPicture(kThumbnailFit, 1000, 3000, 1500, 2000, 0, 0);
        QCOMPARE(f.width, 820.f);
    }

    void entryFrameFitsItsPicture()
    {
        Fit f = fitPicture(kEntryFit, 2145, 1150, 1500, 900, 850.39f, 510.24f);
        QVERIFY(!f.stretched);
        f = fitPicture(kEntryFit, 2145, 1150, 4000, 2000, 0, 0);
        QCOMPARE(f.width, 2025.f);
        QCOMPARE(f.height, 1012.5f);
        QCOMPARE(f.top, 113.75f);
        QCOMPARE(f.left, 60.f);
        f = fitPicture(kEntryFit, 2145, 1150, 1000, 3000, 0, 0);
        QCOMPARE(f.height, 990.f);
        QCOMPARE(f.width, 330.f);
        QVERIFY(!fitPicture(kEntryFit, 2145, 1150, 0, 0, 0, 0).stretched);
    }

    void naturalSizeFollowsTheFileResolution()
    {
        QImage plain;
        QVERIFY(plain.loadFromData(bdtest::pngBytes(96, 48)));
        QCOMPARE(himetricSize(plain), QSize(2540, 1270));
        QImage dense;
        QVERIFY(dense.loadFromData(bdtest::pngBytes(300, 150, 11811))); // 300 DPI
        QCOMPARE(himetricSize(dense), QSize(2540, 1270));
        QCOMPARE(himetricToTwips(2540), 1440.0);
        QVERIFY(himetricSize(QImage()).isEmpty());
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
