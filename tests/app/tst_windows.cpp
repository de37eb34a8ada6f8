// Handing over between windows: one main window at a time, secondary
// windows over a disabled opener, and when the program ends.

#include "app/globals.h"
#include "app/settings.h"
#include "app/windows.h"
#include "browse/frmAbout.h"
#include "browse/frmBr.h"
#include "testsupport.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace bd;

namespace {
// Stands in for a main window that arrives later.
class Stand : public MainWindow {
public:
    Stand() { G.endOnUnload = true; }
};
} // namespace

class TestWindows : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void commandsWithoutTheirWindowDoNothing()
    {
        bdtest::TestEnv env;
        registerWindow(WindowKind::Br, [] { return new frmBr; });
        auto* br = static_cast<frmBr*>(showWindow(WindowKind::Br));
        QVERIFY(br);
        QCOMPARE(instance(WindowKind::Br), br);
        br->mnuExport->trigger();
        br->mnuSearch->trigger();
        br->cmdEdit->click();
        br->pictureView();
        QVERIFY(br->isVisible());
        QVERIFY(br->isEnabled());
        QVERIFY(G.endOnUnload);
    }

    void mainWindowsHandOverWithoutEndingTheProgram()
    {
        bdtest::TestEnv env;
        registerWindow(WindowKind::Br, [] { return new frmBr; });
        registerWindow(WindowKind::Add, [] { return new Stand; });
        auto* br = static_cast<frmBr*>(showWindow(WindowKind::Br));
        QPointer<QWidget> old(br);
        br->mnuRecipeAdd->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(old.isNull());              // released, to be built afresh
        QVERIFY(!endRequested());
        QVERIFY(G.endOnUnload);             // set again by the new main window
        QVERIFY(instance(WindowKind::Add)->isVisible());
        QCOMPARE(readValue(QStringLiteral("state")), QStringLiteral("0")); // placement saved

        // Closing the main window while endOnUnload holds ends the program.
        instance(WindowKind::Add)->close();
        QVERIFY(endRequested());
    }

    void secondaryWindowsDisableTheirOpener()
    {
        bdtest::TestEnv env;
        registerWindow(WindowKind::Br, [] { return new frmBr; });
        registerWindow(WindowKind::About, [] { return new frmAbout; });
        auto* br = static_cast<frmBr*>(showWindow(WindowKind::Br));
        br->mnuBrAbout->trigger();
        auto* about = qobject_cast<frmAbout*>(instance(WindowKind::About));
        QVERIFY(about);
        QVERIFY(G.calledFromBr);
        QVERIFY(!br->isEnabled());
        QVERIFY(about->isEnabled()); // not disabled along with its opener
        QVERIFY(about->lblVersion->text().endsWith(QStringLiteral(BRINDELLE_VERSION)));
        about->cmdOK->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(br->isEnabled());
        QVERIFY(!G.calledFromBr);
        QVERIFY(!endRequested());
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
