// A recipe put out: the print page byte for byte, escaping, and printing
// from the browse window through the dialog seam; the plain-text view: the
// text built from the shown recipe, the clipboard, the saved file, and the
// browse window enabled again however it closes.

#include "app/application.h"
#include "app/base/globals.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "output/cookbook.h"
#include "output/frmPlainText.h"
#include "output/plaintext.h"
#include "output/printpage.h"
#include "app/base/text.h"
#include "store/store.h"
#include "guitest.h"
#include "testsupport.h"

#include <algorithm>

#include <QAction>
#include <QBuffer>
#include <QPdfWriter>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

using namespace bd;

namespace {

// The page's lines, given separated by "|".
QByteArray page(const char* lines) { return QString::fromUtf8(lines).split(QLatin1Char('|')).join(QStringLiteral("\r\n")).toUtf8() + "\r\n"; }

#define HEAD "<html><body bgcolor='#FFFFFF'>|<center>|<table width=550><tr><td>|<center>|"
#define CAP "<td align=center><font face='Tahoma' size=2><b>|"
#define VAL "<td align=center><font face='Tahoma' size=2>|"
#define FOOT "<br><font face='Tahoma' size=2>Quendrel - Brindelle<br>|brindelle.quendrel.example|</font></center>|</body></html>"

struct Opened {
    frmBr* br = nullptr;
    frmPlainText* text = nullptr;
};

// A book with one recipe whose yield and notes are empty, and another.
Opened openOverBook()
{
    RecipeBook& b = G.xmlDoc;
    b.appendCategory(QStringLiteral("Bread"));
    Recipe f;
    f.title = QStringLiteral("Soda bread");
    f.preptime = QStringLiteral("10 min");
    f.cooktime = QStringLiteral("45 min");
    f.ing = QStringLiteral("flour\nbuttermilk");
    f.prep = QString::fromUtf8("Mix.\nBake at 200 °C.");
    b.appendRecipe(0, f);
    f.title = QStringLiteral("Bagels");
    b.appendRecipe(0, f);
    if (!bookStore().save())
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

class TestOutput : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void everySectionIsWrittenEvenWhenEmpty()
    {
        G.reset();
        // Line breaks inside fields become CR LF, whichever way they came.
        Recipe r;
        r.title = QStringLiteral("T");
        r.yield = QStringLiteral("4");
        r.ing = QStringLiteral("a\nb\r\nc");
        r.other = QStringLiteral("n");
        QCOMPARE(plainTextRecipe(r),
                 QStringLiteral("T\r\n\r\n*Prep Time: \r\n*Cook Time: \r\n*Yield: 4\r\n\r\n"
                                "*Ingredients\r\na\r\nb\r\nc\r\n\r\n*Preparation\r\n\r\n\r\n*Special Notes\r\nn\r\n\r\n"));
        G.langOffset = 300;
        QVERIFY(plainTextRecipe(r).contains(QLatin1Char('*') + fetchText(Str::Yield) + QStringLiteral(": 4\r\n")));
        G.reset();
    }

    void showsTheRecipeTheBrowseWindowShows()
    {
        bdtest::TestEnv env;
        const Opened o = openOverBook();
        QVERIFY(o.text);
        QVERIFY(!o.br->isEnabled());
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
        QCOMPARE(qtFilter(ask->request.filter), QStringLiteral("Text files (*.txt)"));
        QCOMPARE(ask->request.fileName, QStringLiteral("Soda bread"));
        // An existing file is replaced only when the user says so in the dialog.
        QVERIFY(ask->request.askBeforeReplacing);
        QVERIFY(env.dialogs.messageIds().isEmpty());
        const QByteArray bytes = (kSodaBread + QStringLiteral("\r\n")).toUtf8();
        QCOMPARE(bdtest::readFile(path), bytes); // no extension added

        // Saving over a file replaces it.
        bdtest::writeFile(path, QByteArray(5000, 'x'));
        env.dialogs.files << path;
        o.text->cmdSave->click();
        QCOMPARE(bdtest::readFile(path), bytes);

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
        QCOMPARE(env.dialogs.messageIds(), QList<Str>{Str::TextFileNotSaved});
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

    void pageBytesForFullAndSparseRecipes()
    {
        bdtest::TestEnv env;
        env.write(QStringLiteral("quendrel.gif"), "GIF89a");
        const QString path = prepTempPrint({QStringLiteral("Apple pie"),
                                            QStringLiteral("10 min"),
                                            QStringLiteral("1 h"),
                                            QStringLiteral("4"),
                                            QStringLiteral("apples\nbutter"),
                                            QStringLiteral("Mix.\r\nBake."),
                                            QStringLiteral("Serve warm."),
                                            {},
                                            {},
                                            {}});
        // Written in a private folder, not in the book folder, where a link
        // placed by someone else could lead the page onto another file.
        QVERIFY(!path.startsWith(env.appPath()));
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("recipe.htm"));
        QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).permissions() &
                     (QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
                 QFile::Permissions());
        QCOMPARE(bdtest::readFile(QFileInfo(path).absolutePath() + QStringLiteral("/quendrel.gif")),
                 QByteArray("GIF89a"));
        QCOMPARE(
            bdtest::readFile(path),
            page(HEAD
                 "<img src='quendrel.gif' border=0><font face='Verdana' size=5><b>|Apple pie|"
                 "</center><br></td></tr></table>|<table cellpadding=5><tr>|" CAP "Prep Time|</font></b></td>|" CAP
                 "Cook Time|</font></b></td>|" CAP "Yield|</font></b></td>|"
                 "</tr><tr>|" VAL "10 min|</font></td>|" VAL "1 h|</font></td>|" VAL "4|</font></td>|</tr></table>|"
                 "<br><table><tr>|<td><center>|<font face='Tahoma' size=2><b>|Ingredients|</b></font><br></center>|"
                 "<font face='Tahoma' size=2>|apples<br>\nbutter|</font></td></tr></table>|"
                 "<table width=480><tr><td><center><br>|<font face='Tahoma' size=2><b>|Preparation|"
                 "</b></font><br></center>|<font face='Tahoma' size=2>|Mix.<br>\nBake.|</font><br></td></tr></table>|"
                 "<table width=480><tr><td><center><br>|<font face='Tahoma' size=2><b>|Special Notes|</b></font><br>|"
                 "<font face='Tahoma' size=2>|Serve warm.|</font><br></center></td></tr></table>|" FOOT));

        // No logo, no cook time or yield, no sections: one cell in each row.
        QFile::remove(env.file(QStringLiteral("quendrel.gif")));
        QCOMPARE(prepTempPrint({QStringLiteral("Toast"), QStringLiteral("2 min"), {}, {}, {}, {}, {}, {}, {}, {}}),
                 path);
        QCOMPARE(bdtest::readFile(path),
                 page(HEAD "<font face='Verdana' size=5><b>|Toast|</center><br></td></tr></table>|"
                           "<table cellpadding=5><tr>|" CAP "Prep Time|</font></b></td>|</tr><tr>|" VAL
                           "2 min|</font></td>|"
                           "</tr></table>|" FOOT));
    }

