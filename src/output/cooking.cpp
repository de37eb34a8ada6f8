#include "output/cooking.h"

#include "output/units.h"
#include "resources/strings.h"
#include "search/fold.h"
#include "store/amounts.h"
#include "store/ingredients.h"

#include <QRegularExpression>

#include <cmath>
#include <map>

namespace bd {

namespace {

// The words that say a yield counts people or servings.
constexpr const char16_t* kServingWords[] = {
    u"serving", u"servings",  u"serves", u"serve",    u"people",  u"persons",  u"person",   u"portion",    u"portions",
    u"porción", u"porciones", u"ración", u"raciones", u"persona", u"personas", u"comensal", u"comensales",
};

bool servingWord(QStringView word)
{
    for (const char16_t* w : kServingWords)
        if (word.compare(QStringView(w), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// The first word of letters in s from i on, and where it starts.
QStringView firstWord(QStringView s, qsizetype from, qsizetype* at = nullptr)
{
    qsizetype i = from;
    while (i < s.size() && !s[i].isLetter()) {
        if (!s[i].isSpace() && s[i] != QLatin1Char('(') && s[i] != QLatin1Char(')'))
            break;
        ++i;
    }
    qsizetype end = i;
    while (end < s.size() && (s[end].isLetter() || s[end] == QLatin1Char('-')))
        ++end;
    if (at)
        *at = i;
    return s.mid(i, end - i);
}

// The quantity a text holds first, wherever it stands ("Serves 4-6").
bool firstQuantity(QStringView text, Quantity& q)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool prior = i > 0 && (text[i - 1].isDigit() || text[i - 1].isLetter());
        if (!prior && readQuantity(text, i, q))
            return true;
    }
    return false;
}

// Text with the counted word at from (after an optional size word) in the
// singular or plural; unchanged when the word is not a counted one.
QString inflectCounted(const QString& text, qsizetype from, bool plural)
{
    qsizetype at = 0;
    QStringView word = firstWord(text, from, &at);
    if (sizeWord(word))
        word = firstWord(text, at + word.size(), &at);
    const QString inflected = inflectedCountWord(word, plural);
    if (inflected.isEmpty())
        return text;
    QString out = text;
    return out.replace(at, word.size(), inflected);
}

bool pluralAmount(double value) { return value > 1 + 1e-9; }

// The unit scaled amounts are written in, and whether the system allows
// another unit of it to be chosen.
UnitId rescaledUnit(UnitId unit, double base, UnitSystem system)
{
    switch (unit) {
    case UnitId::Cup:
    case UnitId::Tbsp:
    case UnitId::Tsp:
    case UnitId::Ml:
    case UnitId::Cl:
    case UnitId::Dl:
    case UnitId::L:
    case UnitId::Oz:
    case UnitId::Lb:
    case UnitId::G:
    case UnitId::Kg: return cookUnit(unitSize(unit).dimension, system, base);
    default: return unit;
    }
}

// Less than a cup that no cup measure comes near (3/8 cup) reads better
// in spoons.
bool oddCup(UnitId unit, double cups)
{
    return unit == UnitId::Cup && cups < 1 && std::fabs(cookRounded(cups, unit) - cups) > cups * 0.05;
}

// An ingredient line's amount and unit as shown: scaled by factor and
// converted to units. Returns the line unchanged when it has no amount.
QString viewedLine(const QString& line, double factor, UnitSystem units, int langOffset)
{
    const LineAmount a = readLineAmount(line);
    if (!a.found)
        return line;
    const UnitSize size = unitSize(a.unit);
    const QString rest = line.mid(a.textStart);
    const bool convert = size.system != UnitSystem::AsWritten && units != UnitSystem::AsWritten && units != size.system;
    double low = a.amount.low * factor, high = a.amount.high * factor;
    UnitId unit = a.unit;
    if (convert) {
        Dimension dimension = size.dimension;
        double perBase = size.base;
        if (dimension == Dimension::Volume && units == UnitSystem::Metric && a.unit != UnitId::Tsp &&
            a.unit != UnitId::FlOz) {
            if (const double grams = gramsPerCup(rest)) {
                dimension = Dimension::Weight;
                perBase = size.base / unitSize(UnitId::Cup).base * grams;
            }
        }
        unit = cookUnit(dimension, units, high * perBase);
        low = low * perBase / unitSize(unit).base;
        high = high * perBase / unitSize(unit).base;
    } else if (factor != 1) {
        // Scaled in its own system: a quarter cup becomes spoons, 1000 g a kilogram.
        unit = rescaledUnit(a.unit, high * size.base, size.system);
        if (unit != a.unit) {
            low = low * size.base / unitSize(unit).base;
            high = high * size.base / unitSize(unit).base;
        }
    } else {
        return line;
    }
    if (oddCup(unit, high)) {
        low *= 16;
        high *= 16;
        unit = UnitId::Tbsp;
    }
    low = cookRounded(low, unit);
    high = cookRounded(high, unit);
    QString amount = amountText(low, unit, langOffset);
    if (a.amount.range() && high > low) {
        const QString upper = amountText(high, unit, langOffset);
        // "1 - 1 1/2", not "1-1 1/2", which reads as one number.
        const bool mixed = amount.contains(QLatin1Char(' ')) || upper.contains(QLatin1Char(' '));
        amount += (mixed && a.amount.between == QLatin1String("-") ? QStringLiteral(" - ") : a.amount.between) + upper;
    }
    const bool plural = pluralAmount(high);
    QString out = line.left(a.amount.start) + amount;
    if (a.unit == UnitId::None) {
        const QString after = line.mid(a.amount.end);
        return out + inflectCounted(after, 0, plural);
    }
    if (unit == a.unit)
        out += line.mid(a.amount.end, a.unitStart - a.amount.end) +
               inflectedUnitWord(QStringView(line).mid(a.unitStart, a.unitEnd - a.unitStart), plural);
    else
        out += QLatin1Char(' ') + unitText(unit, plural, langOffset);
    return out + line.mid(a.end);
}

// Oven and other temperatures: "350°F", "350 ° F", "350 degrees F",
// "180 °C", "180ºC", "180 grados", "350F", "350-375 °F".
const QRegularExpression& temperaturePattern()
{
    static const QRegularExpression re(
        QStringLiteral("(?<![\\d.,/])(\\d{2,3})(?:\\s?(?:-|–|to|a)\\s?(\\d{2,3}))?"
                       "(?:\\s?[°º˚]\\s?([FfCc])(?![[:alpha:]])|\\s?[°º˚]|\\s(?:degrees?|grados?)"
                       "(?:\\s+(F|C|Fahrenheit|Celsius|cent[ií]grados?)(?![[:alpha:]]))?|(?-i:([FC]))(?![[:alpha:]]))"),
        QRegularExpression::UseUnicodePropertiesOption | QRegularExpression::CaseInsensitiveOption);
    return re;
}

QString convertTemperatures(const QString& text, UnitSystem units)
{
    if (units == UnitSystem::AsWritten)
        return text;
    QString out;
    qsizetype done = 0;
    QRegularExpressionMatchIterator it = temperaturePattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        QString scale = m.captured(3) + m.captured(4) + m.captured(5);
        bool fahrenheit = false;
        if (!scale.isEmpty())
            fahrenheit = scale.front().toUpper() == QLatin1Char('F');
        else // a bare degree: above any oven's Celsius, it is Fahrenheit
            fahrenheit = m.captured(1).toInt() > 260;
        if (fahrenheit == (units == UnitSystem::US))
            continue;
        const auto convert = [&](const QString& n) {
            return QString::number(fahrenheit ? celsiusFrom(n.toInt()) : fahrenheitFrom(n.toInt()));
        };
        QString shown = convert(m.captured(1));
        if (m.hasCaptured(2))
            shown += QLatin1Char('-') + convert(m.captured(2));
        shown += fahrenheit ? QStringLiteral(" °C") : QStringLiteral(" °F");
        out += QStringView(text).mid(done, m.capturedStart() - done);
        out += shown;
        done = m.capturedEnd();
    }
    if (done == 0)
        return text;
    out += QStringView(text).mid(done);
    return out;
}

// Applies f to each line of text, keeping its line breaks.
template <typename F>
QString eachLine(const QString& text, F&& f)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        const bool cr = line.endsWith(QLatin1Char('\r'));
        if (cr)
            line.chop(1);
        line = f(line);
        if (cr)
            line += QLatin1Char('\r');
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

YieldCount readYield(const QString& yield)
{
    YieldCount y;
    Quantity q;
    if (!firstQuantity(yield, q))
        return y;
    y.count = q.low;
    QString what = yield.mid(q.end).trimmed();
    while (what.endsWith(QLatin1Char('.')))
        what.chop(1);
    const QStringView word = firstWord(what, 0);
    if (!what.isEmpty() && !word.isEmpty() && !servingWord(word)) {
        y.what = what;
        y.servings = false;
    }
    return y;
}

Recipe viewedRecipe(const Recipe& recipe, const CookView& view, int langOffset)
{
    if (view == CookView())
        return recipe;
    Recipe r = recipe;
    double factor = 1;
    const YieldCount y = readYield(recipe.yield);
    if (view.servings > 0 && y.count > 0 && std::fabs(view.servings - y.count) > 1e-9) {
        factor = view.servings / y.count;
        Quantity q;
        firstQuantity(recipe.yield, q);
        const QString shown = recipe.yield.left(q.start) +
                              amountText(cookRounded(view.servings, UnitId::None), UnitId::None, langOffset);
        const QString yield = shown + inflectCounted(recipe.yield.mid(q.end), 0, pluralAmount(view.servings));
        r.yield = fetchText(Str::CookYieldWithOriginal, langOffset).arg(yield, recipe.yield);
    }
    if (factor == 1 && view.units == UnitSystem::AsWritten)
        return r;
    r.ing = eachLine(recipe.ing, [&](const QString& line) {
        return convertTemperatures(viewedLine(line, factor, view.units, langOffset), view.units);
    });
    r.prep = eachLine(recipe.prep, [&](const QString& line) { return convertTemperatures(line, view.units); });
    return r;
}

namespace {

struct ShopWord {
    const char16_t* name; // folded
    Str group;
};

// Where in the shop an ingredient is found, by the words of its name; the
// first that fits wins, so the more particular names come first.
constexpr ShopWord kShopWords[] = {
    {u"black pepper", Str::ShopSpices},
    {u"pimienta", Str::ShopSpices},
    {u"peanut butter", Str::ShopOther},
    {u"coconut milk", Str::ShopOther},
    {u"leche de coco", Str::ShopOther},
    {u"stock", Str::ShopOther},
    {u"broth", Str::ShopOther},
    {u"caldo", Str::ShopOther},
    {u"baking powder", Str::ShopBaking},
    {u"baking soda", Str::ShopBaking},
    {u"polvo de hornear", Str::ShopBaking},
    {u"levadura", Str::ShopBaking},
    {u"yeast", Str::ShopBaking},
    {u"bicarbonato", Str::ShopBaking},
    {u"cornstarch", Str::ShopBaking},
    {u"maicena", Str::ShopBaking},
    {u"sour cream", Str::ShopDairy},
    {u"nuez moscada", Str::ShopSpices},
    {u"chili powder", Str::ShopSpices},
    {u"bay leaf", Str::ShopSpices},
    {u"bay leave", Str::ShopSpices},
    {u"ground", Str::ShopSpices},
    {u"molido", Str::ShopSpices},
    {u"molida", Str::ShopSpices},
    {u"buttermilk", Str::ShopDairy},
    {u"milk", Str::ShopDairy},
    {u"butter", Str::ShopDairy},
    {u"cream", Str::ShopDairy},
    {u"cheese", Str::ShopDairy},
    {u"yogurt", Str::ShopDairy},
    {u"yoghurt", Str::ShopDairy},
    {u"egg", Str::ShopDairy},
    {u"leche", Str::ShopDairy},
    {u"mantequilla", Str::ShopDairy},
    {u"nata", Str::ShopDairy},
    {u"crema", Str::ShopDairy},
    {u"queso", Str::ShopDairy},
    {u"yogur", Str::ShopDairy},
    {u"huevo", Str::ShopDairy},
    {u"yema", Str::ShopDairy},
    {u"chicken", Str::ShopMeatFish},
    {u"beef", Str::ShopMeatFish},
    {u"pork", Str::ShopMeatFish},
    {u"lamb", Str::ShopMeatFish},
    {u"bacon", Str::ShopMeatFish},
    {u"ham", Str::ShopMeatFish},
    {u"sausage", Str::ShopMeatFish},
    {u"turkey", Str::ShopMeatFish},
    {u"fish", Str::ShopMeatFish},
    {u"salmon", Str::ShopMeatFish},
    {u"tuna", Str::ShopMeatFish},
    {u"shrimp", Str::ShopMeatFish},
    {u"prawn", Str::ShopMeatFish},
    {u"cod", Str::ShopMeatFish},
    {u"pollo", Str::ShopMeatFish},
    {u"ternera", Str::ShopMeatFish},
    {u"carne", Str::ShopMeatFish},
    {u"cerdo", Str::ShopMeatFish},
    {u"cordero", Str::ShopMeatFish},
    {u"tocino", Str::ShopMeatFish},
    {u"panceta", Str::ShopMeatFish},
    {u"jamon", Str::ShopMeatFish},
    {u"chorizo", Str::ShopMeatFish},
    {u"salchicha", Str::ShopMeatFish},
    {u"pavo", Str::ShopMeatFish},
    {u"pescado", Str::ShopMeatFish},
    {u"atun", Str::ShopMeatFish},
    {u"gamba", Str::ShopMeatFish},
    {u"camaron", Str::ShopMeatFish},
    {u"bacalao", Str::ShopMeatFish},
    {u"flour", Str::ShopBaking},
    {u"sugar", Str::ShopBaking},
    {u"cocoa", Str::ShopBaking},
    {u"chocolate", Str::ShopBaking},
    {u"vanilla", Str::ShopBaking},
    {u"honey", Str::ShopBaking},
    {u"oats", Str::ShopBaking},
    {u"harina", Str::ShopBaking},
    {u"azucar", Str::ShopBaking},
    {u"cacao", Str::ShopBaking},
    {u"vainilla", Str::ShopBaking},
    {u"miel", Str::ShopBaking},
    {u"avena", Str::ShopBaking},
    {u"salt", Str::ShopSpices},
    {u"cinnamon", Str::ShopSpices},
    {u"nutmeg", Str::ShopSpices},
    {u"cumin", Str::ShopSpices},
    {u"paprika", Str::ShopSpices},
    {u"oregano", Str::ShopSpices},
    {u"thyme", Str::ShopSpices},
    {u"sal", Str::ShopSpices},
    {u"canela", Str::ShopSpices},
    {u"comino", Str::ShopSpices},
    {u"pimenton", Str::ShopSpices},
    {u"tomillo", Str::ShopSpices},
    {u"laurel", Str::ShopSpices},
    {u"clavo", Str::ShopSpices},
    {u"onion", Str::ShopProduce},
    {u"garlic", Str::ShopProduce},
    {u"tomato", Str::ShopProduce},
    {u"potato", Str::ShopProduce},
    {u"carrot", Str::ShopProduce},
    {u"celery", Str::ShopProduce},
    {u"lettuce", Str::ShopProduce},
    {u"spinach", Str::ShopProduce},
    {u"cabbage", Str::ShopProduce},
    {u"pepper", Str::ShopProduce},
    {u"zucchini", Str::ShopProduce},
    {u"cucumber", Str::ShopProduce},
    {u"mushroom", Str::ShopProduce},
    {u"apple", Str::ShopProduce},
    {u"lemon", Str::ShopProduce},
    {u"lime", Str::ShopProduce},
    {u"orange", Str::ShopProduce},
    {u"banana", Str::ShopProduce},
    {u"berries", Str::ShopProduce},
    {u"strawberry", Str::ShopProduce},
    {u"strawberrie", Str::ShopProduce},
    {u"parsley", Str::ShopProduce},
    {u"cilantro", Str::ShopProduce},
    {u"basil", Str::ShopProduce},
    {u"mint", Str::ShopProduce},
    {u"ginger", Str::ShopProduce},
    {u"avocado", Str::ShopProduce},
    {u"leek", Str::ShopProduce},
    {u"cebolla", Str::ShopProduce},
    {u"ajo", Str::ShopProduce},
    {u"tomate", Str::ShopProduce},
    {u"patata", Str::ShopProduce},
    {u"papa", Str::ShopProduce},
    {u"zanahoria", Str::ShopProduce},
    {u"apio", Str::ShopProduce},
    {u"lechuga", Str::ShopProduce},
    {u"espinaca", Str::ShopProduce},
    {u"col", Str::ShopProduce},
    {u"pimiento", Str::ShopProduce},
    {u"calabacin", Str::ShopProduce},
    {u"pepino", Str::ShopProduce},
    {u"champinon", Str::ShopProduce},
    {u"seta", Str::ShopProduce},
    {u"manzana", Str::ShopProduce},
    {u"limon", Str::ShopProduce},
    {u"lima", Str::ShopProduce},
    {u"naranja", Str::ShopProduce},
    {u"platano", Str::ShopProduce},
    {u"fresa", Str::ShopProduce},
    {u"perejil", Str::ShopProduce},
    {u"albahaca", Str::ShopProduce},
    {u"hierbabuena", Str::ShopProduce},
    {u"menta", Str::ShopProduce},
    {u"jengibre", Str::ShopProduce},
    {u"aguacate", Str::ShopProduce},
    {u"puerro", Str::ShopProduce},
};

constexpr Str kGroupOrder[] = {Str::ShopProduce, Str::ShopDairy,  Str::ShopMeatFish,
                               Str::ShopBaking,  Str::ShopSpices, Str::ShopOther};

Str shopGroup(const QString& folded)
{
    for (const ShopWord& w : kShopWords)
        if (holdsName(folded, QStringView(w.name)))
            return w.group;
    return Str::ShopOther;
}

// What a line names, without what is done to it ("flour, sifted" ->
// "flour") and without a leading "of" or "de".
QString ingredientName(QStringView rest)
{
    qsizetype cut = rest.size();
    for (QChar c : {QLatin1Char(','), QLatin1Char('('), QLatin1Char(';')})
        if (const qsizetype at = rest.indexOf(c); at >= 0 && at < cut)
            cut = at;
    QString name = rest.left(cut).trimmed().toString();
    for (const char* lead : {"of ", "de la ", "del ", "de "})
        if (name.startsWith(QLatin1String(lead), Qt::CaseInsensitive)) {
            name = name.mid(int(qstrlen(lead))).trimmed();
            break;
        }
    return name;
}

// The name as like ingredients share it: folded, size words left out,
// each word without a plural ending ("Large Eggs" and "egg" agree).
QString nameKey(const QString& name)
{
    QStringList words;
    for (QString word : foldText(name).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (sizeWord(word))
            continue;
        if (word.endsWith(QLatin1String("ies")))
            word = word.left(word.size() - 3) + QLatin1Char('y');
        if (word.endsWith(QLatin1Char('s')))
            word.chop(1);
        if (word.endsWith(QLatin1Char('e')) && word.size() > 2)
            word.chop(1);
        words << word;
    }
    return words.join(QLatin1Char(' '));
}

// Like ingredients as they are added up.
struct Tally {
    QString key, line, name, singularName, pluralName, unitWord;
    Dimension dimension = Dimension::Other;
    UnitId unit = UnitId::None;
    double total = 0; // millilitres, grams, or how many
    bool us = false, metric = false, measured = false;
    int lines = 0;
    Str group = Str::ShopOther;
};

QString tallyText(const Tally& t, UnitSystem units, int langOffset)
{
    if (t.lines == 1 || !t.measured)
        return t.line;
    if (t.dimension != Dimension::Other) {
        UnitSystem system = units;
        if (system == UnitSystem::AsWritten)
            system = t.us && !t.metric ? UnitSystem::US : UnitSystem::Metric;
        UnitId unit = cookUnit(t.dimension, system, t.total);
        if (oddCup(unit, t.total / unitSize(unit).base))
            unit = UnitId::Tbsp;
        const double value = cookRounded(t.total / unitSize(unit).base, unit);
        return amountText(value, unit, langOffset) + QLatin1Char(' ') +
               unitText(unit, pluralAmount(value), langOffset) + QLatin1Char(' ') + t.name;
    }
    const double value = cookRounded(t.total, t.unit);
    const bool plural = pluralAmount(value);
    QString text = amountText(value, t.unit, langOffset) + QLatin1Char(' ');
    if (t.unit != UnitId::None)
        return text + inflectedUnitWord(t.unitWord, plural) + QLatin1Char(' ') + t.name;
    const QString& name = plural ? t.pluralName : t.singularName;
    return text + (name.isEmpty() ? inflectCounted(t.name, 0, plural) : name);
}

QString simplified(const QString& line)
{
    QString s = line.simplified();
    if (s.startsWith(QLatin1String("- ")) || s.startsWith(QLatin1String("* ")) || s.startsWith(QChar(0x2022)))
        s = s.mid(1).trimmed();
    return s;
}

} // namespace

std::vector<ShoppingItem> shoppingList(const std::vector<ShoppingChoice>& choices, UnitSystem units, int langOffset)
{
    std::vector<Tally> tallies;
    std::map<QString, size_t> byKey;
    for (const ShoppingChoice& choice : choices) {
        const Recipe shown = viewedRecipe(choice.recipe, {choice.servings, units}, langOffset);
        const QStringList lines = shown.ing.split(QLatin1Char('\n'));
        std::vector<QStringView> views;
        for (const QString& line : lines)
            views.push_back(QStringView(line).trimmed());
        for (size_t i = 0; i < views.size(); ++i) {
            if (views[i].isEmpty() || headsIngredients(views, i))
                continue;
            const QString line = views[i].toString();
            const LineAmount a = readLineAmount(line);
            Tally t;
            t.line = simplified(line);
            if (a.found) {
                const UnitSize size = unitSize(a.unit);
                t.measured = true;
                t.name = ingredientName(QStringView(line).mid(a.textStart));
                t.dimension = size.dimension;
                t.unit = size.dimension == Dimension::Other ? a.unit : UnitId::None;
                t.total = a.amount.high * (size.base > 0 ? size.base : 1);
                t.us = size.system == UnitSystem::US;
                t.metric = size.system == UnitSystem::Metric;
                t.unitWord = line.mid(a.unitStart, a.unitEnd - a.unitStart);
                (pluralAmount(a.amount.high) ? t.pluralName : t.singularName) = t.name;
                t.key = QStringLiteral("%1|%2|%3").arg(int(t.dimension)).arg(int(t.unit)).arg(nameKey(t.name));
            } else {
                t.name = t.line;
                t.key = QStringLiteral("=") + foldText(t.line);
            }
            const auto found = byKey.find(t.key);
            if (found == byKey.end()) {
                t.lines = 1;
                t.group = shopGroup(foldText(t.name));
                byKey.emplace(t.key, tallies.size());
                tallies.push_back(t);
                continue;
            }
            Tally& sum = tallies[found->second];
            if (!t.measured)
                continue; // the same words twice ("salt to taste") are one item
            ++sum.lines;
            sum.total += t.total;
            sum.us = sum.us || t.us;
            sum.metric = sum.metric || t.metric;
            if (sum.singularName.isEmpty())
                sum.singularName = t.singularName;
            if (sum.pluralName.isEmpty())
                sum.pluralName = t.pluralName;
        }
    }
    std::vector<ShoppingItem> items;
    for (Str group : kGroupOrder)
        for (const Tally& t : tallies)
            if (t.group == group)
                items.push_back({tallyText(t, units, langOffset), fetchText(group, langOffset)});
    return items;
}

QString shoppingListText(const std::vector<ShoppingItem>& items, const std::vector<bool>& atHome, int langOffset)
{
    const QString br = QStringLiteral("\r\n");
    QString out = fetchText(Str::ShoppingListHeading, langOffset) + br;
    QString group;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i < atHome.size() && atHome[i])
            continue;
        if (items[i].group != group) {
            group = items[i].group;
            out += br + group + br;
        }
        out += QStringLiteral("- ") + items[i].text + br;
    }
    return out;
}

