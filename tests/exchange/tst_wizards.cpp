// The export and import wizards as a user drives them: lists, pages, file
// choice, messages, and the way back to the main window.

#include "app/application.h"
#include "app/base/globals.h"
#include "app/ui/qtdialogs.h"
#include "app/ui/windows.h"
#include "app/ui/workprogress.h"
#include "exchange/frmExp.h"
#include "exchange/frmImp.h"
#include "exchange/formats/mealmaster.h"
#include "app/base/text.h"
#include "store/store.h"
#include "guitest.h"
#include "store/booksave.h"
#include "app/base/settings.h"
#include "testsupport.h"

#include <QComboBox>
#include <QScrollBar>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

using namespace bd;

namespace {

using bdtest::texts;

QList<int> data(const QListWidget* l)
{
    QList<int> out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->data(Qt::UserRole).toInt();
    return out;
}

void fillBook()
{
    const int soups = G.xmlDoc.appendCategory(QStringLiteral("Soups"));
    const int cakes = G.xmlDoc.appendCategory(QStringLiteral("Cakes"));
    for (const char* t : {"Leek", "Borscht"})
        G.xmlDoc.appendRecipe(soups, bdtest::titled(QLatin1String(t)));
    for (const char* t : {"Sponge", "Babka"})
        G.xmlDoc.appendRecipe(cakes, bdtest::titled(QLatin1String(t)));
    bookStore().save();
}

void chooseCategory(frmExp* w, const char* name) { w->cboCats->setCurrentIndex(w->cboCats->findText(QLatin1String(name))); }

void chooseRecipe(QListWidget* l, const char* title)
{
    l->setCurrentItem(l->findItems(QLatin1String(title), Qt::MatchExactly).value(0));
}

// A progress dialog on screen, or one holding the keyboard.
bool progressInTheWay()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(w) && w->isVisible())
            return true;
    const QWidget* focus = QApplication::focusWidget();
    return focus && qobject_cast<const QProgressDialog*>(focus->window());
}

} // namespace

class TestWizards : public QObject {
    Q_OBJECT
private slots:
    void init() { registerStandardWindows(); }
    void cleanup() { resetWindows(); }

