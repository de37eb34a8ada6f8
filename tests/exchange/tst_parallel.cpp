// Work shared out over the cores comes back in order: the helpers when
// items finish in any order, and the readers that use them, on files large
// enough to be split, whose recipes differ widely in size (so that later
// ones are done first).

#include "exchange/formats/mastercook.h"
#include "exchange/formats/parallel.h"
#include "exchange/formats/recipeml.h"
#include "exchange/formats/schemaorg.h"
#include "exchange/formats/xmlreading.h"
#include "testsupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

using namespace bd;

namespace {

// Every few recipes one with long directions, the slowest to read.
QString directions(int i) { return QStringLiteral("Stir well and taste. ").repeated(i % 9 == 0 ? 2000 : 3); }

QStringList titlesOf(const RecipeList& list)
{
    QStringList out;
    for (const Recipe& r : list.recipes)
        out << r.title;
    return out;
}

QStringList numbered(int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << QStringLiteral("Dish %1").arg(i);
    return out;
}

} // namespace

class TestParallel : public QObject {
    Q_OBJECT

private slots:
    // Items taken in their order, each once and only once it is done,
    // however the work falls; found one by one as well; called off, none.
    void helpersTakeItemsInOrder()
    {
        constexpr qsizetype n = 300;
        const std::unique_ptr<std::atomic<int>[]> done(new std::atomic<int>[n]());
        QVector<qsizetype> taken, expected;
        for (qsizetype i = 0; i < n; ++i)
            expected << i;
        bool early = false;
        const auto each = [&](qsizetype i) {
            QThread::usleep(ulong((n - i) % 5) * 200); // earlier items slower
            ++done[size_t(i)];
        };
        const auto then = [&](qsizetype i) {
            early = early || done[size_t(i)] != 1;
            taken << i;
        };
        inParallelInOrder(n, each, then);
        QVERIFY(!early);
        QCOMPARE(taken, expected);

        taken.clear();
        for (qsizetype i = 0; i < n; ++i)
            done[size_t(i)] = 0;
        const qsizetype found = whileFound(
            n,
            [&](const std::function<void()>& publish) {
                for (qsizetype i = 0; i < n; ++i) {
                    if (i % 25 == 0)
                        QThread::usleep(500);
                    publish();
                }
                return n;
            },
            each, then);
        QCOMPARE(found, n);
        QVERIFY(!early);
        QCOMPARE(taken, expected);

        taken.clear();
        const qsizetype off = whileFound(
            n,
            [&](const std::function<void()>& publish) {
                for (qsizetype i = 0; i < 40; ++i)
                    publish();
                return qsizetype(-1);
            },
            each, then);
        QCOMPARE(off, qsizetype(-1));
        QVERIFY(taken.isEmpty());
    }

    // A schema.org list of thousands of recipes, read in pieces side by
    // side; one recipe names its author by reference to an object at the
    // end, so that those after it wait until every piece is read.
    void schemaOrgListKeepsItsOrder()
    {
        constexpr int n = 1500;
        for (const bool referring : {false, true}) {
            QJsonArray list;
            for (int i = 0; i < n; ++i) {
                QJsonObject r{{QStringLiteral("@type"), QStringLiteral("Recipe")},
                              {QStringLiteral("name"), QStringLiteral("Dish %1").arg(i)},
                              {QStringLiteral("recipeIngredient"), QJsonArray{QStringLiteral("1 cup rice")}},
                              {QStringLiteral("recipeInstructions"), directions(i)}};
                if (referring && i == n / 3)
                    r.insert(QStringLiteral("author"), QJsonObject{{QStringLiteral("@id"), QStringLiteral("#cook")}});
                list.append(r);
            }
            if (referring)
                list.append(QJsonObject{{QStringLiteral("@type"), QStringLiteral("Person")},
                                        {QStringLiteral("@id"), QStringLiteral("#cook")},
                                        {QStringLiteral("name"), QStringLiteral("Ana")}});
            const RecipeList read = readSchemaOrgJson(QJsonDocument(list).toJson(), {QStringLiteral("Imported"), 0});
            QCOMPARE(titlesOf(read), numbered(n));
            QCOMPARE(read.recipes[n - 1].prep, directions(n - 1).trimmed());
        }
    }

