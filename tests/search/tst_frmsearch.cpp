// The search window driven as a user would, over a live browse window.

#include "app/application.h"
#include "app/globals.h"
#include "app/twips.h"
#include "app/windows.h"
#include "browse/frmBr.h"
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
#include <QtTest>

using namespace bd;

namespace {

RecipeFields recipe(const QString& title, const QString& ing, const QString& preptime)
{
    RecipeFields f;
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
    QVERIFY(saveBook());
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

} // namespace

class TestFrmSearch : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { resetWindows(); }

    void opensWithTheHintSelectedAndSearchesOnEnter()
    {
        bdtest::TestEnv env;
        fillBook();
        const Opened o = openSearch();
        QVERIFY(o.search);
        QVERIFY(!o.br->isEnabled());
        QVERIFY(o.search->isEnabled());
        QCOMPARE(o.search->windowTitle(), QStringLiteral("BD | Search"));
        QCOMPARE(o.search->txtKeyword->selectedText(), QStringLiteral("Enter Search Text"));
        QVERIFY(o.search->lblCount->text().isEmpty());
        QCOMPARE(o.search->lstResults->count(), 0);

        // Typing replaces the hint; Enter searches and adds nothing to the box.
        typeAndSearch(o.search, QStringLiteral("PIE"));
        QCOMPARE(o.search->txtKeyword->text(), QStringLiteral("PIE"));
        // Sorted, across categories; the hidden pair in finding order.
        QCOMPARE(texts(o.search->lstResults),
                 (QStringList{QStringLiteral("Apple Pie"), QStringLiteral("Pie soup"), QStringLiteral("Trifle")}));
        QCOMPARE(texts(o.search->lstResultHid),
                 (QStringList{QStringLiteral("Pie soup"), QStringLiteral("Apple Pie"), QStringLiteral("Trifle")}));
        QCOMPARE(texts(o.search->lstResultCat),
                 (QStringList{QStringLiteral("Soups"), QStringLiteral("Desserts"), QStringLiteral("Desserts")}));
        QVERIFY(o.search->lstResultHid->isHidden());
        QVERIFY(o.search->lstResultCat->isHidden());
        QCOMPARE(o.search->lblCount->text(), QStringLiteral("3 recipe(s) found"));

        // A word only in the preparation time finds nothing; the button searches too.
        o.search->txtKeyword->setText(QStringLiteral("min"));
        o.search->cmdSearch->click();
        QCOMPARE(o.search->lstResults->count(), 0);
        QCOMPARE(o.search->lblCount->text(), QStringLiteral("0 recipe(s) found"));

        // The hint text itself is searched when nothing was typed.
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

        // A long title can be read in the list's tool tip.
        QTest::mouseMove(results->viewport(), results->visualItemRect(results->item(2)).center());
        QTRY_COMPARE(results->toolTip(), QStringLiteral("Trifle"));

        // Back to the other category, then within it.
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, results->visualItemRect(results->item(0)).center());
        QCOMPARE(br->cboCats->currentText(), QStringLiteral("Desserts"));
        QCOMPARE(br->lblPT->text(), QStringLiteral("20 min"));

        // The keyboard: the arrow keys move through the results, Enter shows one.
        results->setFocus();
        QTest::keyClick(results, Qt::Key_Down);
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Pie soup"));
        QTest::keyClick(results, Qt::Key_Down);
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Trifle"));
        QCOMPARE(br->lblPT->text(), QStringLiteral("25 min"));
        br->lstRecs->setCurrentRow(0); // the browse list moved on meanwhile
        QTest::keyClick(results, Qt::Key_Return);
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Trifle"));

        // The search window stays open with its results.
        QVERIFY(o.search->isVisible());
        QCOMPARE(results->count(), 3);
        QVERIFY(!br->isEnabled());
    }

    void aTitleTheBrowseListLacksLeavesTheFirstRecipeShown()
    {
        bdtest::TestEnv env;
        fillBook();
        const Opened o = openSearch();
        showFoundRecipe(QStringLiteral("Soups"), QStringLiteral("No such title"));
        QCOMPARE(o.br->cboCats->currentText(), QStringLiteral("Soups"));
        QCOMPARE(o.br->lstRecs->currentItem()->text(), QStringLiteral("Leek soup"));
        QCOMPARE(o.br->lblPT->text(), QStringLiteral("5 min"));
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

    void theWindowIsSizedByTheTextSize_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<double>("windowWidth");
        QTest::addColumn<double>("contentWidth");
        QTest::newRow("small") << 8 << 3060.0 << 2600.0;
        QTest::newRow("medium") << 10 << 3945.0 << 3500.0;
        QTest::newRow("large") << 12 << 5100.0 << 4700.0;
        QTest::newRow("other") << 9 << 5100.0 << 4700.0;
    }

    void theWindowIsSizedByTheTextSize()
    {
        QFETCH(int, points);
        QFETCH(double, windowWidth);
        QFETCH(double, contentWidth);
        bdtest::TestEnv env;
        G.textFontSize = points;
        frmSearch w;
        QCOMPARE(layoutSearch(points).windowWidth, windowWidth);
        QCOMPARE(w.lstResults->width(), pxX(contentWidth));
        QCOMPARE(w.txtKeyword->width(), pxX(contentWidth));
        QCOMPARE(w.lblCount->width(), pxX(contentWidth));
        QCOMPARE(w.lstResults->font().pointSize(), points);
        QCOMPARE(w.minimumSize(), w.maximumSize()); // not resizable
        // Everything fits inside the window.
        for (QWidget* c : {static_cast<QWidget*>(w.fraBtn), static_cast<QWidget*>(w.lblCount)})
            QVERIFY(QRect(QPoint(), w.size()).contains(c->geometry()));
    }
};

QTEST_MAIN(TestFrmSearch)
#include "tst_frmsearch.moc"
