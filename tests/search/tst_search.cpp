// The keyword search: which fields are searched, how the keyword is
// compared, the lower-casing matcher against QString's own; then the search
// window driven as a user would, over a live browse window.

#include "app/application.h"
#include "app/base/globals.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "app/base/text.h"
#include "search/frmSearch.h"
#include "search/search.h"
#include "store/store.h"
#include "guitest.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
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

QStringList found(const QString& keyword) { return searchRecs(G.xmlDoc, keyword).titles; }

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
        QListWidget* results = o.search->lstResults;
        const QRect soup = results->visualItemRect(results->item(1));
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, soup.center());
        QCOMPARE(br->cboCats->currentText(), QStringLiteral("Soups"));
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Pie soup"));
        QCOMPARE(br->lblPT->text(), QStringLiteral("10 min"));

        // Back to the other category, then within it.
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, results->visualItemRect(results->item(0)).center());
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
        QCOMPARE(hits.titles,
                 (QStringList{QStringLiteral("Apple Pie"), QStringLiteral("Zebra pie"), QStringLiteral("Banoffee pie")}));
        QCOMPARE(hits.categories, (QStringList{QStringLiteral("Pies"), QStringLiteral("Afters"), QStringLiteral("Afters")}));
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
        QTest::newRow("leading space is kept") << QStringLiteral(" pie") << QStringList{apple, served};
        QTest::newRow("trailing space is kept") << QStringLiteral("pie ") << QStringList{crust};
        QTest::newRow("only in the yield") << QStringLiteral("dozen") << QStringList{};
        QTest::newRow("the hint text") << QStringLiteral("Enter Search Text") << QStringList{hint};
        QTest::newRow("empty finds every recipe with text") << QString() << all;
        QTest::newRow("N tilde upper") << QString::fromUtf8("ÑORA") << QStringList{pepper};
        QTest::newRow("E acute") << QString::fromUtf8("CRÈME BRÛLÉE") << QStringList{tart};
        QTest::newRow("U diaeresis") << QString::fromUtf8("pingüino") << QStringList{tart};
        QTest::newRow("accent is not ignored") << QStringLiteral("padron") << QStringList{};
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
    // lower-casing both sides as QStrings, whatever the characters and
    // wherever a match falls (the scan works in blocks of 16 bytes).
    void matcherAgreesWithQStringLowerCasing()
    {
        const QStringList pieces{
            QStringLiteral("a"), QStringLiteral("B"), QStringLiteral("z"), QStringLiteral(" "), QStringLiteral("@"),
            QStringLiteral("`"), QStringLiteral("["), QStringLiteral("{"), QStringLiteral("0"), QStringLiteral("\n"),
            QString::fromUtf8("Ñ"), QString::fromUtf8("ñ"), QString::fromUtf8("É"), QString::fromUtf8("é"),
            QString::fromUtf8("Ü"), QString::fromUtf8("°"), QString::fromUtf8("İ"), QString::fromUtf8("i̇"),
            QString::fromUtf8("\u0307"), QString::fromUtf8("K"), QStringLiteral("k"), QString::fromUtf8("Ⱥ"),
            QString::fromUtf8("ⱥ"), QString::fromUtf8("ẞ"), QString::fromUtf8("ß"), QString::fromUtf8("Σ"),
            QString::fromUtf8("σ"), QString::fromUtf8("Ж"), QString::fromUtf8("ж"), QString::fromUtf8("Р"),
            QString::fromUtf8("€"), QString::fromUtf8("𐐀"), QString::fromUtf8("𐐨"), QString::fromUtf8("😀")};
        QRandomGenerator rng(20261206);
        const auto randomText = [&](int maxPieces) {
            QString s;
            const int n = int(rng.bounded(maxPieces + 1));
            for (int i = 0; i < n; ++i)
                s += pieces[int(rng.bounded(pieces.size()))];
            return s;
        };
        for (int round = 0; round < 20000; ++round) {
            const QString keyword = randomText(3);
            QString text = randomText(40);
            // Plant the keyword, in some letter case, in half the texts.
            if (round % 2 && !keyword.isEmpty()) {
                const QString planted = round % 4 == 1 ? keyword.toUpper() : keyword;
                text.insert(int(rng.bounded(text.size() + 1)), planted);
            }
            const bool expected = keyword.isEmpty() ? !text.isEmpty() : text.toLower().contains(keyword.toLower());
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