    void markupInARecipeIsPrintedAsText()
    {
        QCOMPARE(pageText(QString::fromUtf8("bake at < 200\xC2\xB0 & \"don't\"\n<b>")),
                 QString::fromUtf8("bake at &lt; 200\xC2\xB0 &amp; &quot;don&#39;t&quot;<br>\n&lt;b&gt;"));
        bdtest::TestEnv env;
        QTextDocument doc;
        // A title that looks like markup, or like an escaped character, is shown as typed.
        const QString title = QStringLiteral("Pie &lt;3 <b>x</b>");
        QVERIFY(loadPrintPage(
            doc, prepTempPrint({title, {}, {}, {}, QStringLiteral("Fish & chips\n<b>salt</b>"), {}, {}, {}, {}, {}})));
        QStringList shown;
        for (const QString& line : doc.toPlainText().split(QLatin1Char('\n')))
            shown << line.trimmed();
        QVERIFY2(shown.contains(title), qPrintable(doc.toPlainText()));
        QVERIFY(shown.contains(QStringLiteral("Fish & chips")));
        QVERIFY(shown.contains(QStringLiteral("<b>salt</b>")));
        QVERIFY(doc.find(QStringLiteral("salt")).charFormat().fontWeight() <= QFont::Normal);
    }

    void browseWindowPrintsAndPreviewsInTheUsersLanguage()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("pies"));
        Recipe pie;
        pie.title = QStringLiteral("Pecan pie");
        pie.ing = QStringLiteral("pecans\nsugar");
        G.xmlDoc.appendRecipe(0, pie);
        QVERIFY(bookStore().save());
        G.langOffset = 300;
        frmBr w;
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("pies")));
        w.cmdPrint->click();
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.calls.size(), 2);
        QCOMPARE(env.dialogs.calls[0].kind, bdtest::ScriptedDialogs::Kind::Print);
        QCOMPARE(env.dialogs.calls[1].kind, bdtest::ScriptedDialogs::Kind::Preview);
        for (const auto& call : env.dialogs.calls)
            for (const char* text : {"Pecan pie", "Ingredientes", "pecans\nsugar", "brindelle.quendrel.example/es"})
                QVERIFY2(call.document.contains(QLatin1String(text)), text);

