// The plain-text view: the text built from the shown recipe, the clipboard,
// the saved file, and the browse window enabled again however it closes.

#include "app/application.h"
#include "app/globals.h"
#include "app/windows.h"
#include "browse/frmBr.h"
#include "output/frmPlainText.h"
#include "output/plaintext.h"
#include "resources/strings.h"
#include "store/store.h"
#include "guitest.h"
#include "testsupport.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

using namespace bd;

namespace {

struct Opened {
    frmBr* br = nullptr;
    frmPlainText* text = nullptr;
};

// A book with one recipe whose yield and notes are empty, and another.
Opened openOverBook()
{
    RecipeBook& b = G.xmlDoc;
    b.appendCategory(QStringLiteral("Bread"));
    RecipeFields f;
    f.title = QStringLiteral("Soda bread");
    f.preptime = QStringLiteral("10 min");
    f.cooktime = QStringLiteral("45 min");
    f.ing = QStringLiteral("flour\nbuttermilk");
    f.prep = QString::fromUtf8("Mix.\nBake at 200 °C.");
    b.appendRecipe(0, f);
    f.title = QStringLiteral("Bagels");
    b.appendRecipe(0, f);
    if (!saveBook())
        return {};
    registerStandardWindows(); // the browse window's menu opens the real window
    Opened o;
    o.br = static_cast<frmBr*>(showWindow(WindowKind::Br));
    o.br->lstRecs->setCurrentRow(1); // Soda bread
    o.br->mnuPlainText->trigger();
    o.text = qobject_cast<frmPlainText*>(instance(WindowKind::PlainText));
    return o;
}

const QString kSodaBread = QString::fromUtf8(
    "Soda bread\r\n\r\n"
    "*Prep Time: 10 min\r\n"
    "*Cook Time: 45 min\r\n"
    "*Yield: \r\n\r\n"
    "*Ingredients\r\nflour\r\nbuttermilk\r\n\r\n"
    "*Preparation\r\nMix.\r\nBake at 200 °C.\r\n\r\n"
    "*Special Notes\r\n\r\n\r\n");

} // namespace

class TestPlainText : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void everySectionIsWrittenEvenWhenEmpty()
    {
        G.reset();
        QCOMPARE(plainTextRecipe(ShownRecipe{}),
                 QStringLiteral("\r\n\r\n*Prep Time: \r\n*Cook Time: \r\n*Yield: \r\n\r\n"
                                "*Ingredients\r\n\r\n\r\n*Preparation\r\n\r\n\r\n*Special Notes\r\n\r\n\r\n"));
        // Line breaks inside fields become CR LF, whichever way they came.
        ShownRecipe r;
        r.title = QStringLiteral("T");
        r.yield = QStringLiteral("4");
        r.ingredients = QStringLiteral("a\nb\r\nc");
        r.notes = QStringLiteral("n");
        QCOMPARE(plainTextRecipe(r),
                 QStringLiteral("T\r\n\r\n*Prep Time: \r\n*Cook Time: \r\n*Yield: 4\r\n\r\n"
                                "*Ingredients\r\na\r\nb\r\nc\r\n\r\n*Preparation\r\n\r\n\r\n*Special Notes\r\nn\r\n\r\n"));
        G.langOffset = 300;
        QVERIFY(plainTextRecipe(r).contains(QLatin1Char('*') + fetchText(110) + QStringLiteral(": 4\r\n")));
        QVERIFY(plainTextRecipe(r).contains(QLatin1Char('*') + fetchText(102) + QStringLiteral("\r\na\r\n")));
        G.reset();
    }

    void showsTheRecipeTheBrowseWindowShows()
    {
        bdtest::TestEnv env;
        const Opened o = openOverBook();
        QVERIFY(o.text);
        QVERIFY(!o.br->isEnabled());
        QCOMPARE(o.text->windowTitle(), QStringLiteral("BD | Plain Text View"));
        QCOMPARE(o.text->plainText(), kSodaBread);
        QCOMPARE(o.text->text1->toPlainText(), QString(kSodaBread).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));

        // Copy puts the whole text on the clipboard, CR LF and all.
        QGuiApplication::clipboard()->setText(QStringLiteral("old"));
        o.text->Command2->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), kSodaBread);
    }

    void savesTheTextWithOneMoreLineBreak()
    {
        bdtest::TestEnv env;
        const Opened o = openOverBook();
        const QString path = env.root() + QStringLiteral("/Soda bread");
        env.dialogs.files << path;
        o.text->cmdSave->click();
        const bdtest::ScriptedDialogs::Call* ask = env.dialogs.last();
        QVERIFY(ask);
        QCOMPARE(ask->kind, bdtest::ScriptedDialogs::Kind::SaveFile);
        QCOMPARE(ask->request.title, QStringLiteral("Save As..."));
        QCOMPARE(ask->request.filter, QStringLiteral("(*.txt)|*.txt"));
        QCOMPARE(ask->request.fileName, QStringLiteral("Soda bread"));
        QVERIFY(env.dialogs.messageIds().isEmpty());
        QFile saved(path); // no extension added
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), (kSodaBread + QStringLiteral("\r\n")).toUtf8());
        saved.close();

        // Saving over a file replaces it.
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(5000, 'x'));
        old.close();
        env.dialogs.files << path;
        o.text->cmdSave->click();
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), (kSodaBread + QStringLiteral("\r\n")).toUtf8());

        // Cancelling writes nothing and says nothing.
        env.dialogs.clear();
        o.text->cmdSave->click();
        QVERIFY(env.dialogs.messageIds().isEmpty());
    }

    void aFailedSaveIsReportedAndLeavesNoFile()
    {
        bdtest::TestEnv env;
        const Opened o = openOverBook();
        const QString folder = env.root() + QStringLiteral("/missing");
        env.dialogs.files << folder + QStringLiteral("/recipe.txt");
        o.text->cmdSave->click();
        QCOMPARE(env.dialogs.messageIds(), QList<int>{Str::TextFileNotSaved});
        QVERIFY(env.dialogs.last()->text.startsWith(fetchText(Str::TextFileNotSaved)));
        QVERIFY(env.dialogs.last()->text.contains(QStringLiteral("recipe.txt")));
        QVERIFY(!QFileInfo::exists(folder));
    }

    void everyWayOfClosingEnablesTheBrowseWindow_data() { bdtest::addCloseWays(); }

    void everyWayOfClosingEnablesTheBrowseWindow()
    {
        QFETCH(bdtest::CloseWay, way);
        bdtest::TestEnv env;
        const Opened o = openOverBook();
        QVERIFY(!o.br->isEnabled());
        QVERIFY(bdtest::closeBy(way, o.text, o.text->cmdDone, o.text->text1));
        QVERIFY(o.br->isEnabled());
        QVERIFY(!endRequested());
    }
};

QTEST_MAIN(TestPlainText)
#include "tst_plaintext.moc"
