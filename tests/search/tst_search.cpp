// The search: which fields are searched, how words are compared (folded:
// no case, no accents), what a query means, the folding matcher against
// folding as QStrings; the search window driven as a user would, over a
// live browse window; and the command line's search.

#include "app/application.h"
#include "app/commandline.h"
#include "app/startup.h"
#include "app/base/booklock.h"
#include "app/base/globals.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "app/base/text.h"
#include "search/fold.h"
#include "search/frmSearch.h"
#include "search/query.h"
#include "search/search.h"
#include "store/store.h"
#include "guitest.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>
#include <QScrollBar>
#include <QtTest>

using namespace bd;

namespace {

Recipe recipe(const QString& title, const QString& ing = {}, const QString& preptime = {})
{
    Recipe f;
    f.title = title;
    f.ing = ing;
    f.preptime = preptime;
    return f;
}

// Soups (0) and Desserts (1); pie turns up in both, and first in the
// category that lists second.
void fillBook()
{
    RecipeBook& b = G.xmlDoc;
    b.appendCategory(QStringLiteral("Soups"));
    b.appendCategory(QStringLiteral("Desserts"));
    b.appendRecipe(0, recipe(QStringLiteral("Leek soup"), QStringLiteral("leeks"), QStringLiteral("5 min")));
    b.appendRecipe(0, recipe(QStringLiteral("Pie soup"), QStringLiteral("pastry"), QStringLiteral("10 min")));
    b.appendRecipe(1, recipe(QStringLiteral("Crumble"), QStringLiteral("apples"), QStringLiteral("15 min")));
    b.appendRecipe(1, recipe(QStringLiteral("Apple Pie"), QStringLiteral("apples"), QStringLiteral("20 min")));
    b.appendRecipe(1, recipe(QStringLiteral("Trifle"), QStringLiteral("pie crumbs"), QStringLiteral("25 min")));
    QVERIFY(bookStore().save());
}

using bdtest::texts;

struct Opened {
    frmBr* br = nullptr;
    frmSearch* search = nullptr;
};

Opened openSearch()
{
    registerStandardWindows(); // the browse window's menu opens the real window
    Opened o;
    o.br = static_cast<frmBr*>(showWindow(WindowKind::Br));
    o.br->mnuSearch->trigger();
    o.search = qobject_cast<frmSearch*>(instance(WindowKind::Search));
    return o;
}

void typeAndSearch(frmSearch* w, const QString& keyword)
{
    w->txtKeyword->setFocus();
    w->txtKeyword->selectAll();
    QTest::keyClicks(w->txtKeyword, keyword);
    QTest::keyClick(w->txtKeyword, Qt::Key_Return);
}

QStringList found(const QString& keyword) { return searchRecs(G.xmlDoc, keyword).titles(); }

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void opensWithTheHintSelectedAndSearchesOnEnter()
    {
        bdtest::TestEnv env;
        fillBook();
        const Opened o = openSearch();
        QVERIFY(o.search);
        QCOMPARE(o.search->txtKeyword->selectedText(), QStringLiteral("Enter Search Text"));

        // Typing replaces the hint; Enter searches and adds nothing to the box.
        typeAndSearch(o.search, QStringLiteral("PIE"));
        QCOMPARE(o.search->txtKeyword->text(), QStringLiteral("PIE"));
        // Sorted, across categories.
        QCOMPARE(texts(o.search->lstResults),
                 (QStringList{QStringLiteral("Apple Pie"), QStringLiteral("Pie soup"), QStringLiteral("Trifle")}));
        QCOMPARE(o.search->lblCount->text(), QStringLiteral("3 recipe(s) found"));

        // The hint text itself is searched when nothing was typed; the button searches too.
        G.xmlDoc.appendRecipe(0, recipe(QStringLiteral("Odd"), QStringLiteral("enter search text"), QString()));
        o.search->txtKeyword->setText(QStringLiteral("Enter Search Text"));
        o.search->cmdSearch->click();
        QCOMPARE(texts(o.search->lstResults), QStringList{QStringLiteral("Odd")});
    }

    void aChosenResultIsShownInTheBrowseWindow()
    {
        bdtest::TestEnv env;
        fillBook();
        const Opened o = openSearch();
        frmBr* br = o.br;
        QCOMPARE(br->cboCats->currentText(), QStringLiteral("Desserts")); // alphabetically first
        typeAndSearch(o.search, QStringLiteral("pie"));

        // A click switches the category and selects the title.
        QListView* results = o.search->lstResults;
        const auto row = [results](int r) { return results->visualRect(results->model()->index(r, 0)).center(); };
        const QRect soup(row(1), QSize(1, 1));
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, soup.center());
        QCOMPARE(br->cboCats->currentText(), QStringLiteral("Soups"));
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Pie soup"));
        QCOMPARE(br->lblPT->text(), QStringLiteral("10 min"));