#ifdef Q_OS_UNIX
        // A link named recipe.htm in the book folder leads nothing anywhere.
        env.write(QStringLiteral("victim.txt"), "the cook's file");
        QVERIFY(QFile::link(env.file(QStringLiteral("victim.txt")), env.file(QStringLiteral("recipe.htm"))));
        w.cmdPrint->click();
        QCOMPARE(env.read(QStringLiteral("victim.txt")), QByteArray("the cook's file"));
        QVERIFY(QFileInfo(env.file(QStringLiteral("recipe.htm"))).isSymLink());
#endif

        // A page that cannot be written is reported; nothing is printed.
        const QString page = prepTempPrint({QStringLiteral("x"), {}, {}, {}, {}, {}, {}, {}, {}, {}});
        QVERIFY(QFile::remove(page));
        QVERIFY(QDir().mkpath(page + QStringLiteral("/blocked")));
        env.dialogs.clear();
        w.mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.messageIds(), (QList<Str>{Str::PrintPageNotWritten}));
        QVERIFY(QDir(page).removeRecursively());
    }

    void cookbookOrderAndPages()
    {
        bdtest::TestEnv env;
        const auto recipe = [](const char* title, const char* category) {
            Recipe r;
            r.title = QString::fromUtf8(title);
            r.category = QString::fromUtf8(category);
            r.ing = QStringLiteral("1 c flour\n2 eggs");
            r.prep = QStringLiteral("Mix.\n\nBake.");
            return r;
        };
        const QVector<Recipe> recipes = {recipe("Zucchini bread", "Breads"), recipe("apple cake", "Cakes"),
                                         recipe("Éclairs", "Cakes"),         recipe("Babka", "Cakes"),
                                         recipe("Almond bread", "Breads"),   recipe("10-minute soup", "Soups")};
        // Chapters and their recipes A-Z, letter case and accents aside.
        const CookbookPlan plan = planCookbook(recipes);
        QStringList chapters, order, index;
        for (const CookbookPlan::Chapter& c : plan.chapters) {
            chapters << c.name;
            for (int i : c.recipes)
                order << plan.recipes[i].title;
        }
        for (int i : plan.index)
            index << plan.recipes[i].title;
        QCOMPARE(chapters, QStringList({QStringLiteral("Breads"), QStringLiteral("Cakes"), QStringLiteral("Soups")}));
        QCOMPARE(order.join(QLatin1Char('|')),
                 QString::fromUtf8("Almond bread|Zucchini bread|apple cake|Babka|Éclairs|10-minute soup"));
        QCOMPARE(index.join(QLatin1Char('|')),
                 QString::fromUtf8("10-minute soup|Almond bread|apple cake|Babka|Éclairs|Zucchini bread"));

        // Laid out on A4: the cover, the contents, a page per chapter (the
        // recipes flowing on) and the index.
        QBuffer pdf;
        pdf.open(QIODevice::WriteOnly);
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        // How many lines go on a page depends on the fonts installed: the
        // pages are checked for their order, not their numbers.
        Cookbook flowing(recipes, {});
        const int flowingPages = flowing.layoutFor(&writer);
        const PageNumbers& flow = flowing.pages();
        QCOMPARE(flow.chapters.size(), 3);
        QVERIFY(flow.chapters[0] >= 3); // after the cover and the contents
        for (int c = 0; c < plan.chapters.size(); ++c) {
            const int next = c + 1 < plan.chapters.size() ? flow.chapters[c + 1] : flowingPages;
            QVERIFY(flow.chapters[c] < next); // each chapter starts a page
            int last = flow.chapters[c];
            for (int i : plan.chapters[c].recipes) {
                QVERIFY(flow.recipes[i] >= last && flow.recipes[i] <= next - (c + 1 < plan.chapters.size()));
                last = flow.recipes[i];
            }
            QCOMPARE(flow.recipes[plan.chapters[c].recipes.first()], flow.chapters[c]);
        }
        QVERIFY(flowingPages > *std::max_element(flow.recipes.begin(), flow.recipes.end())); // the index
        const QString text = flowing.toPlainText();
        QVERIFY(text.startsWith(QString::fromUtf8(" \nRecipe Book\n6 recipes\nContents\nBreads\nAlmond bread\n")));
        QVERIFY(text.contains(
            QStringLiteral("\nIndex\n#\n10-minute soup (Soups)\nA\nAlmond bread (Breads)\napple cake (Cakes)\n")));

        // One recipe a page; long recipes that would start at a page's foot
        // go to the next page.
        CookbookOptions perPage;
        perPage.recipePerPage = true;
        perPage.title = QStringLiteral("Ours");
        Cookbook paged(recipes, perPage);
        const int pagedPages = paged.layoutFor(&writer);
        int previous = 0;
        for (const CookbookPlan::Chapter& c : plan.chapters)
            for (int i : c.recipes) {
                QVERIFY(paged.pages().recipes[i] > previous);
                previous = paged.pages().recipes[i];
            }
        QVERIFY(pagedPages > previous);
        QVERIFY(pagedPages > flowingPages);
        QVector<Recipe> many;
        for (int i = 0; i < 12; ++i) {
            many << recipe("Stew", "Stews");
            many.back().title += QString::number(i);
            many.back().prep = QStringLiteral("Stir.\n").repeated(20 + i);
        }
        Cookbook moving(many, {});
        moving.layoutFor(&writer);
        QVERIFY(!moving.pages().moved.isEmpty());
        for (int i : moving.pages().moved)
            QVERIFY(moving.pages().recipes[i] > moving.pages().recipes[i > 0 ? i - 1 : 0] || i == 0);

        // The PDF holds every page, and a picture where the recipe has one.
        QVERIFY(writeCookbookPdf(env.file(QStringLiteral("plain.pdf")), recipes, {}));
        const QByteArray plain = env.read(QStringLiteral("plain.pdf"));
        QVERIFY(plain.startsWith("%PDF-"));
        QVERIFY(plain.contains("/Count ") && !plain.contains("/Subtype /Image"));
        QVector<Recipe> pictured = recipes;
        pictured[3].image = QStringLiteral("babka.png");
        env.write(QStringLiteral("images/babka.png"), bdtest::pngBytes(60, 40));
        CookbookOptions withPictures;
        withPictures.imagesFolder = env.file(QStringLiteral("images"));
        QVERIFY(writeCookbookPdf(env.file(QStringLiteral("book.pdf")), pictured, withPictures));
        QVERIFY(env.read(QStringLiteral("book.pdf")).contains("/Subtype /Image"));
    }

    // What the cookbook says of a recipe, in print and on the web page: the
    // times under their own labels, headings among the ingredients as
    // headings, web addresses of the texts as links (on the web page),
    // and the cover's count of a book of one recipe.
    void cookbookTextsHeadingsAndLinks()
    {
        bdtest::TestEnv env;
        Recipe r;
        r.title = QStringLiteral("Fish pie");
        r.category = QStringLiteral("Fish");
        r.preptime = QStringLiteral("10 min");
        r.cooktime = QStringLiteral("45 min");
        r.yield = QStringLiteral("4");
        r.ing = QStringLiteral("500 g cod\nGARNISHES\n1 lemon\n2 tb parsley\n\nFor the sauce:\n1 c milk\nSALT");
        r.prep = QStringLiteral("Bake (see https://example.org/pie?a=1&b=2).");
        r.other = QStringLiteral("From www.abuela.es/receta, and http://x.test/a_(b).\n"
                                 "Not javascript:alert(1) nor \"https://q.test/\"><script>");
        const CookbookPlan plan = planCookbook({r});
        for (const int language : {0, 300}) {
            G.langOffset = language;
            QTextDocument print;
            print.setHtml(cookbookHtml(plan, {}, BookMarkup::Print, nullptr, {}));
            const QString text = print.toPlainText();
            QVERIFY2(text.contains(fetchText(Str::PrepTime) + QStringLiteral(": 10 min")) &&
                         text.contains(fetchText(Str::CookTime) + QStringLiteral(": 45 min")) &&
                         text.contains(fetchText(Str::Yield) + QStringLiteral(": 4")),
                     qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("\n") +
                                  (language ? QStringLiteral("1 receta") : QStringLiteral("1 recipe")) +
                                  QStringLiteral("\n")));
            // The headings among the ingredients; the last line heads nothing.
            QStringList headings;
            for (QTextBlock b = print.begin(); b.isValid(); b = b.next())
                if (b.blockFormat().headingLevel() == 4)
                    headings << b.text();
            QCOMPARE(headings, QStringList({QStringLiteral("GARNISHES"), QStringLiteral("For the sauce:")}));
            QVERIFY(print.find(QStringLiteral("SALT")).charFormat().fontWeight() <= QFont::Normal);
        }
        G.langOffset = 0;
        const QString web = cookbookHtml(plan, {}, BookMarkup::Web, nullptr, {});
        QVERIFY(web.contains(QStringLiteral("<h4>GARNISHES</h4>")));
        QVERIFY2(web.contains(QStringLiteral("(see <a href=\"https://example.org/pie?a=1&amp;b=2\">"
                                             "https://example.org/pie?a=1&amp;b=2</a>).")),
                 qPrintable(web));
        QVERIFY(
            web.contains(QStringLiteral("<a href=\"https://www.abuela.es/receta\">www.abuela.es/receta</a>, and ")));
        QVERIFY(web.contains(QStringLiteral("<a href=\"http://x.test/a_(b)\">http://x.test/a_(b)</a>.")));
        QVERIFY(web.contains(QStringLiteral("Not javascript:alert(1) nor &quot;<a href=\"https://q.test/\">"
                                            "https://q.test/</a>&quot;&gt;&lt;script&gt;")));
        QVERIFY(!web.contains(QStringLiteral("<script")));
        // The page of print has no links: they would print as nothing more.
        QVERIFY(!cookbookHtml(plan, {}, BookMarkup::Print, nullptr, {}).contains(QStringLiteral("href")));
    }

    void printCategoryFromTheBrowseWindow()
    {
        bdtest::TestEnv env;
        G.xmlDoc.appendCategory(QStringLiteral("Tartas"));
        G.xmlDoc.appendCategory(QStringLiteral("Empty"));
        for (const char* title : {"Tarta de Santiago", "Tarta de queso"}) {
            Recipe r;
            r.title = QString::fromUtf8(title);
            r.ing = QStringLiteral("250 g almendra");
            r.image = QStringLiteral("pic.png");
            G.xmlDoc.appendRecipe(0, r);
        }
        env.write(QStringLiteral("images/pic.png"), bdtest::pngBytes(60, 40));
        QVERIFY(bookStore().save());
        G.langOffset = 300;
        frmBr w;
        QCOMPARE(w.mnuPrintCat->text(), fetchText(Str::PrintCategory));
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("Tartas")));
        w.mnuPrintCat->trigger();
        QCOMPARE(env.dialogs.calls.size(), 1);
        const auto& call = env.dialogs.calls[0];
        QCOMPARE(call.kind, bdtest::ScriptedDialogs::Kind::Preview);
        QCOMPARE(call.pages, 4); // cover, contents, the chapter, index
        for (const char* text : {"Tartas", "2 recetas", "Contenido", "Tarta de queso", "Ingredientes", "250 g almendra",
                                 "Índice alfabético"})
            QVERIFY2(call.document.contains(QString::fromUtf8(text)), text);
        QCOMPARE(call.document.count(QChar::ObjectReplacementCharacter), 2); // the pictures

        // A category without recipes prints nothing.
        w.cboCats->setCurrentIndex(w.cboCats->findText(QStringLiteral("Empty")));
        w.mnuPrintCat->trigger();
        QCOMPARE(env.dialogs.calls.size(), 1);
    }
};

QTEST_MAIN(TestOutput)
#include "tst_output.moc"