namespace {

// "1.", "2)", "3 -", "Step 4:", "Paso 5." at a line's start.
const QRegularExpression& stepMarker()
{
    static const QRegularExpression re(QStringLiteral("^\\s*(?:(?:step|paso)\\s*)?\\d{1,2}\\s*[.):-]\\s*"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

// A sentence ends at ".", "!" or "?" before a capital letter (or "¿", "¡").
QStringList sentences(const QString& text)
{
    static const QRegularExpression end(QStringLiteral("(?<=[.!?])\\s+(?=[[:upper:]¿¡])"),
                                        QRegularExpression::UseUnicodePropertiesOption);
    return text.split(end, Qt::SkipEmptyParts);
}

// A step's lines as one text: hard-wrapped lines joined with spaces.
QString joined(const QStringList& lines)
{
    QStringList parts;
    for (const QString& line : lines)
        if (!line.trimmed().isEmpty())
            parts << line.trimmed();
    return parts.join(QLatin1Char(' '));
}

// A single long paragraph is read a sentence at a time.
constexpr qsizetype kLongParagraph = 240;

} // namespace

std::vector<QString> preparationSteps(const QString& prep)
{
    QString text = prep;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    std::vector<QString> steps;
    const auto add = [&steps](const QString& step) {
        if (!step.trimmed().isEmpty())
            steps.push_back(step.trimmed());
    };

    // Numbered steps: each number starts one, the lines after it belong to it.
    int numbered = 0;
    for (const QString& line : lines)
        numbered += stepMarker().match(line).hasMatch() ? 1 : 0;
    if (numbered >= 2) {
        QStringList step;
        for (const QString& line : lines) {
            const QRegularExpressionMatch m = stepMarker().match(line);
            if (m.hasMatch()) {
                add(joined(step));
                step = {line.mid(m.capturedEnd())};
            } else {
                step << line;
            }
        }
        add(joined(step));
        return steps;
    }

    // Paragraphs, between blank lines.
    std::vector<QStringList> paragraphs(1);
    for (const QString& line : lines) {
        if (line.trimmed().isEmpty()) {
            if (!paragraphs.back().isEmpty())
                paragraphs.emplace_back();
        } else {
            paragraphs.back() << line;
        }
    }
    if (paragraphs.back().isEmpty())
        paragraphs.pop_back();
    if (paragraphs.size() > 1) {
        for (const QStringList& p : paragraphs)
            add(joined(p));
        return steps;
    }
    if (paragraphs.empty())
        return steps;
    // One paragraph: a step a line when its lines end sentences (written a
    // step a line), else its text a sentence at a time when it is long.
    const QStringList& only = paragraphs.front();
    bool lineSteps = only.size() > 1;
    for (qsizetype i = 0; lineSteps && i + 1 < only.size(); ++i) {
        const QString t = only[i].trimmed();
        lineSteps = t.endsWith(QLatin1Char('.')) || t.endsWith(QLatin1Char('!')) || t.endsWith(QLatin1Char('?')) ||
                    t.endsWith(QLatin1Char(':'));
    }
    if (lineSteps) {
        for (const QString& line : only)
            add(line);
        return steps;
    }
    const QString all = joined(only);
    if (all.size() <= kLongParagraph) {
        add(all);
        return steps;
    }
    for (const QString& s : sentences(all))
        add(s);
    return steps;
}

namespace {

// Seconds in a unit of time a word names, 0 for any other word.
int secondsOf(QStringView word)
{
    static constexpr struct {
        const char16_t* word;
        int seconds;
    } units[] = {
        {u"hour", 3600}, {u"hours", 3600}, {u"hr", 3600},    {u"hrs", 3600},   {u"h", 3600},
        {u"hora", 3600}, {u"horas", 3600}, {u"minute", 60},  {u"minutes", 60}, {u"min", 60},
        {u"mins", 60},   {u"minuto", 60},  {u"minutos", 60}, {u"second", 1},   {u"seconds", 1},
        {u"sec", 1},     {u"secs", 1},     {u"segundo", 1},  {u"segundos", 1}, {u"seg", 1},
    };
    for (const auto& u : units)
        if (word.compare(QStringView(u.word), Qt::CaseInsensitive) == 0)
            return u.seconds;
    return 0;
}

// A time at s[i]: a number or range and a unit of time; end is moved past
// the unit. A range counts from its lower end: the timer rings when it is
// time to look.
bool timeAt(QStringView s, qsizetype i, qsizetype& end, double& seconds, int& unit)
{
    Quantity q;
    if (!readQuantity(s, i, q))
        return false;
    qsizetype j = q.end;
    while (j < s.size() && s[j].isSpace())
        ++j;
    qsizetype k = j;
    while (k < s.size() && s[k].isLetter())
        ++k;
    unit = secondsOf(s.mid(j, k - j));
    if (unit == 0)
        return false;
    end = k;
    seconds = q.low * unit;
    return true;
}

} // namespace

std::vector<StepTimer> timersInStep(const QString& step)
{
    std::vector<StepTimer> timers;
    const QStringView s(step);
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (i > 0 && (s[i - 1].isLetterOrNumber() || s[i - 1] == QLatin1Char('/') || s[i - 1] == QLatin1Char('.') ||
                      s[i - 1] == QLatin1Char(',')))
            continue;
        qsizetype end = 0;
        double seconds = 0;
        int unit = 0;
        if (!timeAt(s, i, end, seconds, unit))
            continue;
        // "1 hour 15 minutes", "1 hora y 15 minutos", "2 h, 30 min".
        for (;;) {
            qsizetype j = end;
            while (j < s.size() && (s[j].isSpace() || s[j] == QLatin1Char(',')))
                ++j;
            for (const char16_t* joint : {u"and ", u"y "})
                if (s.mid(j).startsWith(QStringView(joint), Qt::CaseInsensitive))
                    j += QStringView(joint).size();
            qsizetype nextEnd = 0;
            double more = 0;
            int nextUnit = 0;
            if (!timeAt(s, j, nextEnd, more, nextUnit) || nextUnit >= unit)
                break;
            seconds += more;
            unit = nextUnit;
            end = nextEnd;
        }
        timers.push_back({int(i), int(end - i), int(std::lround(seconds))});
        i = end - 1;
    }
    return timers;
}

} // namespace bd