    void exportListsAndPages()
    {
        bdtest::TestEnv env;
        fillBook();
        auto* w = static_cast<frmExp*>(showWindow(WindowKind::Exp));
        QCOMPARE(texts(w->lstRecs), QStringList({QStringLiteral("Babka"), QStringLiteral("Sponge")}));

        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::NothingToExport});

        // Across categories, one and all; the hidden list in step.
        w->cmdROne->click(); // Babka
        chooseCategory(w, "Soups");
        w->cmdRAll->click();
        QCOMPARE(texts(w->lstExp), QStringList({QStringLiteral("Babka"), QStringLiteral("Borscht"), QStringLiteral("Leek")}));
        QCOMPARE(texts(w->lstHid), texts(w->lstExp));
        QCOMPARE(data(w->lstHid), QList<int>({1, 0, 0}));
        QVERIFY(w->lstRecs->count() == 0);

        // Back to the available list only when its category is shown.
        chooseRecipe(w->lstExp, "Babka");
        w->cmdLOne->click();
        QCOMPARE(texts(w->lstRecs), QStringList());
        chooseCategory(w, "Cakes");
        QCOMPARE(texts(w->lstRecs), QStringList({QStringLiteral("Babka"), QStringLiteral("Sponge")}));
        QCOMPARE(texts(w->lstHid), QStringList({QStringLiteral("Borscht"), QStringLiteral("Leek")}));
        w->cmdLAll->click();
        QVERIFY(w->lstExp->count() == 0 && w->lstHid->count() == 0);
        chooseRecipe(w->lstRecs, "Sponge");
        w->cmdROne->click();
        QCOMPARE(texts(w->lstRecs), QStringList{QStringLiteral("Babka")});

        // Page 1: a file must be chosen; the book itself never.
        env.dialogs.clear();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 1);
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::NoExportFile});
        env.dialogs.files << env.file(QStringLiteral("Recipes.XML"));
        w->cmdSaveAs->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>({Str::NoExportFile, Str::PrimaryBookRefused}));
        QVERIFY(w->exportPath().isEmpty());
        const QString existing = env.root() + QStringLiteral("/old.xml");
        env.write(QStringLiteral("../old.xml"), "keep me");
        env.dialogs.files << existing << existing;
        env.dialogs.answers << Answer::No << Answer::Yes;
        w->cmdSaveAs->click();
        QVERIFY(w->exportPath().isEmpty());
        w->cmdSaveAs->click();
        QCOMPARE(env.dialogs.messageIds(),
                 QList<Str>({Str::NoExportFile, Str::PrimaryBookRefused, Str::FileExists, Str::FileExists}));
        // Asked once, by the export: the dialog does not ask as well.
        for (const bdtest::ScriptedDialogs::Call& c : std::as_const(env.dialogs.calls))
            QVERIFY(c.kind != bdtest::ScriptedDialogs::Kind::SaveFile || !c.request.askBeforeReplacing);
        QCOMPARE(w->lblFile->text(), QStringLiteral("File name:  old.xml"));

        // Page 2 and back.
        w->cmdNext->click();
        w->cmdBack->click();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2);
        w->optImg->setChecked(true);
        env.dialogs.clear();
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ExportDone});
        RecipeBook out;
        QVERIFY(out.loadFile(existing));
        QCOMPARE(out.recipeTitles(0), QStringList{QStringLiteral("Sponge")});
        QVERIFY(QFileInfo(env.root() + QStringLiteral("/exp_img")).isDir());
        QTRY_VERIFY(instance(WindowKind::Br) && instance(WindowKind::Br)->isVisible());
        QTRY_VERIFY(!instance(WindowKind::Exp));
    }

    void exportFormatsByFileType()
    {
        bdtest::TestEnv env;
        fillBook();
        // Beside the book folder: the wizard writes nothing into it.
        const auto exported = [&](const char* name) { return env.root() + QLatin1Char('/') + QLatin1String(name); };
        const auto exportTo = [&](const QString& name, const std::function<void(frmExp*)>& choose) {
            auto* w = static_cast<frmExp*>(showWindow(WindowKind::Exp));
            w->cmdRAll->click(); // the cakes
            w->cmdNext->click();
            env.dialogs.files << env.root() + QLatin1Char('/') + name;
            w->cmdSaveAs->click();
            w->cmdNext->click();
            choose(w);
            env.dialogs.clear();
            w->cmdNext->click();
            QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ExportDone});
            QTRY_VERIFY(!instance(WindowKind::Exp));
        };
        // The file dialog offers every type.
        exportTo(QStringLiteral("cakes.mmf"), [&](frmExp* w) {
            const QString filter = env.dialogs.calls.last().request.filter;
            for (const char* type : {"*.xml", "*.mmf", "*.pdf", "*.html"})
                QVERIFY2(filter.contains(QLatin1String(type)), type);
            // MealMaster asks for the character set.
            QCOMPARE(w->currentPage(), 2);
            QVERIFY(w->picOptions->isVisible() && !w->picImages->isVisible());
            QCOMPARE(w->lblHeader->text(), fetchText(Str::ExportOptions));
            QCOMPARE(w->optSecond->text(), QStringLiteral("Windows-1252"));
            QVERIFY(!w->txtTitle->isVisible() && !w->optThird->isVisible());
            w->optSecond->setChecked(true);
        });
        const QByteArray mmf = bdtest::readFile(exported("cakes.mmf"));
        QVERIFY(mmf.startsWith("MMMMM----- Recipe via Meal-Master"));
        QCOMPARE(mmf.count("\r\nMMMMM\r\n"), 2);

        // The cookbook takes a title for its cover, the web page a place for
        // its pictures.
        exportTo(QStringLiteral("cakes.pdf"), [](frmExp* w) {
            QVERIFY(w->txtTitle->isVisible());
            QCOMPARE(w->txtTitle->text(), fetchText(Str::CookbookTitle));
            w->txtTitle->setText(QStringLiteral("Cakes We Love"));
        });
        QVERIFY(bdtest::readFile(exported("cakes.pdf")).startsWith("%PDF-"));
        exportTo(QStringLiteral("cakes.html"), [](frmExp* w) {
            QVERIFY(w->optThird->isVisible());
            QCOMPARE(w->optThird->text(), fetchText(Str::WebPicturesNone));
        });
        QVERIFY(bdtest::readFile(exported("cakes.html")).contains("Babka"));
    }

    void importPagesAndMessages()
    {
        bdtest::TestEnv env;
        fillBook();
        env.write(QStringLiteral("../in/notxml.xml"), "this is not < xml");
        env.write(QStringLiteral("../in/wrongroot.xml"), "<cookbook/>");
        env.write(QStringLiteral("../in/good.xml"),
                  "<recipebook><category cname=\"Soups\"><recipe><title>Miso</title></recipe>"
                  "<recipe><title>Leek</title><a/><a/><a/><a/><a/><a/><a/><a/></recipe></category>"
                  "<category cname=\"Pies\"><recipe><title>Pecan</title></recipe></category></recipebook>");
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        G.langOffset = 300; // the Spanish label is long: a chosen file is what counts
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::NoImportFile});

        env.dialogs.files << env.file(QStringLiteral("RECIPES.xml")) << env.root() + QStringLiteral("/in/notxml.xml")
                          << env.root() + QStringLiteral("/in/wrongroot.xml");
        w->cmdBrowse->click();
        QVERIFY(w->importPath().isEmpty());
        w->cmdBrowse->click();
        w->cmdNext->click();
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(),
                 QList<Str>({Str::NoImportFile, Str::PrimaryBookNotImported, Str::ImportFileInvalid,
                             Str::ImportFileInvalid, Str::ImportFileInvalid, Str::ImportFileInvalid}));
        QCOMPARE(w->currentPage(), 0);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);

        env.dialogs.clear();
        env.dialogs.files << env.root() + QStringLiteral("/in/good.xml");
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 1);
        QCOMPARE(texts(w->lstImpRecs), QStringList({QStringLiteral("Miso"), QStringLiteral("Leek"), QStringLiteral("Pecan")}));
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::NothingToImport});
        w->cmdChkAll->click();
        w->lstImpRecs->item(2)->setCheckState(Qt::Unchecked);
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2);
        w->cmdBack->click();
        QCOMPARE(w->lstImpRecs->item(0)->checkState(), Qt::Checked);
        QCOMPARE(w->lstImpRecs->item(2)->checkState(), Qt::Unchecked);
        w->cmdNext->click();

        // Leek clashes; the answer renames it.
        env.dialogs.inputs << QStringLiteral("Leek 2");
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>({Str::NothingToImport, Str::ImportDone}));
        QCOMPARE(bdtest::DiskBook().recipeTitles(0),
                 QStringList({QStringLiteral("Leek"), QStringLiteral("Borscht"), QStringLiteral("Miso"), QStringLiteral("Leek 2")}));
        QTRY_VERIFY(instance(WindowKind::Add) && instance(WindowKind::Add)->isVisible());

        // The same file again, the clash skipped: the numbers are said, not success.
        w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        env.dialogs.clear();
        env.dialogs.files << env.root() + QStringLiteral("/in/good.xml");
        env.dialogs.inputs << std::nullopt;
        w->cmdBrowse->click();
        w->cmdNext->click();
        w->lstImpRecs->item(1)->setCheckState(Qt::Checked);
        w->cmdNext->click();
        w->cmdNext->click();
        QCOMPARE(env.dialogs.last()->id, Str::ImportedCount);
        QCOMPARE(env.dialogs.last()->text, importSummary(0, 1, {}));
    }

    void importMealMaster()
    {
        bdtest::TestEnv env;
        fillBook();
        env.write(QStringLiteral("../in/soups.mmf"), "MMMMM----- Recipe via Meal-Master (tm) v8.05\n"
                                                    "Title: Leek\nCategories: Soups\n\n      2    Leeks\nMMMMM\n"
                                                    "MMMMM----- Recipe\nTitle: Miso\n\nSimmer.\nMMMMM\n"
                                                    "MMMMM----- Recipe\nCategories: Soups\nMMMMM\n");
        env.write(QStringLiteral("../in/notes.txt"), "Leeks are good.\n");
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        env.dialogs.files << env.root() + QStringLiteral("/in/notes.txt") << env.root() + QStringLiteral("/in/soups.mmf");
        w->cmdBrowse->click();
        QCOMPARE(
            qtFilter(env.dialogs.calls.first().request.filter),
            QStringLiteral(
                "All recipe files (*.xml *.mmf *.mm *.txt *.mxp *.mx2 *.rml *.recipeml *.html *.htm *.json "
                "*.cook *.paprikarecipes *.paprikarecipe *.melarecipes *.melarecipe *.crumb *.zip *.fdx *.fdxz "
                "*.mgourmet *.csv *.rk);;Recipe books (*.xml);;MealMaster files (*.mmf *.mm *.txt);;"
                "MasterCook files (*.mxp *.mx2 *.txt);;RecipeML files (*.xml *.rml *.recipeml);;"
                "Web pages (*.html *.htm *.json);;Cooklang files (*.cook);;"
                "Paprika, Mela, Crouton, Nextcloud, Mealie and Tandoor exports (*.paprikarecipes *.paprikarecipe "
                "*.melarecipes *.melarecipe *.crumb *.zip *.json);;Living Cookbook files (*.fdx *.fdxz);;"
                "MacGourmet files (*.mgourmet);;Recipe Keeper, CopyMeThat and BigOven exports (*.html *.htm *.zip);;"
                "Now You're Cooking! files (*.txt);;Saffron files (*.txt);;"
                "Plan to Eat and MyRecipeBox files (*.csv *.zip);;RezKonv files (*.txt *.rk);;All files (*)"));
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ImportFileInvalid});
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ImportFileInvalid});
        QCOMPARE(texts(w->lstImpRecs), QStringList({QStringLiteral("Leek"), QStringLiteral("Miso")}));

        // No picture page: the recipe page imports. Leek clashes and is skipped.
        w->cmdChkAll->click();
        env.dialogs.inputs << std::nullopt;
        w->cmdNext->click();
        QCOMPARE(env.dialogs.last()->id, Str::ImportedCount);
        QCOMPARE(env.dialogs.last()->text,
                 QStringLiteral("Recipes imported: 1\nRecipes skipped: 2\n"
                                "Unreadable recipes start on lines: 12"));
        RecipeBook disk;
        QVERIFY(disk.loadFile(bookPath()));
        QCOMPARE(disk.categoryName(2), QStringLiteral("Imported"));
        QCOMPARE(RecipeBook::fields(disk.findRecipe(2, QStringLiteral("Miso"))).prep, QStringLiteral("Simmer."));
        QCOMPARE(disk.recipeTitles(0), QStringList({QStringLiteral("Leek"), QStringLiteral("Borscht")}));
        QTRY_VERIFY(instance(WindowKind::Add) && instance(WindowKind::Add)->isVisible());
    }

    // Pictures a file holds (here as base64 text) are unpacked for the
    // wizard and stay until its last page has put them into the book.
    void importPicturesTheFileHolds()
    {
        bdtest::TestEnv env;
        fillBook();
        env.write(QStringLiteral("../in/tart.fdx"),
                  "<fdx Source=\"Living Cookbook 3.0\"><Recipes><Recipe Name=\"Tart\" ID=\"1\">"
                  "<RecipeImage xmlns:dt=\"urn:schemas-microsoft-com:datatypes\" dt:dt=\"bin.base64\">" +
                      bdtest::pngBytes(3, 2).toBase64() + "</RecipeImage></Recipe></Recipes></fdx>");
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        env.dialogs.files << env.root() + QStringLiteral("/in/tart.fdx");
        w->cmdBrowse->click();
        w->cmdNext->click();
        w->cmdChkAll->click();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2);
        w->cmdNext->click();
        QCOMPARE(env.dialogs.last()->text, QStringLiteral("Recipes imported: 1\nRecipes skipped: 0"));
        RecipeBook disk;
        QVERIFY(disk.loadFile(bookPath()));
        const Recipe tart = RecipeBook::fields(
            disk.findRecipe(disk.categoryPosition(QStringLiteral("Imported")), QStringLiteral("Tart")));
        QVERIFY(!tart.image.isEmpty());
        QCOMPARE(bdtest::readFile(imagesFolder() + QLatin1Char('/') + tart.image), bdtest::pngBytes(3, 2));
    }

    // Every question of the import has the keyboard: the progress dialog is
    // not over it, not even when the user takes a while to answer.
    // Enter presses the focused button: browse on a wizard's file page opens
    // the file dialog and stays there; from other controls it goes on. In
    // the other windows too.
    void enterPressesTheFocusedButton()
    {
        bdtest::TestEnv env;
        fillBook();
        installEnterRule();
        auto* w = static_cast<frmExp*>(showWindow(WindowKind::Exp));
        QVERIFY(QTest::qWaitForWindowActive(w));
        w->cmdRAll->click();
        QTest::keyClick(w->lstExp, Qt::Key_Return);
        QCOMPARE(w->currentPage(), 1);
        env.dialogs.clear();
        const QString file = env.root() + QStringLiteral("/cakes.xml");
        env.dialogs.files << file;
        w->cmdSaveAs->setFocus();
        QTest::keyClick(w->cmdSaveAs, Qt::Key_Return);
        QCOMPARE(env.dialogs.calls.size(), 1);
        QVERIFY(env.dialogs.calls[0].kind == bdtest::ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(w->currentPage(), 1);
        QCOMPARE(w->exportPath(), file);
        QTest::keyClick(w->cmdSaveAs, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(env.dialogs.calls.size(), 2);
        QCOMPARE(w->currentPage(), 1);
        w->cmdCancel->setFocus();
        QTest::keyClick(w->cmdCancel, Qt::Key_Return);
        QTRY_VERIFY(!instance(WindowKind::Exp));

        auto* br = instance(WindowKind::Br);
        QVERIFY(br);
        auto* search = openOver(br, WindowKind::Search);
        QVERIFY(QTest::qWaitForWindowActive(search));
        auto* close = search->findChild<QPushButton*>(QStringLiteral("cmdCancel"));
        close->setFocus();
        QTest::keyClick(close, Qt::Key_Return);
        QTRY_VERIFY(!instance(WindowKind::Search));
    }

    void importQuestionsKeepTheKeyboard()
    {
        bdtest::TestEnv env;
        fillBook();
        auto recipe = [](const char* title) {
            return "<recipe><title>" + QByteArray(title) + "</title><a/><a/><a/><a/><a/><a/><a/><a/></recipe>";
        };
        env.write(QStringLiteral("../in/clash.xml"), "<recipebook><category cname=\"Soups\">" + recipe("Leek") +
                                                         recipe("Miso") + recipe("Borscht") +
                                                         "</category></recipebook>");
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        QVERIFY(QTest::qWaitForWindowExposed(w));
        env.dialogs.files << env.root() + QStringLiteral("/in/clash.xml");
        w->cmdBrowse->click();
        w->cmdNext->click();
        w->cmdChkAll->click();
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2);

        // Each question takes longer than the work may run before its
        // progress shows; no timer of a progress dialog's own may show it
        // meanwhile either.
        bdtest::StillClock clock;
        int questions = 0;
        bool inTheWay = false, timed = false;
        std::function<void()> answerSlowly = [&] {
            ++questions;
            inTheWay = inTheWay || progressInTheWay();
            clock.now += WorkProgress::kShowAfterMs + 200;
            QCoreApplication::processEvents();
            inTheWay = inTheWay || progressInTheWay();
            for (QProgressDialog* d : w->findChildren<QProgressDialog*>())
                for (QTimer* t : d->findChildren<QTimer*>())
                    timed = timed || (t->isActive() && t->remainingTime() < 24 * 3600 * 1000);
            env.dialogs.whileOpen = answerSlowly;
        };
        env.dialogs.whileOpen = answerSlowly;
        env.dialogs.inputs << QStringLiteral("Apple Pie 3") << QStringLiteral("Borscht 2");
        w->cmdNext->click();
        QCOMPARE(questions, 3); // the two clashes and the closing message
        QVERIFY(!inTheWay && !timed);
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ImportDone});
        QCOMPARE(bdtest::DiskBook().recipeTitles(0),
                 QStringList({QStringLiteral("Leek"), QStringLiteral("Borscht"), QStringLiteral("Apple Pie 3"),
                              QStringLiteral("Miso"), QStringLiteral("Borscht 2")}));
    }

    // Shown after half a second of work, gone while a question is open, and
    // back only after another half second of work.
    void progressMakesWayForQuestions()
    {
        bdtest::TestEnv env;
        bdtest::StillClock clock;
        QWidget owner;
        owner.show();
        WorkProgress work(&owner, Str::Importing);
        QVERIFY(work.step(0, 10));
        QVERIFY(!progressInTheWay());
        clock.now += WorkProgress::kShowAfterMs - 1;
        QVERIFY(work.step(1, 10));
        QVERIFY(!work.dialog());
        clock.now += 40; // the dialog is looked at every 40 ms at most
        QVERIFY(work.step(1, 10));
        QVERIFY(work.dialog() && work.dialog()->isVisible());

        bool shownWhileAsked = true;
        env.dialogs.whileOpen = [&] {
            shownWhileAsked = progressInTheWay();
            clock.now += WorkProgress::kShowAfterMs + 100;
            QVERIFY(work.step(2, 10));
            shownWhileAsked = shownWhileAsked || progressInTheWay();
        };
        msgBox(Str::ImportDone);
        QVERIFY(!shownWhileAsked);
        QVERIFY(work.step(2, 10));
        QVERIFY(!work.dialog()->isVisible());
        clock.now += WorkProgress::kShowAfterMs - 1;
        QVERIFY(work.step(3, 10));
        QVERIFY(!work.dialog()->isVisible());
        clock.now += 40;
        QVERIFY(work.step(3, 10));
        QVERIFY(work.dialog()->isVisible());
        work.dialog()->cancel();
        QVERIFY(!work.step(4, 10));
    }

    // What is pressed behind the open file dialog waits for it: no second
    // dialog, no closing (assistive technology can press buttons behind a
    // modal dialog). Had the wizard gone, it would have taken the dialog, its
    // child on the stack of the code that asked, with it.
    void buttonsBehindARealFileDialogWait()
    {
        bdtest::TestEnv env;
        fillBook();
        QtDialogs qt;
        setDialogs(&qt);
        QPointer<frmExp> w = static_cast<frmExp*>(showWindow(WindowKind::Exp));
        w->cmdROne->click();
        w->cmdNext->click();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        // Once the file dialog is open: Cancel and the close box, then the
        // button once more; then every dialog is closed, counting the file
        // dialogs seen open at once. Each step waits for the one before.
        int mostOpen = 0, stage = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            int open = 0;
            for (QWidget* t : QApplication::topLevelWidgets())
                open += qobject_cast<QFileDialog*>(t) && t->isVisible();
            mostOpen = std::max(mostOpen, open);
            if (open == 0 && stage < 2)
                return;
            switch (stage++) {
            case 0:
                w->cmdCancel->click();
                w->close();
                break;
            case 1: w->cmdSaveAs->click(); break;
            default:
                if (QWidget* top = QApplication::activeModalWidget())
                    QMetaObject::invokeMethod(top, "reject");
            }
        });
        closer.start(50);
        w->cmdSaveAs->click();
        closer.stop();
        setDialogs(&env.dialogs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(mostOpen, 1);
        QVERIFY(w && w->isVisible());
        QCOMPARE(w->currentPage(), 1);
    }

    // A saved page whose recipe the book holds already, then the same
    // recipe's page from a web address with its picture.
    void importPagesFromFilesAndTheWeb()
    {
        bdtest::TestEnv env;
        fillBook();
        const QByteArray page =
            "<html><script type=\"application/ld+json\">[{\"@type\":\"Recipe\",\"name\":\"Leek\","
            "\"recipeIngredient\":[\"2 leeks\"]},{\"@type\":\"Recipe\",\"name\":\"Kale\","
            "\"recipeIngredient\":[\"1 kale\"],\"image\":\"/kale.png\",\"recipeCategory\":\"Greens\"}]"
            "</script></html>";
        env.write(QStringLiteral("../in/greens.html"), page);
        G.xmlDoc.findRecipe(0, QStringLiteral("Leek")).child("ing").text().set("2  leeks");
        bookStore().save();
        auto* w = static_cast<frmImp*>(showWindow(WindowKind::Imp));
        env.dialogs.files << env.root() + QStringLiteral("/in/greens.html");
        w->cmdBrowse->click();
        w->cmdNext->click();
        QCOMPARE(texts(w->lstImpRecs),
                 QStringList({QStringLiteral("Leek (already in the book)"), QStringLiteral("Kale")}));
        w->cmdChkAll->click();
        QCOMPARE(w->lstImpRecs->item(0)->checkState(), Qt::Unchecked);
        w->cmdBack->click();

        // A page on a local server: no address, a missing page, then the page.
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        connect(&server, &QTcpServer::newConnection, &server, [&server, page] {
            QTcpSocket* s = server.nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [s, page] {
                const QByteArray request = s->readAll();
                const bool picture = request.startsWith("GET /kale.png"), known = request.startsWith("GET /greens");
                const QByteArray body = picture ? QByteArray("\x89PNG\r\n\x1a\nkale")
                                        : known ? page
                                                : QByteArray("gone");
                s->write(QByteArray(known || picture ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found") +
                         "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
                         body);
                s->disconnectFromHost();
            });
        });
        const QString address = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
        env.dialogs.clear();
        env.dialogs.inputs << QStringLiteral("ftp://x") << address + QStringLiteral("old")
                           << address + QStringLiteral("greens");
        for (int i = 0; i < 3; ++i)
            w->cmdWeb->click();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>({Str::NotWebAddress, Str::WebNoConnection}));
        QCOMPARE(env.dialogs.calls[3].text, QStringLiteral("The web site answered with an error (404)."));
        QCOMPARE(w->importPath(), address + QStringLiteral("greens"));
        w->cmdNext->click();
        // What the book lacks comes ticked, so Next goes on at once.
        QCOMPARE(w->lstImpRecs->item(0)->checkState(), Qt::Unchecked);
        QCOMPARE(w->lstImpRecs->item(1)->checkState(), Qt::Checked);
        w->cmdNext->click();
        QCOMPARE(w->currentPage(), 2); // the picture page: the page's picture came along
        w->cmdNext->click();
        QCOMPARE(env.dialogs.last()->text, QStringLiteral("Recipes imported: 1\nRecipes skipped: 0"));
        RecipeBook disk;
        QVERIFY(disk.loadFile(bookPath()));
        const Recipe kale = RecipeBook::fields(
            disk.findRecipe(disk.categoryPosition(QStringLiteral("Greens")), QStringLiteral("Kale")));
        QCOMPARE(kale.ing, QStringLiteral("1 kale"));
        QVERIFY(kale.other.endsWith(address + QStringLiteral("greens")));
        QVERIFY(!kale.image.isEmpty());
        QVERIFY(QFileInfo::exists(imagesFolder() + QLatin1Char('/') + kale.image));
    }

    // The other versions of the book beside it are offered one after the
    // other, each saying whose it is; the import of each returns to the
    // browse window and comes with what the book lacks ticked, also from a
    // copy cut short, whose readable recipes the book holds are known.
    void conflictCopiesAreOfferedInTurn()
    {
        bdtest::TestEnv env;
        fillBook();
        // Recipes are told apart by title and ingredients.
        for (pugi::xml_node c = G.xmlDoc.root().child("category"); c; c = c.next_sibling("category"))
            for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
                r.child("ing").text().set("salt");
        QVERIFY(bookStore().save());
        auto withRecipes = [](const QStringList& titles) {
            RecipeBook other;
            other.loadFile(bookPath());
            for (const QString& title : titles) {
                Recipe r = bdtest::titled(title);
                r.ing = QStringLiteral("kale");
                other.appendRecipe(0, r);
            }
            return other.serialize();
        };
        const QString longTitle = QStringLiteral("Kale soup with ") + QStringLiteral("beans and greens ").repeated(12);
        const QString sync = env.file(QStringLiteral("recipes.sync-conflict-20261207-101010-XYZ.xml"));
        bdtest::writeFile(sync, withRecipes({QStringLiteral("Kale soup"), longTitle.trimmed()}));
        // This program's own copy, damaged: it ends inside its last recipe.
        const QString own = env.file(QStringLiteral("recipes-conflict-2026-12-07-111111.xml"));
        const QByteArray whole = withRecipes({QStringLiteral("Pea soup"), QStringLiteral("Cut short")});
        bdtest::writeFile(own, whole.left(whole.indexOf("Cut short") + 4));
        QFile(sync).setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime);
        QCOMPARE(conflictCopies(bookPath()), QStringList({sync, own}));

        auto ticked = [](const QListWidget* list) {
            QStringList out;
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->checkState() == Qt::Checked)
                    out << list->item(i)->text();
            return out;
        };
        auto finishImport = [](frmImp* w) {
            w->cmdNext->click();
            if (w->currentPage() == 2) // the picture page
                w->cmdNext->click();
        };

        QWidget* browse = showWindow(WindowKind::Br);
        env.dialogs.answers << Answer::Yes;
        offerConflictCopies();
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::ConflictCopyFound});
        QVERIFY(env.dialogs.last()->text.contains(QFileInfo(sync).fileName()));
        QPointer<frmImp> w = qobject_cast<frmImp*>(instance(WindowKind::Imp));
        QVERIFY(w);
        QCOMPARE(w->currentPage(), 1);
        QCOMPARE(ticked(w->lstImpRecs), QStringList({QStringLiteral("Kale soup"), longTitle.trimmed()}));
        // Each entry on one line, however long, in a window of its size.
        QVERIFY(!w->lstImpRecs->wordWrap());
        QListWidgetItem* longEntry = w->lstImpRecs->findItems(longTitle.trimmed(), Qt::MatchExactly).value(0);
        QTRY_VERIFY(w->lstImpRecs->visualItemRect(longEntry).isValid());
        QCOMPARE(w->lstImpRecs->visualItemRect(longEntry).height(),
                 w->lstImpRecs->visualItemRect(w->lstImpRecs->item(0)).height());
        QVERIFY(w->lstImpRecs->horizontalScrollBar()->maximum() == 0);

        env.dialogs.clear();
        env.dialogs.answers << Answer::Ok << Answer::No;
        finishImport(w);
        QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("Kale soup")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);
        QVERIFY(!instance(WindowKind::Add)); // back in browse, not in the add window
        QVERIFY(instance(WindowKind::Br) && instance(WindowKind::Br) != browse &&
                instance(WindowKind::Br)->isVisible());

        // Then the next copy: this program's own, said as such.
        QTRY_COMPARE(env.dialogs.messageIds().size(), 2);
        QCOMPARE(env.dialogs.calls[1].id, Str::OwnConflictCopyFound);
        QVERIFY(env.dialogs.calls[1].text.contains(QFileInfo(own).fileName()));
        QVERIFY(!env.dialogs.calls[1].text.contains(QLatin1String("in step")));
        QVERIFY(!instance(WindowKind::Imp)); // answered No

        // Offered once each: taken up now, it comes with what the book
        // lacks ticked and what it holds marked so.
        writeValue(QStringLiteral("conflictsOffered"), QFileInfo(sync).fileName());
        env.dialogs.clear();
        env.dialogs.answers << Answer::Yes;
        offerConflictCopies();
        w = qobject_cast<frmImp*>(instance(WindowKind::Imp));
        QVERIFY(w);
        // The copy ends inside the soups: the cakes after them are lost.
        const QString inBook = QLatin1Char(' ') + fetchText(Str::AlreadyInBook);
        QCOMPARE(texts(w->lstImpRecs), QStringList({QStringLiteral("Leek") + inBook, QStringLiteral("Borscht") + inBook,
                                                    QStringLiteral("Pea soup")}));
        QCOMPARE(ticked(w->lstImpRecs), QStringList{QStringLiteral("Pea soup")});
        env.dialogs.clear();
        finishImport(w);
        QVERIFY(bdtest::DiskBook().titleExists(QStringLiteral("Pea soup")));
        for (const bdtest::ScriptedDialogs::Call& c : std::as_const(env.dialogs.calls))
            QVERIFY(c.kind != bdtest::ScriptedDialogs::Kind::Input); // no title asked for
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QVERIFY(!instance(WindowKind::Imp));
    }
};

QTEST_MAIN(TestWizards)
#include "tst_wizards.moc"
