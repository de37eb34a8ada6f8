// Cooking from the windows: the browse window's servings and units, saving
// the shown recipe as a new one, the shopping list window and the cook
// mode, driven as a cook would. What the figures are is the cooking
// logic's own test; here what is shown must be what it gives.

#include "app/application.h"
#include "app/base/globals.h"
#include "app/base/settings.h"
#include "app/ui/alarm.h"
#include "app/ui/windows.h"
#include "browse/frmBr.h"
#include "output/emailtext.h"
#include "output/frmCook.h"
#include "output/frmShop.h"
#include "output/plaintext.h"
#include "store/store.h"
#include "guitest.h"
#include "testsupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QtEndian>
#include <QtTest>

using namespace bd;

namespace {

Recipe bread()
{
    Recipe f;
    f.title = QStringLiteral("Country bread");
    f.yield = QStringLiteral("2 loaves");
    f.ing = QStringLiteral("4 cups flour\n2 tsp salt\n1 1/2 cups water\n1 tbsp yeast");
    f.prep = QStringLiteral("Mix the flour, salt and yeast.\nKnead for 10 minutes.\nBake at 425°F for 35 minutes.");
    f.date = QStringLiteral("1/2/2026");
    return f;
}

Recipe soup()
{
    Recipe f;
    f.title = QStringLiteral("Leek soup");
    f.yield = QStringLiteral("4 servings");
    f.ing = QStringLiteral("2 cups water\n1 lb leeks\n2 tsp salt");
    f.prep = QStringLiteral("Simmer 20 minutes.");
    return f;
}

// "Bread" (0): Country bread; "Soups" (1): Leek soup, Plain water.
void fillBook()
{
    RecipeBook& b = G.xmlDoc;
    b.appendCategory(QStringLiteral("Bread"));
    b.appendCategory(QStringLiteral("Soups"));
    b.appendRecipe(0, bread());
    b.appendRecipe(1, soup());
    Recipe water;
    water.title = QStringLiteral("Plain water");
    water.yield = QStringLiteral("a jug");
    water.ing = QStringLiteral("water");
    b.appendRecipe(1, water);
    QVERIFY(bookStore().save());
}

frmBr* openBrowse()
{
    registerStandardWindows();
    auto* br = static_cast<frmBr*>(showWindow(WindowKind::Br));
    br->selectRecipe(QStringLiteral("Bread"), QStringLiteral("Country bread"));
    return br;
}

// A text as a box shows it: line feeds alone.
QString shown(QString text) { return text.remove(QLatin1Char('\r')); }

// The recipe boxes hold what the logic gives for the view.
void checkShows(const frmBr& br, const Recipe& stored, const CookView& view)
{
    const Recipe viewed = viewedRecipe(stored, view, G.langOffset);
    QCOMPARE(br.txtIng->toPlainText(), shown(viewed.ing));
    QCOMPARE(br.txtPrep->toPlainText(), shown(viewed.prep));
    QCOMPARE(br.shownRecipe().yield, viewed.yield);
    // Shortened to its place, it is whole in the tip.
    QVERIFY(br.lblYld->text() == viewed.yield || br.lblYld->toolTip() == viewed.yield);
}

} // namespace