        // Back to the other category, then within it.
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, row(0));
        QCOMPARE(br->cboCats->currentText(), QStringLiteral("Desserts"));
        QCOMPARE(br->lblPT->text(), QStringLiteral("20 min"));

        // The keyboard: the arrow keys move through the results, Enter shows one.
        results->setFocus();
        QTest::keyClick(results, Qt::Key_Down);
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Pie soup"));
        QTest::keyClick(results, Qt::Key_Down);
        br->lstRecs->setCurrentRow(0); // the browse list moved on meanwhile
        QTest::keyClick(results, Qt::Key_Return);
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Trifle"));

        // The search window stays open.
        QVERIFY(o.search->isVisible() && !br->isEnabled());
    }

    void everyWayOfClosingEnablesTheBrowseWindow_data() { bdtest::addCloseWays(); }

    void everyWayOfClosingEnablesTheBrowseWindow()
    {
        QFETCH(bdtest::CloseWay, way);
        bdtest::TestEnv env;
        fillBook();
        const Opened o = openSearch();
        QVERIFY(!o.br->isEnabled());
        QVERIFY(bdtest::closeBy(way, o.search, o.search->cmdCancel, o.search->txtKeyword));
        QVERIFY(o.br->isEnabled());
        QVERIFY(o.br->isVisible());
        QVERIFY(!endRequested());
    }

    void onlyTitleIngredientsPreparationAndNotesAreSearched()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("zest category"));
        // One recipe per field, the word "zest" in that field alone.
        for (int child = 0; child < RChildCount; ++child) {
            Recipe f = recipe(QStringLiteral("recipe %1").arg(child));
            f[child] = child == RTitle ? QStringLiteral("Lemon zest bars") : QStringLiteral("with zest");
            b.appendRecipe(0, f);
        }
        QCOMPARE(found(QStringLiteral("zest")),
                 (QStringList{QStringLiteral("Lemon zest bars"), QStringLiteral("recipe 4"), QStringLiteral("recipe 5"),
                              QStringLiteral("recipe 6")}));
        // The category's name is never searched.
        QVERIFY(found(QStringLiteral("category")).isEmpty());
    }

    void eachRecipeIsListedOnceInFindingOrder()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("Pies"));
        b.appendCategory(QStringLiteral("Afters"));
        Recipe everywhere = recipe(QStringLiteral("Apple Pie"));
        everywhere.ing = QStringLiteral("pie crust");
        everywhere.prep = QStringLiteral("Bake the pie.");
        everywhere.other = QStringLiteral("serve with pie");
        b.appendRecipe(1, recipe(QStringLiteral("Zebra pie")));
        b.appendRecipe(0, recipe(QStringLiteral("Lemon tart")));
        b.appendRecipe(0, everywhere);
        b.appendRecipe(1, recipe(QStringLiteral("Banoffee pie")));

        const SearchHits hits = searchRecs(b, QStringLiteral("pie"));
        QCOMPARE(hits.titles(), (QStringList{QStringLiteral("Apple Pie"), QStringLiteral("Zebra pie"),
                                             QStringLiteral("Banoffee pie")}));
        QCOMPARE(hits.categories(),
                 (QStringList{QStringLiteral("Pies"), QStringLiteral("Afters"), QStringLiteral("Afters")}));

        // Titles as the book holds them, whatever their bytes: characters
        // beyond the first plane, a leading byte order mark, and bytes that
        // are no UTF-8 at all.
        const std::vector<QByteArray> odd = {"pie \xF0\x9F\xA5\xA7 cr\xC3\xA8me", "\xEF\xBB\xBFpie", "pie \xFF\xC3 end",
                                             "pie \xE2\x82"};
        const int oddPosition = b.appendCategory(QStringLiteral("Odd"));
        for (const QByteArray& t : odd)
            b.category(oddPosition).append_child("recipe").append_child("title").text() = t.constData();
        // A title element after stray text is still the title.
        pugi::xml_node stray = b.category(oddPosition).append_child("recipe");
        stray.append_child(pugi::node_pcdata).set_value("stray pie");
        for (const char* name : {"title", "preptime", "cooktime", "yield", "ing"})
            stray.append_child(name).text() = name;
        stray.child("title").text() = "Stray title";
        stray.child("ing").text() = "pie";
        const SearchHits more = searchRecs(b, QStringLiteral("pie"));
        QCOMPARE(more.size(), 3 + int(odd.size()) + 1);
        for (int i = 0; i < int(odd.size()); ++i) {
            QCOMPARE(more.title(3 + i), QString::fromUtf8(odd[std::size_t(i)]));
            QCOMPARE(more.category(3 + i), QStringLiteral("Odd"));
        }
        QCOMPARE(more.title(more.size() - 1), QStringLiteral("Stray title"));
        QCOMPARE(more.titleScores.last(), 0);
    }

    void keywordCases_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("expected");
        const QString apple = QStringLiteral("Apple Pie"), crust = QStringLiteral("Quiche"),
                      served = QStringLiteral("Stew"), hint = QStringLiteral("Hint"),
                      pepper = QString::fromUtf8("Pimientos de PADRÓN"), tart = QStringLiteral("Tart");
        const QStringList all{apple, crust, served, hint, pepper, tart};
        QTest::newRow("capitals") << QStringLiteral("PIE") << QStringList{apple, crust, served};
        QTest::newRow("spaces around a word") << QStringLiteral("  pie ") << QStringList{apple, crust, served};
        QTest::newRow("only in the yield") << QStringLiteral("dozen") << QStringList{};
        QTest::newRow("the hint text") << QStringLiteral("Enter Search Text") << QStringList{hint};
        QTest::newRow("empty finds every recipe with text") << QString() << all;
        QTest::newRow("N tilde upper") << QString::fromUtf8("ÑORA") << QStringList{pepper};
        QTest::newRow("E acute") << QString::fromUtf8("CRÈME BRÛLÉE") << QStringList{tart};
        QTest::newRow("U diaeresis") << QString::fromUtf8("pingüino") << QStringList{tart};
        QTest::newRow("no accent typed") << QStringLiteral("padron") << QStringList{pepper};
        QTest::newRow("no accents, no capitals") << QStringLiteral("creme brulee pinguino") << QStringList{tart};
        QTest::newRow("an accent the text lacks") << QString::fromUtf8("Quíche") << QStringList{crust};
    }

    void keywordCases()
    {
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("Mains"));
        Recipe f = recipe(QStringLiteral("Apple Pie"));
        f.yield = QStringLiteral("a dozen");
        b.appendRecipe(0, f);
        f = recipe(QStringLiteral("Quiche"));
        f.ing = QStringLiteral("pie crust\neggs");
        b.appendRecipe(0, f);
        f = recipe(QStringLiteral("Stew"));
        f.other = QStringLiteral("Good hot; serve with pie");
        b.appendRecipe(0, f);
        f = recipe(QStringLiteral("Hint"));
        f.prep = QStringLiteral("Type enter search text here.");
        b.appendRecipe(0, f);
        f = recipe(QString::fromUtf8("Pimientos de PADRÓN"));
        f.ing = QString::fromUtf8("2 ÑORAS, SECAS");
        b.appendRecipe(0, f);
        f = recipe(QStringLiteral("Tart"));
        f.prep = QString::fromUtf8("Like a crème brûlée, shaped like a PINGÜINO.");
        b.appendRecipe(0, f);
        b.appendRecipe(0, recipe(QString())); // no text at all

        QCOMPARE(found(keyword), expected);
    }

    // The matcher reads UTF-8 as it lies in the book and must agree with
    // folding both sides as QStrings, whatever the characters and wherever
    // a match falls (the scan works in blocks of 16 bytes).
    void matcherAgreesWithFoldingQStrings()
    {
        const QStringList pieces{QStringLiteral("a"),          QStringLiteral("B"),         QStringLiteral("z"),
                                 QStringLiteral(" "),          QStringLiteral("@"),         QStringLiteral("`"),
                                 QStringLiteral("["),          QStringLiteral("{"),         QStringLiteral("0"),
                                 QStringLiteral("\n"),         QStringLiteral("\r\n"),      QStringLiteral("\t"),
                                 QString::fromUtf8("\u00A0"),  QStringLiteral("e"),         QString::fromUtf8("Ñ"),
                                 QString::fromUtf8("ñ"),       QString::fromUtf8("É"),      QString::fromUtf8("é"),
                                 QString::fromUtf8("e\u0301"), QString::fromUtf8("\u0301"), QStringLiteral("n"),
                                 QString::fromUtf8("ü"),       QString::fromUtf8("Ü"),      QString::fromUtf8("°"),
                                 QString::fromUtf8("İ"),       QString::fromUtf8("i̇"),      QString::fromUtf8("\u0307"),
                                 QString::fromUtf8("K"),       QStringLiteral("k"),         QString::fromUtf8("Ⱥ"),
                                 QString::fromUtf8("ⱥ"),       QString::fromUtf8("ẞ"),      QString::fromUtf8("ß"),
                                 QString::fromUtf8("Σ"),       QString::fromUtf8("ς"),      QString::fromUtf8("Ж"),
                                 QString::fromUtf8("й"),       QString::fromUtf8("Ạ"),      QString::fromUtf8("ǅ"),
                                 QString::fromUtf8("€"),       QString::fromUtf8("’"),      QString::fromUtf8("한"),
                                 QString::fromUtf8("𐐀"),       QString::fromUtf8("𐐨"),      QString::fromUtf8("😀")};
        QRandomGenerator rng(20261208);
        const auto randomText = [&](int maxPieces) {
            QString s;
            const int n = int(rng.bounded(maxPieces + 1));
            for (int i = 0; i < n; ++i)
                s += pieces[int(rng.bounded(pieces.size()))];
            return s;
        };
        for (int round = 0; round < 30000; ++round) {
            const QString keyword = randomText(3);
            QString text = randomText(40);
            // Plant the keyword, in some letter case, in half the texts.
            if (round % 2 && !keyword.isEmpty()) {
                const QString planted = round % 4 == 1 ? keyword.toUpper() : keyword;
                text.insert(int(rng.bounded(text.size() + 1)), planted);
            }
            const QString key = foldText(keyword).trimmed();
            const bool expected = key.isEmpty() ? !text.isEmpty() : foldText(text).contains(key);
            const KeywordMatcher matcher(keyword);
            // Bytes outside the text, before or after it, are not part of it,
            // wherever the text starts in a block of 16.
            const QByteArray utf8 = text.toUtf8();
            const QByteArray around = (keyword.toUpper().toUtf8() + "x").repeated(32);
            const int offset = 16 + round % 16;
            QByteArray buffer = around.left(offset) + utf8 + around;
            const char* start = buffer.constData() + offset;
            const bool sized = matcher.foundIn(start, std::size_t(utf8.size()));
            buffer[offset + utf8.size()] = '\0';
            const bool terminated = matcher.foundIn(buffer.constData() + offset);
            if (sized != expected || terminated != expected)
                QFAIL(qPrintable(QStringLiteral("keyword \"%1\" in \"%2\": %3 %4")
                                     .arg(keyword, text)
                                     .arg(sized)
                                     .arg(terminated)));
        }
    }

    void folding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::newRow("Spanish") << QString::fromUtf8("AZÚCAR, Muñeca, frío, PINGÜINO")
                                 << QStringLiteral("azucar, muneca, frio, pinguino");
        QTest::newRow("French") << QString::fromUtf8("Crème Brûlée à l'Œuf")
                                << QString::fromUtf8("creme brulee a l'œuf");
        QTest::newRow("decomposed") << QString::fromUtf8("jalapen\u0303o") << QStringLiteral("jalapeno");
        QTest::newRow("dotted capital I") << QString::fromUtf8("İzmir") << QStringLiteral("izmir");
        QTest::newRow("white space runs") << QString::fromUtf8("a \r\n\t\u00A0 b") << QStringLiteral("a b");
        QTest::newRow("other scripts keep their letters")
            << QString::fromUtf8("ЖЁЛТЫЙ 한국 ß") << QString::fromUtf8("желтыи 한국 ß");
    }

    void folding()
    {
        QFETCH(QString, text);
        QFETCH(QString, folded);
        QVector<int> origins;
        QCOMPARE(foldText(text, &origins), folded);
        QCOMPARE(origins.size(), folded.size());
        // Each folded character comes from one at or after the one before.
        for (int i = 1; i < origins.size(); ++i)
            QVERIFY(origins[i] >= origins[i - 1] && origins[i] < text.size());
    }

    void queries_data()
    {
        QTest::addColumn<QString>("text");
        // Wanted groups joined by ";", a group's terms by "|", excluded
        // terms after "!"; a field as "field=" before the term.
        QTest::addColumn<QString>("expected");
        QTest::newRow("words") << QStringLiteral("  chicken   rice ") << QStringLiteral("chicken;rice");
        QTest::newRow("phrase") << QStringLiteral("\"chicken  rice\" soup") << QStringLiteral("chicken rice;soup");
        QTest::newRow("curly quotes") << QString::fromUtf8("“olive oil”") << QStringLiteral("olive oil");
        QTest::newRow("unclosed quote") << QStringLiteral("\"olive oil") << QStringLiteral("olive oil");
        QTest::newRow("exclusion") << QStringLiteral("soup -beans -\"red wine\"")
                                   << QStringLiteral("soup!beans|red wine");
        QTest::newRow("dashes inside and alone") << QStringLiteral("1-2 - x-") << QStringLiteral("1-2;-;x-");
        QTest::newRow("fields") << QStringLiteral("title:soup ing:\"red wine\" prep:bake notes:freeze cat:mains")
                                << QStringLiteral("1=soup;2=red wine;4=bake;8=freeze;16=mains");
        QTest::newRow("Spanish fields") << QString::fromUtf8("TÍTULO:sopa ingredientes:ajo preparación:hornear "
                                                             "notas:congelar categoria:primeros")
                                        << QStringLiteral("1=sopa;2=ajo;4=hornear;8=congelar;16=primeros");
        QTest::newRow("excluded field") << QStringLiteral("-ing:nuts") << QStringLiteral("!2=nuts");
        QTest::newRow("not a field") << QStringLiteral("time:10 title: http://x")
                                     << QStringLiteral("time:10;title:;http://x");
        QTest::newRow("OR") << QStringLiteral("beef OR pork OR lamb stew") << QStringLiteral("beef|pork|lamb;stew");
        QTest::newRow("OR with fields") << QStringLiteral("title:tart OR cat:pies") << QStringLiteral("1=tart|16=pies");
        QTest::newRow("OR being typed") << QStringLiteral("beef OR") << QStringLiteral("beef");
        QTest::newRow("OR alone or first") << QStringLiteral("OR beef") << QStringLiteral("or;beef");
        QTest::newRow("or in lower case") << QStringLiteral("salt or pepper") << QStringLiteral("salt;or;pepper");
        QTest::newRow("OR before an exclusion") << QStringLiteral("beef OR -pork") << QStringLiteral("beef;OR!pork");
        QTest::newRow("nothing to find") << QString::fromUtf8(" \u0301 \"\" ") << QString();
    }

    void queries()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const auto term = [](const SearchTerm& t) {
            return t.fields == InRecipeTexts ? t.text : QStringLiteral("%1=%2").arg(t.fields).arg(t.text);
        };
        const SearchQuery q = parseQuery(text);
        QStringList groups;
        for (const QVector<SearchTerm>& g : q.required) {
            QStringList terms;
            for (const SearchTerm& t : g)
                terms << term(t);
            groups << terms.join(QLatin1Char('|'));
        }
        QStringList excluded;
        for (const SearchTerm& t : q.excluded)
            excluded << term(t);
        QString got = groups.join(QLatin1Char(';'));
        if (!excluded.isEmpty())
            got += QLatin1Char('!') + excluded.join(QLatin1Char('|'));
        QCOMPARE(got.toLower(), expected.toLower());
    }

    void queriesFindTheRightRecipes_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        const QString paella = QStringLiteral("Paella"), rice = QStringLiteral("Chicken and rice soup"),
                      flan = QStringLiteral("Flan"), wings = QStringLiteral("Chicken wings"),
                      salad = QString::fromUtf8("Ensalada de AZÚCAR"), stew = QStringLiteral("Bean stew");
        QTest::newRow("both words, different fields") << QStringLiteral("chicken rice") << QStringList{paella, rice};
        QTest::newRow("words split over lines") << QStringLiteral("saffron water") << QStringList{paella};
        QTest::newRow("phrase over a line break") << QStringLiteral("\"saffron water\"") << QStringList{paella};
        QTest::newRow("phrase not together") << QStringLiteral("\"chicken rice\"") << QStringList{};
        QTest::newRow("exclusion") << QStringLiteral("chicken -wings") << QStringList{paella, rice};
        QTest::newRow("excluded only") << QStringLiteral("-chicken -beans") << QStringList{flan, salad};
        QTest::newRow("title field") << QStringLiteral("title:chicken") << QStringList{rice, wings};
        QTest::newRow("ingredients field") << QStringLiteral("ing:sugar") << QStringList{flan};
        QTest::newRow("preparation field, Spanish") << QString::fromUtf8("preparación:sugar") << QStringList{salad};
        QTest::newRow("notes field") << QStringLiteral("notes:freezes") << QStringList{stew};
        QTest::newRow("category, only when asked")
            << QStringLiteral("cat:\"rice dishes\" chicken") << QStringList{paella, rice};
        QTest::newRow("category not searched otherwise") << QStringLiteral("dishes") << QStringList{};
        QTest::newRow("OR") << QStringLiteral("flan OR beans") << QStringList{flan, stew};
        QTest::newRow("accents both ways") << QString::fromUtf8("azucar AZÚCAR Azucar") << QStringList{salad, flan};
        QTest::newRow("case twins") << QStringLiteral("CHICKEN WINGS") << QStringList{wings};
        QTest::newRow("the times and yield are not searched") << QStringLiteral("hour") << QStringList{};
    }

    void queriesFindTheRightRecipes()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("Rice dishes"));
        b.appendCategory(QStringLiteral("Others"));
        Recipe f = recipe(QStringLiteral("Paella"), QStringLiteral("2 cups rice\r\n1 chicken\r\nsaffron\r\nwater"));
        b.appendRecipe(0, f);
        f = recipe(QStringLiteral("Chicken and rice soup"), QStringLiteral("stock"), QStringLiteral("1 hour"));
        b.appendRecipe(0, f);
        f = recipe(QStringLiteral("Flan"), QString::fromUtf8("1 cup sugar (azúcar)"));
        f.yield = QStringLiteral("1 hour");
        b.appendRecipe(1, f);
        b.appendRecipe(1, recipe(QStringLiteral("Chicken wings")));
        f = recipe(QString::fromUtf8("Ensalada de AZÚCAR"));
        f.prep = QStringLiteral("Sprinkle the sugar.");
        b.appendRecipe(1, f);
        f = recipe(QStringLiteral("Bean stew"), QStringLiteral("beans"));
        f.other = QStringLiteral("Freezes well.");
        b.appendRecipe(1, f);

        QStringList got = found(query);
        got.sort();
        expected.sort();
        QCOMPARE(got, expected);
    }

    // The results list titles holding the words first, then the rest; each
    // part in list order. The command line prints the same order.
    void titlesHoldingTheWordsComeFirst()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("Mains"));
        b.appendCategory(QStringLiteral("Sides"));
        b.appendRecipe(0, recipe(QStringLiteral("Apple pork chops"), QStringLiteral("apples")));
        b.appendRecipe(0, recipe(QStringLiteral("Roast"), QStringLiteral("pork, apple")));
        b.appendRecipe(1, recipe(QStringLiteral("Apple sauce"), QStringLiteral("pork fat")));
        b.appendRecipe(1, recipe(QStringLiteral("Baked apples"), QStringLiteral("pork")));
        QVERIFY(bookStore().save());
        const SearchHits hits = searchRecs(b, QStringLiteral("apple pork"));
        QStringList listed;
        for (int i : listOrder(hits))
            listed << hits.title(i);
        QCOMPARE(listed, (QStringList{QStringLiteral("Apple pork chops"), QStringLiteral("Apple sauce"),
                                      QStringLiteral("Baked apples"), QStringLiteral("Roast")}));

        const Opened o = openSearch();
        typeAndSearch(o.search, QStringLiteral("apple pork"));
        QCOMPARE(texts(o.search->lstResults), listed);

        Options options;
        options.search = true;
        options.query = QStringLiteral("apple pork");
        const CommandResult r = searchFromCommandLine(G.appPath, options);
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out,
                 QStringLiteral("Mains\tApple pork chops\nSides\tApple sauce\nSides\tBaked apples\nMains\tRoast\n"));
    }

    // A list of every title leaves the places of the book's titles kept;
    // lists ordered by them come out as lists ordered by collating their
    // titles, until the titles change.
    void keptTitlePlacesOrderLikeCollating()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        const pugi::xml_node mains = b.appendCategoryNode(QStringLiteral("Mains"));
        const pugi::xml_node sides = b.appendCategoryNode(QStringLiteral("Sides"));
        // Letter case, accents, brackets, digits, and the same title twice.
        const char* const titles[] = {"soup x", "Apple pie x", "[Old] x", "\xc3\x89lan x", "eclair x", "10 x",
                                      "9 x",    "Soup x",      "apple x", "Zest x",        "soup x y", "Eclair x"};
        int n = 0;
        for (const char* t : titles) {
            Recipe f = recipe(QString::fromUtf8(t));
            f.ing = n % 3 ? QStringLiteral("y") : QString();
            RecipeBook::appendRecipeNode(n++ % 2 ? sides : mains, f, false);
        }
        auto ordered = [&b](const QString& query, bool withBook) {
            BookSearch search(b, query);
            search.step(std::numeric_limits<int>::max());
            ListOrdering ordering(search.hits(), withBook ? &b : nullptr, search.titlesVersion());
            while (!ordering.step(2)) {
            }
            QStringList listed;
            for (int i : ordering.order())
                listed << search.hits().category(i) + QLatin1Char('/') + search.hits().title(i);
            return listed;
        };
        const auto kept = [&b] { return b.titleRanks(storedTitleBefore) != nullptr; };
        QVERIFY(!kept());
        const QStringList every = ordered(QStringLiteral("x"), false);
        QCOMPARE(every.size(), int(std::size(titles)));
        QVERIFY(!kept()); // only a list made for the book keeps them
        QCOMPARE(ordered(QStringLiteral("x"), true), every);
        QVERIFY(kept());
        for (const QString& query : {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("soup"),
                                     QStringLiteral("eclair OR y"), QStringLiteral("x -apple")}) {
            QVERIFY(kept());
            QCOMPARE(ordered(query, true), ordered(query, false));
        }
        // Recipes added and removed keep the places in step: each new title
        // takes its place in the list (one the book holds already in another
        // category after it, as the book has them), and those after a
        // removed one move up.
        b.appendRecipe(0, recipe(QStringLiteral("Bread x")));
        b.appendRecipe(0, recipe(QStringLiteral("Apple pie x")));
        b.appendRecipe(0, recipe(QStringLiteral("\u00c9clair x y")));
        QVERIFY(kept());
        QCOMPARE(ordered(QStringLiteral("x"), true), ordered(QStringLiteral("x"), false));
        QVERIFY(ordered(QStringLiteral("x"), true).contains(QStringLiteral("Mains/Bread x")));
        QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Zest x"))));
        QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("apple x"))));
        b.appendRecipe(1, recipe(QStringLiteral("Apricot x")));
        QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Bread x")))); // added, not yet placed
        QVERIFY(kept());
        for (const QString& query : {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("apple OR eclair")})
            QCOMPARE(ordered(query, true), ordered(query, false));
        // Past a few dozen new titles the places go, to be made again by
        // collating every title.
        for (int i = 0; i < 80; ++i)
            b.appendRecipe(i % 2, recipe(QStringLiteral("Added %1 x").arg(i)));
        QVERIFY(!kept());
        const QStringList again = ordered(QStringLiteral("x"), true);
        QCOMPARE(again, ordered(QStringLiteral("x"), false));
        QVERIFY(kept());
        // Places worked out on a thread of their own serve as those a list
        // leaves; not those worked out for titles that changed meanwhile.
        const auto addMany = [&b](const QString& name) {
            for (int i = 0; i < 80; ++i)
                b.appendRecipe(i % 2, recipe(name.arg(i)));
        };
        addMany(QStringLiteral("Aside %1 x"));
        QVERIFY(!kept());
        rankTitlesAside(b);
        b.finishRankingAside();
        QVERIFY(kept());
        for (const QString& query : {QStringLiteral("x"), QStringLiteral("y"), QStringLiteral("aside OR eclair")})
            QCOMPARE(ordered(query, true), ordered(query, false));
        addMany(QStringLiteral("Late %1 x"));
        rankTitlesAside(b);
        b.appendRecipe(0, recipe(QStringLiteral("Later x")));
        QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Late 3 x")))); // as many titles as before
        b.finishRankingAside();
        QVERIFY(!kept());
        rankTitlesAside(b);
        b.finishRankingAside();
        QVERIFY(kept());
        QCOMPARE(ordered(QStringLiteral("x"), true), ordered(QStringLiteral("x"), false));
        {
            // A book let go of while its places are worked out waits for no one.
            RecipeBook large;
            large.appendCategory(QStringLiteral("All"));
            for (int i = 0; i < 3000; ++i)
                large.appendRecipe(0, recipe(QStringLiteral("Dish %1").arg(3000 - i)));
            rankTitlesAside(large);
        }
        // A new generation of the book lets them go.
        QVERIFY(b.removeCategory(1));
        QVERIFY(!kept());
        QCOMPARE(ordered(QStringLiteral("y"), true), ordered(QStringLiteral("y"), false));
    }

    // A search taken a slice at a time finds what one whole search finds.
    void slicesFindWhatOneSearchFinds()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        for (int c = 0; c < 4; ++c)
            b.appendCategory(QStringLiteral("Category %1").arg(c));
        b.appendCategory(QStringLiteral("Empty"));
        for (int i = 0; i < 60; ++i)
            b.appendRecipe((i * 7) % 4,
                           recipe(QStringLiteral("Recipe %1").arg(i), i % 3 ? QStringLiteral("salt") : QString()));
        const SearchHits whole = searchRecs(b, QStringLiteral("salt recipe"));
        QCOMPARE(whole.size(), 40);
        for (int slice : {1, 7, 40, 60, 61}) {
            BookSearch search(b, QStringLiteral("salt recipe"));
            int steps = 0;
            while (!search.step(slice))
                ++steps;
            QVERIFY(steps >= 60 / slice - 1);
            QCOMPARE(search.hits().titles(), whole.titles());
            QCOMPARE(search.hits().categories(), whole.categories());
        }
    }

    // A search after recipes came and went, in whatever way, walks the book
    // as it stands: each recipe once, in book order, with its category.
    void searchesWalkTheBookAsItStands()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        for (const char* name : {"First", "Empty", "Middle", "Last"})
            b.appendCategory(QString::fromLatin1(name));
        for (int i = 0; i < 9; ++i)
            b.appendRecipe(i % 2 ? 2 : 0, recipe(QStringLiteral("Dish %1").arg(i)));
        const auto asItStands = [&b] {
            QStringList out;
            b.forEachRecipe([&out](pugi::xml_node r, int) {
                out << RecipeBook::categoryOf(r) + QLatin1Char('/') + qstr(RecipeBook::titleOf(r));
            });
            return out;
        };
        const auto found = [&b](int slice) {
            BookSearch search(b, QStringLiteral("dish"));
            while (!search.step(slice)) {
            }
            QStringList out;
            for (int i = 0; i < search.hits().size(); ++i)
                out << search.hits().category(i) + QLatin1Char('/') + search.hits().title(i);
            return out;
        };
        QCOMPARE(found(100), asItStands());
        int n = 100;
        const std::function<void()> changes[] = {
            [&] { b.appendRecipe(1, recipe(QStringLiteral("Dish %1").arg(n++))); }, // first of a category
            [&] { b.appendRecipe(3, recipe(QStringLiteral("Dish %1").arg(n++))); },
            [&] { b.appendRecipe(0, recipe(QStringLiteral("Dish %1").arg(n++))); },
            [&] { // as an import adds one, to a category of its own
                const pugi::xml_node c = RecipeBook::appendCategoryNode(b.root(), QStringLiteral("New %1").arg(n));
                b.noteNewRecipe(RecipeBook::appendRecipeNode(c, recipe(QStringLiteral("Dish %1").arg(n++)), false));
            },
            [&] { QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Dish 0")))); }, // the first of all
            [&] { QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Dish 5")))); },
            [&] { QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Dish %1").arg(n - 1)))); }, // the last
        };
        for (const auto& change : changes) {
            change();
            QCOMPARE(found(100), asItStands());
        }
        // Changes made while a search goes on a slice at a time.
        BookSearch search(b, QStringLiteral("dish"));
        QVERIFY(!search.step(3));
        b.appendRecipe(0, recipe(QStringLiteral("Dish early")));
        QVERIFY(!search.step(3));
        QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Dish 2"))));
        while (!search.step(3)) {
        }
        QStringList sliced;
        for (int i = 0; i < search.hits().size(); ++i)
            sliced << search.hits().category(i) + QLatin1Char('/') + search.hits().title(i);
        QCOMPARE(sliced, asItStands());
        // Many changes in a row, the order let go of and made again between them.
        for (int i = 0; i < 600; ++i) {
            b.appendRecipe(i % 4, recipe(QStringLiteral("Dish many %1").arg(i)));
            if (i % 3 == 0)
                QVERIFY(b.removeRecipe(b.findTitle(QStringLiteral("Dish many %1").arg(i / 2))));
            if (i % 97 == 0)
                QCOMPARE(found(7), asItStands());
        }
        QCOMPARE(found(7), asItStands());
        QCOMPARE(b.recipeCount(), int(asItStands().size()));

        // Hits keep the titles they found, whatever becomes of the book.
        const SearchHits held = searchRecs(b, QStringLiteral("dish"));
        const QStringList heldTitles = held.titles();
        QVERIFY(b.removeRecipe(b.findTitle(heldTitles.first())));
        b.appendRecipe(0, recipe(QStringLiteral("Dish after")));
        QCOMPARE(found(7), asItStands());
        QCOMPARE(held.titles(), heldTitles);
        b.clear();
        QCOMPARE(found(7), QStringList());
        QCOMPARE(held.titles(), heldTitles);
    }

    void foundWordsAreMarked_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("marked"); // the marked stretches in brackets
        QTest::newRow("words, accents") << QStringLiteral("azucar sal") << QString::fromUtf8("Azúcar y sal, sal.")
                                        << QString::fromUtf8("[Azúcar] y [sal], [sal].");
        QTest::newRow("decomposed letters keep their marks")
            << QStringLiteral("jalapeno") << QString::fromUtf8("2 JALAPEN\u0303OS")
            << QString::fromUtf8("2 [JALAPEN\u0303O]S");
        QTest::newRow("phrase over a line") << QStringLiteral("\"olive oil\"") << QStringLiteral("olive\noil, olive")
                                            << QStringLiteral("[olive\noil], olive");
        QTest::newRow("overlapping words")
            << QStringLiteral("toma mato") << QStringLiteral("tomato") << QStringLiteral("[tomato]");
        QTest::newRow("excluded and other fields unmarked")
            << QStringLiteral("-salt title:egg ing:milk") << QStringLiteral("salt, egg, milk")
            << QStringLiteral("salt, egg, [milk]");
        QTest::newRow("beyond the BMP") << QStringLiteral("x") << QString::fromUtf8("😀x😀")
                                        << QString::fromUtf8("😀[x]😀");
    }

    void foundWordsAreMarked()
    {
        QFETCH(QString, query);
        QFETCH(QString, text);
        QFETCH(QString, marked);
        QString shown = text;
        const QVector<TextRange> ranges = foundRanges(parseQuery(query), InIngredients, text);
        for (int i = int(ranges.size()) - 1; i >= 0; --i) {
            shown.insert(ranges[i].start + ranges[i].length, QLatin1Char(']'));
            shown.insert(ranges[i].start, QLatin1Char('['));
        }
        QCOMPARE(shown, marked);
    }

    void resultsFollowTheTyping()
    {
        bdtest::TestEnv env;
        fillBook();
        const Opened o = openSearch();
        frmSearch* w = o.search;
        QVERIFY(w->typingPause->interval() > 0 && w->typingPause->interval() <= 500);
        w->typingPause->setInterval(0);
        // The hint the window opens with is not searched.
        QCoreApplication::processEvents();
        QCOMPARE(w->lstResults->model()->rowCount(), 0);

        w->txtKeyword->selectAll();
        QTest::keyClicks(w->txtKeyword, QStringLiteral("pie -apple"));
        QTRY_VERIFY(!w->typingPause->isActive() && !w->searching());
        QCOMPARE(texts(w->lstResults), (QStringList{QStringLiteral("Pie soup"), QStringLiteral("Trifle")}));
        QCOMPARE(w->lblCount->text(), QStringLiteral("2 recipe(s) found"));

        // Emptying the box empties the list; the button still lists every recipe.
        w->txtKeyword->selectAll();
        QTest::keyClick(w->txtKeyword, Qt::Key_Delete);
        QTRY_COMPARE(w->lstResults->model()->rowCount(), 0);
        QVERIFY(w->lblCount->text().isEmpty());
        w->cmdSearch->click();
        QCOMPARE(w->lstResults->model()->rowCount(), 5);
    }

    // However the work is cut up, the lists end as one search at once
    // makes them, and the window answers between the pieces.
    void aSearchInSlicesListsWhatOneSearchLists()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("One"));
        b.appendCategory(QStringLiteral("Two"));
        for (int i = 0; i < 4500; ++i)
            b.appendRecipe(i % 2, recipe(QStringLiteral("Dish %1").arg(4500 - i),
                                         i % 3 ? QStringLiteral("salt") : QStringLiteral("dish salt")));
        const Opened o = openSearch();
        frmSearch* w = o.search;
        w->txtKeyword->setText(QStringLiteral("salt dish"));
        w->searchRecs();
        const QStringList shown = texts(w->lstResults), hidden = texts(w->lstResultHid),
                          categories = texts(w->lstResultCat);
        QCOMPARE(shown.size(), 4500);
        // A new generation of the book (a category removed) lets go of the
        // places the list of every title above kept: the next list collates
        // its titles again.
        b.appendCategory(QStringLiteral("Three"));
        QVERIFY(b.removeCategory(2));

        w->typingPause->setInterval(0);
        w->sliceMs = 0; // a piece at a time
        w->txtKeyword->selectAll();
        QTest::keyClicks(w->txtKeyword, QStringLiteral("salt dish"));
        int slices = 0;
        while (w->typingPause->isActive() || w->searching()) {
            QCoreApplication::processEvents();
            QVERIFY(++slices < 1000);
        }
        // The search and the ordering of 4,500 results each take more
        // than one piece; the lists are then shown at once.
        QVERIFY(slices > 3);
        QCOMPARE(texts(w->lstResults), shown);
        QCOMPARE(texts(w->lstResultHid), hidden);
        QCOMPARE(texts(w->lstResultCat), categories);
        QCOMPARE(w->lblCount->text(), QStringLiteral("4500 recipe(s) found"));
        // Titles holding both words first: those with "dish" only in the title... all of them here.
        QCOMPARE(shown.first(), QStringLiteral("Dish 1"));

        // A new list is shown from its top, however far the last one was scrolled.
        w->lstResults->scrollToBottom();
        QCoreApplication::processEvents();
        QVERIFY(w->lstResults->verticalScrollBar()->value() > 0);
        w->searchRecs();
        QCoreApplication::processEvents();
        QCOMPARE(w->lstResults->verticalScrollBar()->value(), 0);
        QCOMPARE(w->lstResults->indexAt(QPoint(2, 2)).row(), 0);
    }

    void aChosenResultShowsItsWordsMarked()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("Huevos"));
        Recipe f = recipe(QStringLiteral("Tortilla"), QStringLiteral("4 huevos\r\n1 cebolla"));
        f.prep = QStringLiteral("Batir los HUEVOS.\r\nFreír la cebolla.");
        f.other = QStringLiteral("Sin sal.");
        b.appendRecipe(0, f);
        b.appendRecipe(0, recipe(QStringLiteral("Arroz")));
        QVERIFY(bookStore().save());
        const Opened o = openSearch();
        typeAndSearch(o.search, QStringLiteral("huevo title:tortilla -sal"));
        QCOMPARE(texts(o.search->lstResults), QStringList{});
        typeAndSearch(o.search, QString::fromUtf8("huevo cebolla freir"));
        QCOMPARE(texts(o.search->lstResults), QStringList{QStringLiteral("Tortilla")});
        o.search->lstResults->setCurrentIndex(o.search->lstResults->model()->index(0, 0));
        const auto marks = [](QPlainTextEdit* box) {
            QStringList m;
            for (const QTextEdit::ExtraSelection& s : box->extraSelections())
                m << s.cursor.selectedText();
            return m;
        };
        QCOMPARE(o.br->lstRecs->currentItem()->text(), QStringLiteral("Tortilla"));
        QCOMPARE(marks(o.br->txtIng), (QStringList{QStringLiteral("huevo"), QStringLiteral("cebolla")}));
        QCOMPARE(marks(o.br->txtPrep),
                 (QStringList{QStringLiteral("HUEVO"), QString::fromUtf8("Freír"), QStringLiteral("cebolla")}));
        QCOMPARE(marks(o.br->txtOther), QStringList{});
        // Closed, the search leaves the recipe shown plainly.
        o.search->close();
        for (QPlainTextEdit* box : {o.br->txtIng, o.br->txtPrep, o.br->txtOther})
            QVERIFY(box->extraSelections().isEmpty());
    }

    void commandLineSearch()
    {
        bdtest::TestEnv env;
        fillBook();
        Options options = parseCommandLine(
            {QStringLiteral("brindelle"), QStringLiteral("--search"), QString::fromUtf8("PÍE -apple")});
        QVERIFY2(options.error.isEmpty(), qPrintable(options.error));
        QVERIFY(options.command());
        // Only reads the book: the program may hold it meanwhile.
        QVERIFY(lockBookFolder(G.appPath));
        CommandResult r = searchFromCommandLine(G.appPath, options);
        unlockBookFolder();
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("Soups\tPie soup\nDesserts\tTrifle\n"));
        QVERIFY(r.err.isEmpty());

        options.query = QStringLiteral("pie -pie");
        r = searchFromCommandLine(G.appPath, options);
        QCOMPARE(r.exitCode, int(kNothingFound));
        QVERIFY(r.out.isEmpty() && r.err.isEmpty());

        r = searchFromCommandLine(env.root() + QStringLiteral("/nowhere"), options);
        QCOMPARE(r.exitCode, int(kSearchFailed));
        QVERIFY(r.err.contains(QStringLiteral("no recipe book")));

        for (const char* other : {"--export", "--import"})
            QVERIFY(!parseCommandLine({QStringLiteral("brindelle"), QStringLiteral("--search"), QStringLiteral("x"),
                                       QLatin1String(other), QStringLiteral("f.xml")})
                         .error.isEmpty());
    }

    void nodesGoStaleOnlyWhenTheBookLosesSome()
    {
        RecipeBook b;
        b.appendCategory(QStringLiteral("A"));
        quint64 g = b.generation();
        b.appendRecipe(0, recipe(QStringLiteral("One")));
        b.renameCategory(0, QStringLiteral("B"));
        QCOMPARE(b.generation(), g);
        b.removeRecipe(b.findRecipe(0, QStringLiteral("One")));
        QVERIFY(b.generation() > g);
        g = b.generation();
        b.removeCategory(0);
        QVERIFY(b.generation() > g);
        g = b.generation();
        QVERIFY(b.loadBuffer(kEmptyBook));
        QVERIFY(b.generation() > g);
        g = b.generation();
        RecipeBook other;
        b.adopt(other);
        QVERIFY(b.generation() > g);
    }

    void bytesThatAreNotUtf8MatchNothing()
    {
        const KeywordMatcher jalapeno(QString::fromUtf8("jalapeño"));
        QVERIFY(!jalapeno.foundIn("JALAPE\xD1O and more text to fill one block"));  // Latin-1
        QVERIFY(jalapeno.foundIn("\xFF\xC3 JALAPE\xC3\x91O\x80 and more text to fill one block"));
        QVERIFY(!KeywordMatcher(QStringLiteral("a")).foundIn("\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3\xC3"));
    }

    void countLineInSpanish()
    {
        G.reset();
        G.langOffset = 300;
        QCOMPARE(resultCountLine(12), QStringLiteral("12 ") + fetchText(Str::RecipesFound));
        G.reset();
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
