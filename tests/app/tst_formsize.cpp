// Size limits of the main windows and the keep-on-top helper.

#include "app/cFormSize.h"
#include "app/globals.h"
#include "app/modTopMost.h"
#include "app/sizelimits.h"
#include "app/twips.h"
#include "app/windows.h"
#include "browse/frmBr.h"
#include "testsupport.h"

#include <QScreen>
#include <QtTest>

using namespace bd;

namespace {
// A main window with the add window's limits.
class AddLike : public MainWindow {
public:
    AddLike()
    {
        setSizeLimits(9700, 6900, 60000, 60000);
        formSize().ResizeToMin();
    }
};
} // namespace

class TestFormSize : public QObject {
    Q_OBJECT
private slots:
    void twipsBecomeWholePixels()
    {
        QCOMPARE(twipsToPixels(9700, 15), 647);
        QCOMPARE(twipsToPixels(6900, 15), 460);
        QCOMPARE(twipsToPixels(50000, 15), 3333);
        QCOMPARE(twipsToPixels(60000, 15), 4000);
        // Halves go to the even neighbour.
        QCOMPARE(twipsToPixels(337.5, 15), 22);
        QCOMPARE(twipsToPixels(352.5, 15), 24);
        QCOMPARE(twipsToPixels(9700, 12), 808);
    }

    void theBrowseWindowCannotBeMadeSmallerOrLarger()
    {
        bdtest::TestEnv env;
        frmBr w;
        w.show();
        const QSize minimum(twipsToPixels(9700, twipsPerPixelX()), twipsToPixels(6900, twipsPerPixelY()));
        const QSize maximum(twipsToPixels(50000, twipsPerPixelX()), twipsToPixels(50000, twipsPerPixelY()));
        QCOMPARE(w.minimumSize(), minimum);
        QCOMPARE(w.maximumSize(), maximum);
        QCOMPARE(w.formSize().minimum(), minimum);
        w.resize(100, 80);
        QCOMPARE(w.size(), minimum);
        w.resize(minimum.width() + 50, 20);
        QCOMPARE(w.size(), QSize(minimum.width() + 50, minimum.height()));
        w.resize(maximum + QSize(500, 500));
        QCOMPARE(w.size(), maximum);
    }

    void resizeToMinMovesOnePixelRight()
    {
        bdtest::TestEnv env;
        AddLike w;
        QCOMPARE(w.size(), QSize(twipsToPixels(9700, twipsPerPixelX()), twipsToPixels(6900, twipsPerPixelY())));
        w.move(100, 50);
        w.resize(900, 700);
        w.formSize().ResizeToMin();
        QCOMPARE(w.pos(), QPoint(101, 50));
        QCOMPARE(w.size(), w.formSize().minimum());
        QCOMPARE(w.maximumSize(), QSize(twipsToPixels(60000, twipsPerPixelX()), twipsToPixels(60000, twipsPerPixelY())));
        w.formSize().ResizeToMax();
        QCOMPARE(w.pos(), QPoint(102, 50));
        QCOMPARE(w.size(), w.formSize().maximum());
    }

    void withoutAMaximumTheScreenIsTheLimit()
    {
        QWidget w;
        cFormSize limits;
        limits.Init(&w);
        QCOMPARE(w.maximumSize(), QGuiApplication::primaryScreen()->geometry().size());
        QCOMPARE(w.minimumSize(), QSize(0, 0));
    }

    void topMostKeepsPlaceAndSize()
    {
        QWidget w;
        w.setGeometry(120, 90, 300, 200);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect before = w.geometry();
        makeTopMost(&w);
        QVERIFY(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(w.isVisible());
        QCOMPARE(w.geometry(), before);
    }
};

QTEST_MAIN(TestFormSize)
#include "tst_formsize.moc"
