#pragma once
// What the benchmarks share: timing and printing helpers, and the generator
// of large, deterministic recipe books.

#include "store/bookfile.h"
#include "store/recipebook.h"
#include "store/store.h"

#include <QDate>
#include <QFile>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <vector>

namespace benchbook {

constexpr int kCategories = 50;

struct BenchError {
    QString what;
};

// Stops the benchmark with what went wrong.
inline void check(bool ok, const QString& what)
{
    if (!ok)
        throw BenchError{what};
}

inline void say(const QString& line)
{
    std::fputs(qUtf8Printable(line + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

template <typename F>
double timedMs(F&& f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

inline double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t m = v.size() / 2;
    return v.size() % 2 ? v[m] : (v[m - 1] + v[m]) / 2;
}

inline QString ms(double v) { return QString::number(v, 'f', v < 1.0 ? 3 : 2); }
inline QString megabytes(double bytes) { return QString::number(bytes / 1e6, 'f', 1) + QStringLiteral(" MB"); }

// ---------------------------------------------------------------------------
// The generated book

const char* const kAdjectives[] = {"smoky", "golden", "rustic", "spiced", "creamy", "crispy",
                                   "tangy", "honeyed", "roasted", "braised", "summer", "winter",
                                   "garden", "lemony", "peppery", "herbed", "slow-cooked", "country"};
const char* const kMains[] = {"apple", "lentil", "chicken", "mushroom", "pumpkin", "salmon", "walnut",
                              "ginger", "tomato", "leek", "almond", "pear", "chickpea", "beef",
                              "rhubarb", "spinach", "coconut", "fennel", "plum", "barley"};
const char* const kDishes[] = {"tart", "soup", "stew", "salad", "pie", "curry", "loaf", "risotto", "gratin",
                               "cake", "crumble", "chowder", "pilaf", "fritters", "bake", "casserole",
                               "muffins", "pudding"};
const char* const kAmounts[] = {"1", "2", "3", "4", "6", "1/2", "3/4", "1 1/2", "100", "250", "500"};
const char* const kUnits[] = {"cups", "tbsp", "tsp", "g", "oz", "ml", "cloves", "pinch of", "large", "small"};
const char* const kIngredients[] = {
    "plain flour", "unsalted butter, diced", "caster sugar", "free-range eggs", "whole milk",
    "crème fraîche", "sea salt", "freshly ground black pepper", "olive oil", "garlic, crushed",
    "brown onions, finely chopped", "fresh thyme leaves", "unwaxed lemon zest", "jalapeño, seeded",
    "hot chicken stock", "double cream", "ground cinnamon", "baking powder", "grated parmesan",
    "flat-leaf parsley, chopped"};
const char* const kSteps[] = {
    "Preheat the oven to 180 °C and grease a deep baking dish.",
    "Sift the flour with the baking powder and a pinch of salt into a large bowl.",
    "Rub in the butter with your fingertips until the mixture looks like fine crumbs.",
    "Soften the onions and garlic in the oil over a low heat for about ten minutes.",
    "Whisk the eggs with the milk and pour over the dry ingredients, stirring gently.",
    "Bring to the boil, then cover and simmer until tender, stirring now and then.",
    "Season to taste with salt and pepper and stir through the chopped herbs.",
    "Spoon into the dish, smooth the top and bake for 35 to 40 minutes until golden.",
    "Leave to stand for five minutes before slicing or serving.",
    "Purée half of the mixture, return it to the pan and reheat without boiling.",
    "Toast the nuts in a dry pan until fragrant, then chop them roughly.",
    "Fold in the fruit and lemon zest, taking care not to overmix."};
const char* const kNotes[] = {
    "Keeps for three days in the fridge; reheat gently.", "Freezes well for up to a month.",
    "From Aunt Margaret's kitchen notebook.", "Use day-old bread if you have it.",
    "Halve the chilli for a milder version.", "Serve with a crisp green salad and crusty bread.",
    "Good cold the next day for lunch."};

inline const QString kLineBreak = QStringLiteral("\r\n");

// Deterministic recipe texts: the same size always gives the same book.
class RecipeMaker {
public:
    explicit RecipeMaker(quint32 seed) : rng_(seed) {}

    int below(int n) { return int(rng_.bounded(quint32(n))); }

    template <size_t N>
    QString pick(const char* const (&words)[N])
    {
        return QString::fromUtf8(words[below(int(N))]);
    }

    // "Recipe 000123 apple tart", with one to four words after the number.
    QString title(int number, int width)
    {
        QString t = QStringLiteral("Recipe %1 ").arg(number, width, 10, QLatin1Char('0'));
        switch (below(3)) {
        case 0: return t + pick(kMains) + QLatin1Char(' ') + pick(kDishes);
        case 1: return t + pick(kAdjectives) + QLatin1Char(' ') + pick(kMains) + QLatin1Char(' ') + pick(kDishes);
        default:
            return t + pick(kMains) + QStringLiteral(" and ") + pick(kMains) + QLatin1Char(' ') + pick(kDishes);
        }
    }

    bd::Recipe recipe(const QString& title)
    {
        bd::Recipe f;
        f.title = title;
        f.preptime = QStringLiteral("%1 min").arg(5 * (1 + below(12)));
        f.cooktime = below(2) ? QStringLiteral("%1 min").arg(10 * (1 + below(6)))
                              : QStringLiteral("1 hr %1 min").arg(5 * below(12));
        f.yield = QStringLiteral("%1 servings").arg(2 + below(7));
        f.ing = ingredients();
        f.prep = method();
        f.other = notes();
        f.date = QDate(2015, 1, 1).addDays(below(3650)).toString(QStringLiteral("M/d/yyyy"));
        return f;
    }

    bd::Recipe input(const QString& title, const QString& category)
    {
        const bd::Recipe f = recipe(title);
        bd::Recipe in;
        in.title = f.title;
        in.preptime = f.preptime;
        in.cooktime = f.cooktime;
        in.yield = f.yield;
        in.ing = f.ing;
        in.prep = f.prep;
        in.other = f.other;
        in.category = category;
        return in;
    }

private:
    // About 1.2 KB across the three texts: 380 + 620 + 200 characters.
    QString ingredients()
    {
        QStringList lines;
        for (int length = 0; length < 380;) {
            lines << pick(kAmounts) + QLatin1Char(' ') + pick(kUnits) + QLatin1Char(' ') + pick(kIngredients);
            length += lines.last().size() + 2;
        }
        return lines.join(kLineBreak);
    }

    QString method()
    {
        QStringList lines;
        for (int length = 0; length < 620;) {
            lines << QString::number(lines.size() + 1) + QStringLiteral(". ") + pick(kSteps);
            length += lines.last().size() + 2;
        }
        return lines.join(kLineBreak);
    }

    QString notes()
    {
        QStringList lines;
        for (int length = 0; length < 200;) {
            lines << pick(kNotes);
            length += lines.last().size() + 2;
        }
        return lines.join(kLineBreak);
    }

    QRandomGenerator rng_;
};

// Category 0 takes about twice the share of each of the others.
inline std::vector<int> categorySizes(int recipes)
{
    std::vector<int> sizes(kCategories);
    sizes[0] = int(std::lround(2.0 * recipes / (kCategories + 1)));
    const int rest = recipes - sizes[0];
    const int others = kCategories - 1;
    for (int c = 1; c < kCategories; ++c)
        sizes[size_t(c)] = rest / others + (c - 1 < rest % others ? 1 : 0);
    return sizes;
}

inline QString categoryName(int c) { return QStringLiteral("Category %1").arg(c, 2, 10, QLatin1Char('0')); }

struct GeneratedBook {
    QStringList titles;      // in book order
    std::vector<int> sizes;  // recipes per category
    qint64 bytes = 0;
    double textPerRecipe = 0; // characters of ing + prep + other
    int titleWidth = 6;
};

inline GeneratedBook generateBook(const QString& path, int recipes, RecipeMaker& maker)
{
    GeneratedBook out;
    out.sizes = categorySizes(recipes);
    out.titleWidth = std::max(6, int(QString::number(recipes + 1000).size()));

    // Title numbers are shuffled so that no category's titles come in
    // sorted order.
    std::vector<int> numbers(static_cast<size_t>(recipes));
    std::iota(numbers.begin(), numbers.end(), 0);
    for (int i = recipes - 1; i > 0; --i)
        std::swap(numbers[size_t(i)], numbers[size_t(maker.below(i + 1))]);

    bd::RecipeBook book;
    qint64 text = 0;
    size_t next = 0;
    for (int c = 0; c < kCategories; ++c) {
        const int position = book.appendCategory(categoryName(c));
        for (int i = 0; i < out.sizes[size_t(c)]; ++i) {
            const bd::Recipe f = maker.recipe(maker.title(numbers[next++], out.titleWidth));
            text += f.ing.size() + f.prep.size() + f.other.size();
            out.titles << f.title;
            book.appendRecipe(position, f);
        }
    }
    out.textPerRecipe = recipes > 0 ? double(text) / recipes : 0;

    const QByteArray data = book.serialize();
    const bd::SaveResult saved = bd::writeFileAtomically(path, data);
    if (!saved)
        throw BenchError{QStringLiteral("cannot write %1: %2").arg(path, saved.error)};
    out.bytes = data.size();
    return out;
}

inline QByteArray readWhole(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw BenchError{QStringLiteral("cannot read %1: %2").arg(path, f.errorString())};
    return f.readAll();
}

} // namespace benchbook