    // MasterCook text of many recipes, cut into blocks read side by side.
    void masterCookTextKeepsItsOrder()
    {
        constexpr int n = 1200;
        QString text;
        for (int i = 0; i < n; ++i) {
            text += QStringLiteral("                     *  Exported from  MasterCook  *\r\n\r\n"
                                   "                                 Dish %1\r\n\r\n"
                                   "Recipe By     : \r\n"
                                   "Serving Size  : 4     Preparation Time :0:10\r\n"
                                   "Categories    : Rice\r\n\r\n"
                                   "  Amount  Measure       Ingredient -- Preparation Method\r\n"
                                   "--------  ------------  --------------------------------\r\n"
                                   "       1  cup           rice\r\n\r\n")
                        .arg(i) +
                    directions(i) +
                    QStringLiteral("\r\n\r\n                   - - - - - - - - - - - - - - - - - - -\r\n\r\n");
        }
        const RecipeList read = readMasterCookText(text, {QStringLiteral("Imported"), 0});
        QCOMPARE(titlesOf(read), numbered(n));
    }

    // An XML file of many recipes: its pieces are parsed side by side while
    // the rest of it is looked through. Each recipe comes once and in order,
    // also where a later piece is no XML or the end of the file cannot be
    // followed, and the pieces read before are let go of.
    void xmlPiecesKeepTheirOrder()
    {
        constexpr int n = 1500;
        QByteArray body;
        for (int i = 0; i < n; ++i)
            body += "<recipe><head><title>Dish " + QByteArray::number(i) +
                    "</title></head><ingredients><ing><item>rice</item></ing></ingredients><directions>" +
                    directions(i).toUtf8() + "</directions></recipe>\n";
        const QByteArray head = "<?xml version=\"1.0\"?>\n<recipeml version=\"0.5\">\n";
        const QByteArray damaged = QByteArray(body).replace("<title>Dish 1400</title>", "<title>Dish 1400</titel>");
        struct Case {
            QByteArray xml;
            QStringList titles;
        };
        QStringList without1400 = numbered(n);
        without1400.removeAt(1400);
        const QList<Case> cases{
            {head + body + "</recipeml>\n", numbered(n)},
            {head + damaged + "</recipeml>\n", without1400},
            {head + body + "<recipe><head><title>Unclosed", numbered(n)},
            {head +
                 QByteArray(body).replace("<recipe><head><title>Dish 1000<",
                                          "<!-- never closed\n<recipe><head><title>Dish 1000<") +
                 "</recipeml>\n",
             numbered(n)},
            // Other tags starting as the recipe's do, and the recipe's
            // tags inside a comment and a CDATA section.
            {head +
                 QByteArray(body)
                     .replace("<head>", "<head><rating>5</rating><recipes/><r a='>'/>")
                     .replace("</recipe>\n", "</recipe><!-- <recipe> --><![CDATA[</recipe>]]>\n") +
                 "</recipeml>\n",
             numbered(n)},
        };
        for (const Case& c : cases) {
            const RecipeList read = readRecipeML(c.xml, {QStringLiteral("Imported"), 0});
            QCOMPARE(titlesOf(read), c.titles);
        }
        // Those the look can follow are cut into pieces, not parsed whole
        // (which would give the same recipes, more slowly).
        for (const Case& c : {cases[0], cases[1], cases[4]}) {
            const auto pieces = xmlPieces(c.xml, "recipe");
            QVERIFY(pieces.size() > 1);
            qsizetype recipes = 0;
            for (const auto& [from, to] : pieces) {
                const QByteArray piece = c.xml.sliced(from, to - from);
                QVERIFY(piece.startsWith("<recipe>") && piece.endsWith("</recipe>"));
                recipes += piece.count("<recipe>");
            }
            QCOMPARE(recipes, qsizetype(n));
        }
        // And read piece by piece as they are found, also where there are
        // more pieces than room was first made for (the recipes of the
        // last case each stand apart); not where one is no XML.
        const auto readTitles = [](const QByteArray& xml, QStringList& titles) {
            return readXmlPieces<QString>(
                xml, "recipe",
                [](const pugi::xml_document& piece, std::vector<QString>& found) {
                    for (pugi::xml_node r : piece.children("recipe"))
                        found.push_back(QString::fromUtf8(r.child("head").child_value("title")));
                },
                [&titles](QString& title) { titles << title; });
        };
        for (const Case& c : {cases[0], cases[4]}) {
            QStringList titles;
            QVERIFY(readTitles(c.xml, titles));
            QCOMPARE(titles, numbered(n));
        }
        QStringList titles;
        QVERIFY(!readTitles(cases[1].xml, titles));
    }
};

QTEST_GUILESS_MAIN(TestParallel)
#include "tst_parallel.moc"
