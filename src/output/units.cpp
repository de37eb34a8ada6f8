#include "output/units.h"

#include "resources/strings.h"
#include "search/fold.h"

#include <cmath>

namespace bd {

namespace {

// US measures as published: the US cup is half a US pint of 231 cubic
// inches; the avoirdupois pound is 453.59237 g.
constexpr double kCupMl = 236.5882365;
constexpr double kOzG = 28.349523125;

struct Density {
    const char16_t* name; // folded words, found whole in the line
    double gramsPerCup;
};

// Grams per US cup; the more particular names first ("brown sugar" before
// "sugar", "peanut butter" before "butter").
constexpr Density kDensities[] = {
    {u"whole wheat flour", 120},
    {u"harina integral", 120},
    {u"flour", 125},
    {u"harina", 125},
    {u"brown sugar", 220},
    {u"azucar moreno", 220},
    {u"azucar morena", 220},
    {u"azucar mascabado", 220},
    {u"powdered sugar", 120},
    {u"icing sugar", 120},
    {u"confectioners sugar", 120},
    {u"confectioners' sugar", 120},
    {u"azucar glas", 120},
    {u"azucar glass", 120},
    {u"azucar impalpable", 120},
    {u"sugar", 200},
    {u"azucar", 200},
    {u"peanut butter", 258},
    {u"butter", 227},
    {u"mantequilla", 227},
    {u"rice", 185},
    {u"arroz", 185},
    {u"rolled oats", 90},
    {u"oats", 90},
    {u"copos de avena", 90},
    {u"avena", 90},
    {u"cocoa", 85},
    {u"cacao", 85},
    {u"honey", 340},
    {u"miel", 340},
    {u"chocolate chips", 170},
    {u"pepitas de chocolate", 170},
};

double nearest(double value, double step) { return std::round(value / step) * step; }

// The nearest of the whole numbers with 1/4, 1/3, 1/2, 2/3 and 3/4, and
// below one also 1/8 and 7/8 (never below 1/8): what measuring cups hold.
double nearestFraction(double value)
{
    static constexpr double parts[] = {0, 1.0 / 8, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 3.0 / 4, 7.0 / 8, 1};
    const double whole = std::floor(value);
    double best = whole;
    for (double p : parts)
        if ((whole < 1 || (p != 1.0 / 8 && p != 7.0 / 8)) && std::fabs(whole + p - value) < std::fabs(best - value))
            best = whole + p;
    return best < 1.0 / 8 ? 1.0 / 8 : best;
}

bool metricUnit(UnitId unit) { return unitSize(unit).system == UnitSystem::Metric; }

bool wordEdge(const QString& s, qsizetype i) { return i < 0 || i >= s.size() || !s[i].isLetter(); }

} // namespace

bool holdsName(const QString& folded, QStringView name)
{
    for (qsizetype at = folded.indexOf(name); at >= 0; at = folded.indexOf(name, at + 1)) {
        qsizetype end = at + name.size();
        if (end < folded.size() && folded[end] == QLatin1Char('s'))
            ++end;
        else if (end + 1 < folded.size() && folded[end] == QLatin1Char('e') && folded[end + 1] == QLatin1Char('s'))
            end += 2;
        if (wordEdge(folded, at - 1) && wordEdge(folded, end))
            return true;
    }
    return false;
}

UnitSize unitSize(UnitId unit)
{
    using D = Dimension;
    using S = UnitSystem;
    switch (unit) {
    case UnitId::Cup: return {D::Volume, kCupMl, S::US};
    case UnitId::Tbsp: return {D::Volume, kCupMl / 16, S::US};
    case UnitId::Tsp: return {D::Volume, kCupMl / 48, S::US};
    case UnitId::FlOz: return {D::Volume, kCupMl / 8, S::US};
    case UnitId::Pint: return {D::Volume, kCupMl * 2, S::US};
    case UnitId::Quart: return {D::Volume, kCupMl * 4, S::US};
    case UnitId::Gallon: return {D::Volume, kCupMl * 16, S::US};
    case UnitId::Ml: return {D::Volume, 1, S::Metric};
    case UnitId::Cl: return {D::Volume, 10, S::Metric};
    case UnitId::Dl: return {D::Volume, 100, S::Metric};
    case UnitId::L: return {D::Volume, 1000, S::Metric};
    case UnitId::Oz: return {D::Weight, kOzG, S::US};
    case UnitId::Lb: return {D::Weight, kOzG * 16, S::US};
    case UnitId::G: return {D::Weight, 1, S::Metric};
    case UnitId::Kg: return {D::Weight, 1000, S::Metric};
    default: return {};
    }
}

double gramsPerCup(QStringView ingredient)
{
    const QString folded = foldText(ingredient.toString());
    for (const Density& d : kDensities)
        if (holdsName(folded, QStringView(d.name)))
            return d.gramsPerCup;
    return 0;
}

int celsiusFrom(double fahrenheit) { return int(nearest((fahrenheit - 32) * 5 / 9, 5)); }

int fahrenheitFrom(double celsius)
{
    const double f = celsius * 9 / 5 + 32;
    return int(nearest(f, f >= 300 ? 25 : 5));
}

UnitId cookUnit(Dimension dimension, UnitSystem system, double base)
{
    // A little below a measure's size still reads best in it (3 tsp as 1 tbsp).
    const auto atLeast = [base](UnitId unit) { return base >= unitSize(unit).base * 0.99; };
    if (dimension == Dimension::Volume) {
        if (system == UnitSystem::Metric)
            return atLeast(UnitId::L) ? UnitId::L : UnitId::Ml;
        return base >= kCupMl / 4 * 0.99 ? UnitId::Cup : atLeast(UnitId::Tbsp) ? UnitId::Tbsp : UnitId::Tsp;
    }
    if (dimension == Dimension::Weight) {
        if (system == UnitSystem::Metric)
            return atLeast(UnitId::Kg) ? UnitId::Kg : UnitId::G;
        return atLeast(UnitId::Lb) ? UnitId::Lb : UnitId::Oz;
    }
    return UnitId::None;
}

double cookRounded(double value, UnitId unit)
{
    switch (unit) {
    case UnitId::Ml:
    case UnitId::G:
        if (value < 10)
            return std::max(0.5, nearest(value, 0.5));
        return nearest(value, value < 100 ? 1 : value < 250 ? 5 : 10);
    case UnitId::Cl:
    case UnitId::Dl:
    case UnitId::L:
    case UnitId::Kg: return std::max(0.1, nearest(value, 0.1));
    case UnitId::Lb: return std::max(0.25, nearest(value, 0.25));
    // Spoons: halves of a tablespoon; a teaspoon's measures go down to 1/8.
    case UnitId::Tbsp: return std::max(0.5, nearest(value, 0.5));
    case UnitId::Tsp:
        return value < 1 ? std::max(0.125, nearest(value, value < 0.375 ? 0.125 : 0.25)) : nearest(value, 0.5);
    case UnitId::Oz: return value < 1 ? std::max(0.25, nearest(value, 0.25)) : nearest(value, value < 16 ? 0.5 : 1);
    case UnitId::None:
        // Things counted: quarters of one, halves up to ten, then whole.
        return value < 1 ? std::max(0.25, nearest(value, 0.25)) : nearest(value, value < 10 ? 0.5 : 1);
    default: return value < 10 ? nearestFraction(value) : nearest(value, value < 20 ? 0.5 : 1);
    }
}

QString amountText(double value, UnitId unit, int langOffset)
{
    if (metricUnit(unit)) {
        QString text = QString::number(std::round(value * 10) / 10, 'f', value == std::round(value) ? 0 : 1);
        if (text.endsWith(QLatin1String(".0")))
            text.chop(2);
        if (langOffset != 0)
            text.replace(QLatin1Char('.'), QLatin1Char(','));
        return text;
    }
    static constexpr struct {
        double value;
        const char* text;
    } parts[] = {{1.0 / 8, "1/8"}, {1.0 / 4, "1/4"}, {1.0 / 3, "1/3"}, {1.0 / 2, "1/2"},
                 {2.0 / 3, "2/3"}, {3.0 / 4, "3/4"}, {7.0 / 8, "7/8"}};
    const double whole = std::floor(value + 1e-9);
    const double rest = value - whole;
    if (rest < 1e-6)
        return QString::number(qint64(whole));
    for (const auto& p : parts)
        if (std::fabs(rest - p.value) < 1e-6) {
            const QString part = QLatin1String(p.text);
            return whole > 0 ? QString::number(qint64(whole)) + QLatin1Char(' ') + part : part;
        }
    QString text = QString::number(value, 'g', 3);
    return langOffset != 0 ? text.replace(QLatin1Char('.'), QLatin1Char(',')) : text;
}

QString unitText(UnitId unit, bool plural, int langOffset)
{
    Str id = Str::None;
    switch (unit) {
    case UnitId::Cup: id = Str::CookUnitCup; break;
    case UnitId::Tbsp: id = Str::CookUnitTbsp; break;
    case UnitId::Tsp: id = Str::CookUnitTsp; break;
    case UnitId::Ml: id = Str::CookUnitMl; break;
    case UnitId::L: id = Str::CookUnitL; break;
    case UnitId::G: id = Str::CookUnitG; break;
    case UnitId::Kg: id = Str::CookUnitKg; break;
    case UnitId::Oz: id = Str::CookUnitOz; break;
    case UnitId::Lb: id = Str::CookUnitLb; break;
    case UnitId::FlOz: id = Str::CookUnitFlOz; break;
    default: return QString();
    }
    const QString forms = fetchText(id, langOffset);
    const qsizetype bar = forms.indexOf(QLatin1Char('|'));
    return bar < 0 ? forms : plural ? forms.mid(bar + 1) : forms.left(bar);
}

} // namespace bd
