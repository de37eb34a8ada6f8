// The preferences window: what the stored settings select, the colour
// preview, Save and Discard, and the way back to the right main window.

#include "app/frmOps.h"
#include "app/globals.h"
#include "app/preferences.h"
#include "app/settings.h"
#include "app/windows.h"
#include "browse/frmBr.h"
#include "resources/colours.h"
#include "testsupport.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace bd;

namespace {

class AddStand : public MainWindow {
public:
    AddStand()
    {
        G.endOnUnload = true;
        G.addWinActive = true;
    }
};

QColor panel(const frmOps& w) { return w.Picture1->palette().color(QPalette::Window); }
QColor button(const frmOps& w) { return w.cmdSave->palette().color(QPalette::Button); }

frmOps* openOps()
{
    registerWindow(WindowKind::Br, [] { return new frmBr; });
    registerWindow(WindowKind::Add, [] { return new AddStand; });
    registerWindow(WindowKind::Ops, [] { return new frmOps; });
    return static_cast<frmOps*>(showWindow(WindowKind::Ops));
}

void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

class TestOps : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void storedValuesSelectListPositions()
    {
        const struct {
            const char* stored;
            int colour, text;
        } cases[] = {{"", 0, 0}, {"0", 0, 0}, {"1.0", 0, 1}, {"2", 0, 2}, {"300", 3, 0},
                     {"600", 6, 0}, {"140", 1, 0}, {"700", 0, 0}, {"-100", 0, 0}, {"pink", 0, 0}};
        for (const auto& c : cases) {
            QCOMPARE(colourPosition(QLatin1String(c.stored)), c.colour);
            QCOMPARE(listPosition(QLatin1String(c.stored), kTextSizeCount), c.text);
        }
        QCOMPARE(listPosition(QStringLiteral("2"), kLangCount), 0);
    }

    void loadShowsTheStoredChoicesInBothLanguages()
    {
        bdtest::TestEnv env;
        writeValue(QStringLiteral("color"), QStringLiteral("300"));
        writeValue(QStringLiteral("language"), QStringLiteral("1"));
        writeValue(QStringLiteral("textSize"), QStringLiteral("9"));
        G.langOffset = 300;
        frmOps w;
        QCOMPARE(w.cboColor->currentText(), QString::fromUtf8("ocean / océano"));
        QCOMPARE(w.cboColor->count(), 7);
        QCOMPARE(w.cboLang->currentIndex(), 1);
        QCOMPARE(w.cboText->currentIndex(), 0); // beyond the list
        QCOMPARE(G.colorBase, 300);
        QCOMPARE(panel(w), fetchColor(RoleContentBack));
        QCOMPARE(w.windowTitle(), QStringLiteral("BD | Preferences | Preferencias"));
        QCOMPARE(w.Label1->text(), QString::fromUtf8("«color scheme» «esquema de colores»"));
        QCOMPARE(w.Label3->text(), QString::fromUtf8("«text size» «tamaño del texto»"));
        QCOMPARE(w.cmdSave->text(), QStringLiteral("&SAVE\n&GUARDAR"));
        QCOMPARE(w.cmdDis->text(), QStringLiteral("&DISCARD\n&DESCARTAR"));
    }

