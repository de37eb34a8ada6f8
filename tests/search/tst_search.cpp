// The keyword search without its window: which fields are searched, how the
// keyword is compared, and the lower-casing matcher against QString's own.

#include "app/globals.h"
#include "resources/strings.h"
#include "search/search.h"
#include "store/recipebook.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace bd;

namespace {

RecipeFields recipe(const QString& title)
{
    RecipeFields f;
    f.title = title;
    return f;
}

QStringList found(const QString& keyword) { return searchRecs(G.xmlDoc, keyword).titles; }

} // namespace

class TestSearch : public QObject {
    Q_OBJECT
private slots:
    void onlyTitleIngredientsPreparationAndNotesAreSearched()
    {
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("zest category"));
        // One recipe per field, the word "zest" in that field alone.
        for (int child = 0; child < RChildCount; ++child) {
            RecipeFields f = recipe(QStringLiteral("recipe %1").arg(child));
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
        RecipeFields everywhere = recipe(QStringLiteral("Apple Pie"));
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
        QTest::newRow("only in the times") << QStringLiteral("45 min") << QStringList{};
        QTest::newRow("only in the date") << QStringLiteral("2026") << QStringList{};
        QTest::newRow("the hint text") << QStringLiteral("Enter Search Text") << QStringList{hint};
        QTest::newRow("empty finds every recipe with text") << QString() << all;
        QTest::newRow("N tilde upper") << QString::fromUtf8("ÑORA") << QStringList{pepper};
        QTest::newRow("n tilde lower") << QString::fromUtf8("ñora") << QStringList{pepper};
        QTest::newRow("E acute") << QString::fromUtf8("CRÈME BRÛLÉE") << QStringList{tart};
        QTest::newRow("U diaeresis") << QString::fromUtf8("pingüino") << QStringList{tart};
        QTest::newRow("O acute lower finds upper") << QString::fromUtf8("padrón") << QStringList{pepper};
        QTest::newRow("accent is not ignored") << QStringLiteral("padron") << QStringList{};
    }

    void keywordCases()
    {
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        bdtest::TestEnv env;
        RecipeBook& b = G.xmlDoc;
        b.appendCategory(QStringLiteral("Mains"));
        RecipeFields f = recipe(QStringLiteral("Apple Pie"));
        f.yield = QStringLiteral("a dozen");
        f.preptime = QStringLiteral("45 min");
        f.date = QStringLiteral("12/6/2026");
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

    void countLine()
    {
        G.reset();
        QCOMPARE(resultCountLine(3), QStringLiteral("3 recipe(s) found"));
        QCOMPARE(resultCountLine(0), QStringLiteral("0 recipe(s) found"));
        G.langOffset = 300;
        QVERIFY(resultCountLine(12).startsWith(QStringLiteral("12 ")));
        QCOMPARE(resultCountLine(12).mid(3), fetchText(189));
        G.reset();
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
