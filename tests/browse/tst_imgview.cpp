// Pictures fitted into their frames (in twips), and the full-size viewer:
// its size and place, which keys close it, and the hand-back to its opener.

#include "app/base/globals.h"
#include "app/base/twips.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "browse/frmImgView.h"
#include "browse/viewerfit.h"
#include "store/picture.h"
#include "store/store.h"
#include "testsupport.h"

#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QtTest>

using namespace bd;

namespace {

// A 1024 x 768 pixel screen at 15 twips per pixel.
constexpr double SW = 15360, SH = 11520;

class Stand : public MainWindow {
public:
    Stand() { G.endOnUnload = true; }
};

// The browse window over a book with one recipe whose picture is w x h pixels.
frmBr* browseWithPicture(bdtest::TestEnv& env, int w, int h)
{
    registerWindow(WindowKind::Br, [] { return new frmBr; });
    registerWindow(WindowKind::ImgView, [] { return new frmImgView; });
    G.xmlDoc.appendCategory(QStringLiteral("pies"));
    Recipe f;
    f.title = QStringLiteral("apple pie");
    f.image = QStringLiteral("recipes_pies_apple pie.png");
    G.xmlDoc.appendRecipe(0, f);
    env.write(QStringLiteral("images/recipes_pies_apple pie.png"), bdtest::pngBytes(w, h));
    return static_cast<frmBr*>(showWindow(WindowKind::Br));
}

} // namespace

class TestImgView : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void sizeAndPlaceOnTheScreen_data()
    {
        QTest::addColumn<double>("w");
        QTest::addColumn<double>("h");
        QTest::addColumn<double>("sw");
        QTest::addColumn<double>("sh");
        QTest::addColumn<bool>("stretched");
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::newRow("fits: natural size") << 6000.0 << 4000.0 << SW << SH << false << 6000.0 << 4000.0 << 4680.0 << 3760.0;
        QTest::newRow("odd difference halves down") << 6001.0 << 4001.0 << SW << SH << false << 6001.0 << 4001.0 << 4679.0 << 3759.0;
        QTest::newRow("wide: screen width less margin") << 20000.0 << 10000.0 << SW << SH << true << 13160.0 << 6580.0 << 1100.0 << 2470.0;
        QTest::newRow("tall: screen height less margin") << 9000.0 << 12000.0 << SW << SH << true << 6990.0 << 9320.0 << 4185.0 << 1100.0;
        QTest::newRow("square: the height rule") << 12000.0 << 12000.0 << SW << SH << true << 9320.0 << 9320.0 << 3020.0 << 1100.0;
        // Slightly wider than tall but too high for the width rule.
        QTest::newRow("wide yet too high") << 14000.0 << 13000.0 << SW << SH << true << 9320.0 * 14000 / 13000 << 9320.0 << 2661.0 << 1100.0;
        // Tall on a portrait screen: limited by the width.
        QTest::newRow("tall yet too wide") << 12000.0 << 13000.0 << SH << SW << true << 9320.0 << 9320.0 * 13000 / 12000 << 1100.0 << 2631.0;
    }

    void sizeAndPlaceOnTheScreen()
    {
        QFETCH(double, w);
        QFETCH(double, h);
        QFETCH(double, sw);
        QFETCH(double, sh);
        // The picture's proportions as it reports them (HIMETRIC).
        const ViewerFit f = fitViewer(w, h, w * 2540 / 1440, h * 2540 / 1440, sw, sh);
        QTEST(f.stretched, "stretched");
        QTEST(f.width, "width");
        QTEST(f.height, "height");
        QTEST(f.left, "left");
        QTEST(f.top, "top");
        QVERIFY(f.width <= sw && f.height <= sh);
    }

    void onlyKeysThatTypeACharacterClose()
    {
        auto key = [](int k, const char* text = "") {
            return typesCharacter(QKeyEvent(QEvent::KeyPress, k, Qt::NoModifier, QLatin1String(text)));
        };
        for (int k : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Backspace})
            QVERIFY(key(k));
        QVERIFY(key(Qt::Key_A, "a") && key(Qt::Key_7, "7") && key(Qt::Key_Space, " "));
        for (int k : {Qt::Key_Left, Qt::Key_Down, Qt::Key_F1, Qt::Key_Shift})
            QVERIFY(!key(k));
        QVERIFY(!key(Qt::Key_Delete, "\x7f"));
    }

    void thumbnailOpensTheViewerAndAKeyClosesIt()
    {
        bdtest::TestEnv env;
        frmBr* br = browseWithPicture(env, 120, 90);
        QTest::mouseClick(br->lblClickImg, Qt::LeftButton);
        auto* view = qobject_cast<frmImgView*>(instance(WindowKind::ImgView));
        QVERIFY(view && view->loaded());
        QVERIFY(!br->isEnabled());
        QVERIFY(view->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        // A small picture: its own size, centred on the screen.
        QCOMPARE(view->size(), QSize(120, 90));
        const QRect screen = view->screen()->geometry();
        QVERIFY(qAbs(view->geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(view->geometry().center().y() - screen.center().y()) <= 1);

        QTest::keyClick(view, Qt::Key_Right);
        QTest::keyClick(view, Qt::Key_F5);
        QVERIFY(view->isVisible());
        QPointer<QWidget> guard(view);
        QTest::keyClick(view, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
        QVERIFY(br->isEnabled());
        QVERIFY(!G.calledFromBr);

        // A click closes it too.
        br->pictureView();
        guard = instance(WindowKind::ImgView);
        QTest::mouseClick(guard, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(guard.isNull());
        QVERIFY(br->isEnabled());
    }

    void aPictureThatCannotBeLoadedHandsBackAtOnce()
    {
        bdtest::TestEnv env;
        registerWindow(WindowKind::Add, [] { return new Stand; });
        registerWindow(WindowKind::ImgView, [] { return new frmImgView; });
        QWidget* add = showWindow(WindowKind::Add);
        env.write(QStringLiteral("broken.png"), "not a picture");
        G.viewImagePath = env.file(QStringLiteral("broken.png"));
        G.calledFromAdd = true;
        QPointer<QWidget> view(openOver(add, WindowKind::ImgView));
        QVERIFY(view);
        QVERIFY(!static_cast<frmImgView*>(view.data())->loaded());
        QTRY_VERIFY(view.isNull());
        QVERIFY(add->isEnabled());
        QVERIFY(!G.calledFromAdd);
        QVERIFY(env.dialogs.calls.isEmpty());
    }

    void thumbnailFitsItsFrame()
    {
        // Natural size: centred, 35 below centre.
        Fit f = fitPicture(kThumbnailFit, 3100, 2220, 1500, 1500, 850, 850);
        QVERIFY(!f.stretched);
        QCOMPARE(f.top, float((2220 - 850) / 2.0 + 35));
        // Square, too big: frame height - 180, 45 below centre.
        f = fitPicture(kThumbnailFit, 3100, 2220, 2500, 2500, 0, 0);
        QVERIFY(f.stretched);
        QCOMPARE(f.width, 2040.f);
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
        QCOMPARE(f.height, 1012.5f);
        QCOMPARE(f.top, 113.75f);
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
        QVERIFY(himetricSize(QImage()).isEmpty());
    }
};

QTEST_MAIN(TestImgView)
#include "tst_imgview.moc"