    void choosingAColourPreviewsItAndDiscardUndoesIt()
    {
        bdtest::TestEnv env;
        writeValue(QStringLiteral("color"), QStringLiteral("0"));
        writeValue(QStringLiteral("language"), QStringLiteral("0"));
        frmOps* w = openOps();
        QCOMPARE(button(*w), QColor(168, 182, 144));
        w->cboColor->setCurrentIndex(4); // pink / rosa
        QCOMPARE(G.colorBase, 400);
        QCOMPARE(button(*w), QColor(255, 192, 192));
        QCOMPARE(panel(*w), QColor(255, 128, 128));
        // Black & white: labels and lists stay readable on the black panel.
        w->cboColor->setCurrentIndex(1);
        QCOMPARE(panel(*w), QColor(0, 0, 0));
        QCOMPARE(w->Label2->palette().color(QPalette::Window), QApplication::palette().color(QPalette::Window));
        QCOMPARE(w->Label2->palette().color(QPalette::WindowText), QApplication::palette().color(QPalette::WindowText));
        QCOMPARE(w->cboLang->palette().color(QPalette::Button), QApplication::palette().color(QPalette::Button));

        w->cmdDis->click();
        settle();
        QCOMPARE(G.colorBase, 0);
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("0"));
        QVERIFY(env.dialogs.calls.isEmpty());
        QVERIFY(!instance(WindowKind::Ops));
        QVERIFY(instance(WindowKind::Br));
        QVERIFY(G.endOnUnload);
        QVERIFY(!endRequested());
    }

    void discardWithoutALanguageSaysEnglishWillBeUsed()
    {
        bdtest::TestEnv env;
        G.langOffset = 300;
        frmOps* w = openOps();
        w->discard();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{0});
        QCOMPARE(env.dialogs.last()->text, QStringLiteral("Default settings will be used (English)"));
        QCOMPARE(env.dialogs.last()->title, QStringLiteral("BD"));
        QCOMPARE(readValue(QStringLiteral("language")), QStringLiteral("0"));
        QCOMPARE(G.langOffset, 300); // unchanged until the next start
    }

    void saveStoresAndTheNextMainWindowShowsIt()
    {
        bdtest::TestEnv env;
        frmOps* w = openOps();
        w->cboColor->setCurrentIndex(1);
        w->cboLang->setCurrentIndex(1);
        w->cboText->setCurrentIndex(2);
        w->cmdSave->click();
        settle();
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("100"));
        QCOMPARE(readValue(QStringLiteral("language")), QStringLiteral("1"));
        QCOMPARE(readValue(QStringLiteral("textSize")), QStringLiteral("2"));
        QCOMPARE(G.colorBase, 100);
        QCOMPARE(G.langOffset, 300);
        QCOMPARE(G.textFontSize, 12);
        auto* br = qobject_cast<frmBr*>(instance(WindowKind::Br));
        QVERIFY(br);
        QCOMPARE(br->windowTitle(), QStringLiteral("BD | Explorar recetas"));
        QCOMPARE(br->txtIng->font().pointSize(), 12);
        QCOMPARE(br->txtIng->palette().color(QPalette::Base), QColor(0, 0, 0));
        QVERIFY(!instance(WindowKind::Ops));
    }

    void returnsToTheAddWindowWhenItWasActive()
    {
        bdtest::TestEnv env;
        G.addWinActive = true;
        frmOps* w = openOps();
        w->cboText->setCurrentIndex(0);
        w->save();
        settle();
        QVERIFY(instance(WindowKind::Add));
        QVERIFY(!instance(WindowKind::Br));
        QCOMPARE(G.textFontSize, 8);

        // Reached from the add window again, Discard goes back there too.
        w = static_cast<frmOps*>(switchTo(instance(WindowKind::Add), WindowKind::Ops));
        settle();
        w->discard();
        settle();
        QVERIFY(instance(WindowKind::Add));
        QVERIFY(!instance(WindowKind::Br));
    }

    void reachedFromBrowsingTheCloseBoxStoresNothing()
    {
        bdtest::TestEnv env;
        writeValue(QStringLiteral("color"), QStringLiteral("200"));
        openOps()->close();
        showWindow(WindowKind::Br);
        static_cast<frmBr*>(instance(WindowKind::Br))->mnuOps->trigger();
        settle();
        QVERIFY(!instance(WindowKind::Br));
        auto* w = qobject_cast<frmOps*>(instance(WindowKind::Ops));
        QVERIFY(w);
        w->cboColor->setCurrentIndex(5);
        w->cboLang->setCurrentIndex(1);
        w->close();
        settle();
        QCOMPARE(readValue(QStringLiteral("color")), QStringLiteral("200"));
        QVERIFY(readValue(QStringLiteral("language")).isEmpty());
        QVERIFY(!instance(WindowKind::Br));
        QVERIFY(!instance(WindowKind::Add));
    }
};

QTEST_MAIN(TestOps)
#include "tst_ops.moc"