class TestCookWindows : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        resetWindows();
        setAlarmRinger({});
    }

    // Servings and units change what is shown, printed, previewed and put
    // in the plain-text view and the e-mail; never the book on disk. The
    // servings start at the recipe's own count each time, the units are
    // remembered, and one click shows the recipe as written again.
    void browseWindowShowsTheRecipeForOtherServingsAndUnits()
    {
        bdtest::TestEnv env;
        fillBook();
        const QByteArray before = env.read(QStringLiteral("recipes.xml"));
        frmBr* br = openBrowse();
        const Recipe stored = bread();
        const int own = qRound(readYield(stored.yield).count);
        QVERIFY(own > 0);
        QVERIFY(br->spnServings->isEnabled());
        QCOMPARE(br->spnServings->value(), own);
        QVERIFY(!br->mnuSaveScaled->isEnabled() && !br->cmdAsWritten->isEnabled());
        checkShows(*br, stored, {});

        br->spnServings->setValue(own * 3);
        const CookView tripled{double(own * 3), UnitSystem::AsWritten};
        QCOMPARE(br->cookView(), tripled);
        checkShows(*br, stored, tripled);
        QVERIFY(br->mnuSaveScaled->isEnabled());
        br->cboUnits->setCurrentIndex(int(UnitSystem::Metric));
        const CookView metric{double(own * 3), UnitSystem::Metric};
        checkShows(*br, stored, metric);
        const Recipe viewed = viewedRecipe(stored, metric, 0);

        // Printing, the preview and the plain-text view take what is shown.
        br->mnuPrint->trigger();
        br->mnuPrintPrev->trigger();
        QCOMPARE(env.dialogs.calls.size(), 2);
        for (const auto& call : env.dialogs.calls)
            for (const QString& line : viewed.ing.split(QLatin1Char('\n')))
                QVERIFY2(call.document.contains(line), qPrintable(line));
        br->mnuPlainText->trigger();
        auto* plain = instance(WindowKind::PlainText)->findChild<QPlainTextEdit*>(QStringLiteral("text1"));
        Recipe printed = br->shownRecipe();
        QCOMPARE(plain->toPlainText(), shown(plainTextRecipe(printed)));
        QVERIFY(plain->toPlainText().contains(viewed.yield));
        instance(WindowKind::PlainText)->close();
        QTRY_VERIFY(!instance(WindowKind::PlainText));
        // The e-mail takes the recipe as shown, the others as written.
        setEmailView({0, stored.title}, metric);
        QVERIFY(findRecipe(0, stored.title).contains(viewed.ing));
        QVERIFY(findRecipe(1, QStringLiteral("Leek soup")).contains(soup().ing));
        setEmailView({}, {});
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);

        // Another recipe starts at its own servings; the units stay.
        br->selectRecipe(QStringLiteral("Soups"), QStringLiteral("Leek soup"));
        QCOMPARE(br->spnServings->value(), qRound(readYield(soup().yield).count));
        QCOMPARE(br->cboUnits->currentIndex(), int(UnitSystem::Metric));
        checkShows(*br, soup(), {0, UnitSystem::Metric});
        QCOMPARE(readValue(QStringLiteral("units")), QStringLiteral("1"));
        // A yield that counts nothing cannot be scaled.
        br->selectRecipe(QStringLiteral("Soups"), QStringLiteral("Plain water"));
        QVERIFY(!br->spnServings->isEnabled());
        QCOMPARE(br->spnServings->text().trimmed(), QString());
        // A new browse window starts in the units chosen.
        resetWindows();
        br = openBrowse();
        QCOMPARE(br->cboUnits->currentIndex(), int(UnitSystem::Metric));
        br->spnServings->setValue(own + 1);
        // One click and the recipe is as written.
        br->cmdAsWritten->click();
        QCOMPARE(br->cookView(), CookView());
        checkShows(*br, stored, {});
        QCOMPARE(br->txtIng->toPlainText(), shown(stored.ing));
        QCOMPARE(readValue(QStringLiteral("units")), QStringLiteral("0"));

        // The edit window gets the recipe as written, whatever is shown.
        br->spnServings->setValue(own * 2);
        br->edit();
        QCOMPARE(G.editRecipe().ing, stored.ing);
        QCOMPARE(G.editRecipe().yield, stored.yield);
        QCOMPARE(env.read(QStringLiteral("recipes.xml")), before);
    }

    // Save as New Recipe adds exactly one recipe, the one shown, in the
    // same category; a title the book holds is refused and asked again,
    // and Cancel adds nothing.
    void savingTheShownRecipeAddsOneRecipe()
    {
        bdtest::TestEnv env;
        fillBook();
        frmBr* br = openBrowse();
        const int own = qRound(readYield(bread().yield).count);
        br->spnServings->setValue(own * 2);
        const Recipe viewed = viewedRecipe(bread(), br->cookView(), 0);

        env.dialogs.inputs = {std::nullopt};
        br->mnuSaveScaled->trigger();
        QCOMPARE(G.xmlDoc.recipeTitles(0).size(), 1);

        env.dialogs.clear();
        env.dialogs.inputs = {QStringLiteral("Leek soup"), QStringLiteral("  Two breads ")};
        br->mnuSaveScaled->trigger();
        QCOMPARE(env.dialogs.calls[0].kind, bdtest::ScriptedDialogs::Kind::Input);
        QVERIFY(env.dialogs.calls[0].defaultAnswer.startsWith(QStringLiteral("Country bread (")));
        QVERIFY(env.dialogs.calls[0].defaultAnswer.contains(QString::number(own * 2)));
        QVERIFY(env.dialogs.shown(Str::TitleTaken));
        QCOMPARE(G.xmlDoc.recipeTitles(0),
                 (QStringList{QStringLiteral("Country bread"), QStringLiteral("Two breads")}));
        QCOMPARE(G.xmlDoc.recipeTitles(1).size(), 2);
        const Recipe kept = *bdtest::DiskBook().recipe({0, QStringLiteral("Two breads")});
        QCOMPARE(kept.ing, viewed.ing);
        QCOMPARE(kept.yield, viewed.yield);
        QCOMPARE(bdtest::DiskBook().recipe({0, QStringLiteral("Country bread")})->ing, bread().ing);
        // The new recipe is shown, at its own servings.
        QCOMPARE(br->lstRecs->currentItem()->text(), QStringLiteral("Two breads"));
        QCOMPARE(br->cookView(), CookView());
    }

    // The shopping list starts with the shown recipe at its servings there;
    // more are added from the book by title; ticked items stay out of what
    // is copied, saved and printed.
    void shoppingListLeavesOutWhatIsAtHome()
    {
        bdtest::TestEnv env;
        fillBook();
        frmBr* br = openBrowse();
        const int own = qRound(readYield(bread().yield).count);
        br->spnServings->setValue(own * 2);
        br->mnuShopping->trigger();
        auto* shop = qobject_cast<frmShop*>(instance(WindowKind::Shop));
        QVERIFY(shop && !br->isEnabled());
        QCOMPARE(shop->tblChosen->rowCount(), 1);
        QCOMPARE(qobject_cast<QSpinBox*>(shop->tblChosen->cellWidget(0, 1))->value(), own * 2);
        auto expected = [](const std::vector<ShoppingChoice>& choices) {
            return shoppingList(choices, UnitSystem::AsWritten, 0);
        };
        QCOMPARE(shop->items().size(), expected({{bread(), double(own * 2)}}).size());

        QTest::keyClicks(shop->txtFind, QStringLiteral("LEEK"));
        QCOMPARE(shop->lstBook->currentItem()->text(), QStringLiteral("Leek soup"));
        QVERIFY(shop->lstBook->findItems(QStringLiteral("Plain water"), Qt::MatchExactly).first()->isHidden());
        shop->cmdAddRecipe->click();
        shop->cmdAddRecipe->click(); // once is enough
        QCOMPARE(shop->tblChosen->rowCount(), 2);
        const std::vector<ShoppingItem> both = expected({{bread(), double(own * 2)}, {soup(), 0}});
        QCOMPARE(shop->items().size(), both.size());
        QVERIFY(both.size() >= 2);

        // Tick the first item of the list.
        QListWidgetItem* first = nullptr;
        for (int i = 0; i < shop->lstShop->count() && !first; ++i)
            if (shop->lstShop->item(i)->flags() & Qt::ItemIsUserCheckable)
                first = shop->lstShop->item(i);
        QVERIFY(first);
        const QString home = first->text();
        first->setCheckState(Qt::Checked);
        std::vector<bool> atHome(both.size(), false);
        atHome[0] = true;
        // The logic's text, with the recipes it is for under its heading.
        const QString forLine = fetchText(Str::ShopForRecipes, 0).arg(QStringLiteral("Country bread, Leek soup"));
        QString text = shop->listText();
        QVERIFY(text.contains(QStringLiteral("\r\n") + forLine + QStringLiteral("\r\n")));
        QCOMPARE(text.remove(forLine + QStringLiteral("\r\n")), shoppingListText(shop->items(), atHome, 0));
        const QStringList lines = shop->listText().split(QStringLiteral("\r\n"));
        QVERIFY(!lines.contains(home));
        QVERIFY(lines.contains(both[1].text) || shop->listText().contains(both[1].text));
        // A change of units keeps the tick where the item reads the same.
        shop->cboShopUnits->setCurrentIndex(int(UnitSystem::AsWritten));

        shop->cmdShopCopy->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), shop->listText());
        env.dialogs.files = {env.file(QStringLiteral("list.txt"))};
        shop->cmdShopSave->click();
        QCOMPARE(env.read(QStringLiteral("list.txt")), plainTextFileBytes(shop->listText()));
        shop->cmdShopPrint->click();
        QCOMPARE(env.dialogs.last()->kind, bdtest::ScriptedDialogs::Kind::Print);
        QVERIFY(!env.dialogs.last()->document.contains(home));
        QVERIFY(env.dialogs.last()->document.contains(both[1].text));

        // Removing a recipe takes its items away.
        shop->removeRecipe(1);
        QCOMPARE(shop->items().size(), expected({{bread(), double(own * 2)}}).size());
        QTest::keyClick(shop, Qt::Key_Escape);
        QTRY_VERIFY(!instance(WindowKind::Shop));
        QVERIFY(br->isEnabled());
    }

    // The e-mail window takes the shopping list in its message, and the
    // shown recipe as shown; what it was handed goes when it closes.
    void emailTakesTheListAndTheShownRecipe()
    {
        bdtest::TestEnv env;
        fillBook();
        frmBr* br = openBrowse();
        br->mnuShopping->trigger();
        auto* shop = qobject_cast<frmShop*>(instance(WindowKind::Shop));
        const QString list = shop->listText();
        shop->cmdShopEmail->click();
        QTRY_VERIFY(instance(WindowKind::Email));
        QCOMPARE(emailExtra(), list);
        auto* recipes = instance(WindowKind::Email)->findChild<QListWidget*>(QStringLiteral("lstEmailRecs"));
        QCOMPARE(recipes->item(0)->checkState(), Qt::Checked);
        QVERIFY(emailMessage(QStringLiteral("Ann"), {}, list).contains(list));
        instance(WindowKind::Email)->close();
        QTRY_VERIFY(instance(WindowKind::Br));
        QCOMPARE(emailExtra(), QString());
    }

    // The cook mode shows the recipe as the browse window does, one step at
    // a time (arrows, Space, buttons), starts the timers a step names,
    // rings once when one ends, and leaves with Escape.
    void cookModeStepsTimesAndLeaves()
    {
        bdtest::TestEnv env;
        bdtest::StillClock clock;
        int rings = 0;
        setAlarmRinger([&rings] { ++rings; });
        fillBook();
        frmBr* br = openBrowse();
        const int own = qRound(readYield(bread().yield).count);
        br->spnServings->setValue(own * 2);
        QVERIFY(br->mnuCook->isEnabled());
        br->mnuCook->trigger();
        auto* cook = qobject_cast<frmCook*>(instance(WindowKind::Cook));
        QVERIFY(cook && !br->isEnabled());
        const Recipe viewed = viewedRecipe(bread(), br->cookView(), 0);
        QStringList lines = viewed.ing.split(QLatin1Char('\n'));
        lines.removeAll(QString());
        QCOMPARE(bdtest::texts(cook->lstCookIng), lines);
        const std::vector<QString> steps = preparationSteps(viewed.prep);
        QCOMPARE(cook->stepCount(), int(steps.size()));
        QVERIFY(steps.size() >= 3);

        QCOMPARE(cook->step(), 0);
        QTest::keyClick(cook, Qt::Key_Right);
        QCOMPARE(cook->step(), 1);
        QTest::keyClick(cook, Qt::Key_Space);
        QCOMPARE(cook->step(), 2);
        QTest::keyClick(cook, Qt::Key_Left);
        QCOMPARE(cook->step(), 1);
        cook->cmdNextStep->click();
        QCOMPARE(cook->step(), 2);
        QCOMPARE(cook->lblStepOf->text(), fetchText(Str::StepOf, 0).arg(3).arg(steps.size()));
        cook->showStep(99);
        QCOMPARE(cook->step(), int(steps.size()) - 1);
        QVERIFY(!cook->cmdNextStep->isEnabled());
        cook->showStep(0);
        QVERIFY(!cook->cmdPrevStep->isEnabled());

        // The timers of the step that names a time.
        int timed = -1;
        for (std::size_t i = 0; i < steps.size() && timed < 0; ++i)
            if (!timersInStep(steps[i]).empty())
                timed = int(i);
        QVERIFY(timed >= 0);
        cook->showStep(timed);
        auto* button = cook->findChild<QPushButton*>(QStringLiteral("cmdTimer0"));
        QVERIFY(button);
        const int seconds = timersInStep(steps[std::size_t(timed)]).front().seconds;
        button->click();
        button->click(); // two at once
        QCOMPARE(cook->timers().size(), std::size_t(2));
        cook->stopCountdown(1);
        QCOMPARE(cook->timers().size(), std::size_t(1));
        QCOMPARE(cook->timers()[0].label->text().section(QLatin1Char(' '), 0, 0), timeLeftText(qint64(seconds) * 1000));
        clock.now += qint64(seconds) * 1000 - 1000;
        cook->tick();
        QCOMPARE(rings, 0);
        clock.now += 1000;
        cook->tick();
        cook->tick();
        QCOMPARE(rings, 1);
        QVERIFY(cook->timers()[0].label->text().startsWith(fetchText(Str::TimerDone, 0)));

        QTest::keyClick(cook, Qt::Key_Escape);
        QTRY_VERIFY(!instance(WindowKind::Cook));
        QVERIFY(br->isEnabled());
        // With no recipe shown there is nothing to cook.
        br->clearRecipe();
        QVERIFY(!br->mnuCook->isEnabled());
    }

    void timerTextsAndTone()
    {
        QCOMPARE(timeLeftText(1), QStringLiteral("0:01"));
        QCOMPARE(timeLeftText(25 * 60 * 1000), QStringLiteral("25:00"));
        QCOMPARE(timeLeftText(3723000), QStringLiteral("1:02:03"));
        QCOMPARE(timeLeftText(-5), QStringLiteral("0:00"));
        const QByteArray wav = alarmTone(880, 8000);
        QVERIFY(wav.startsWith("RIFF") && wav.mid(8, 8) == "WAVEfmt ");
        // The sizes in the header match the bytes.
        auto le32 = [&wav](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
        QCOMPARE(le32(4), quint32(wav.size() - 8));
        QCOMPARE(le32(40), quint32(wav.size() - 44));
        QVERIFY(wav.mid(44).count('\0') < wav.size() - 44); // not silence
    }
};

QTEST_MAIN(TestCookWindows)
#include "tst_cookwindows.moc"
