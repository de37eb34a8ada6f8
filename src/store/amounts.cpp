#include "store/amounts.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <unordered_map>

namespace bd {

namespace {

struct UnitWord {
    const char16_t* singular;
    const char16_t* plural;
    UnitId unit;
};

// Unit words, English and Spanish, with their abbreviations. Compared
// without regard to letter case; the one-letter words are apart below.
constexpr UnitWord kUnitWords[] = {
    {u"cup", u"cups", UnitId::Cup},
    {u"taza", u"tazas", UnitId::Cup},
    {u"tablespoon", u"tablespoons", UnitId::Tbsp},
    {u"tbsp", u"tbsp", UnitId::Tbsp},
    {u"tbsps", u"tbsps", UnitId::Tbsp},
    {u"tbs", u"tbs", UnitId::Tbsp},
    {u"tbl", u"tbl", UnitId::Tbsp},
    {u"tb", u"tb", UnitId::Tbsp},
    {u"cucharada", u"cucharadas", UnitId::Tbsp},
    {u"cda", u"cdas", UnitId::Tbsp},
    {u"teaspoon", u"teaspoons", UnitId::Tsp},
    {u"tsp", u"tsp", UnitId::Tsp},
    {u"tsps", u"tsps", UnitId::Tsp},
    {u"ts", u"ts", UnitId::Tsp},
    {u"cucharadita", u"cucharaditas", UnitId::Tsp},
    {u"cdta", u"cdtas", UnitId::Tsp},
    {u"cdita", u"cditas", UnitId::Tsp},
    {u"pint", u"pints", UnitId::Pint},
    {u"pt", u"pt", UnitId::Pint},
    {u"pinta", u"pintas", UnitId::Pint},
    {u"quart", u"quarts", UnitId::Quart},
    {u"qt", u"qt", UnitId::Quart},
    {u"gallon", u"gallons", UnitId::Gallon},
    {u"gal", u"gal", UnitId::Gallon},
    {u"galón", u"galones", UnitId::Gallon},
    {u"ml", u"ml", UnitId::Ml},
    {u"milliliter", u"milliliters", UnitId::Ml},
    {u"millilitre", u"millilitres", UnitId::Ml},
    {u"mililitro", u"mililitros", UnitId::Ml},
    {u"cl", u"cl", UnitId::Cl},
    {u"dl", u"dl", UnitId::Dl},
    {u"lt", u"lt", UnitId::L},
    {u"liter", u"liters", UnitId::L},
    {u"litre", u"litres", UnitId::L},
    {u"litro", u"litros", UnitId::L},
    {u"oz", u"oz", UnitId::Oz},
    {u"ounce", u"ounces", UnitId::Oz},
    {u"onza", u"onzas", UnitId::Oz},
    {u"lb", u"lbs", UnitId::Lb},
    {u"pound", u"pounds", UnitId::Lb},
    {u"libra", u"libras", UnitId::Lb},
    {u"gr", u"gr", UnitId::G},
    {u"gram", u"grams", UnitId::G},
    {u"gramme", u"grammes", UnitId::G},
    {u"gramo", u"gramos", UnitId::G},
    {u"kg", u"kg", UnitId::Kg},
    {u"kilo", u"kilos", UnitId::Kg},
    {u"kilogram", u"kilograms", UnitId::Kg},
    {u"kilogramo", u"kilogramos", UnitId::Kg},
    {u"pinch", u"pinches", UnitId::Pinch},
    {u"pn", u"pn", UnitId::Pinch},
    {u"pizca", u"pizcas", UnitId::Pinch},
    {u"dash", u"dashes", UnitId::Dash},
    {u"ds", u"ds", UnitId::Dash},
    {u"chorrito", u"chorritos", UnitId::Dash},
    {u"can", u"cans", UnitId::Can},
    {u"cn", u"cn", UnitId::Can},
    {u"lata", u"latas", UnitId::Can},
    {u"clove", u"cloves", UnitId::Clove},
    {u"diente", u"dientes", UnitId::Clove},
    {u"slice", u"slices", UnitId::Slice},
    {u"sl", u"sl", UnitId::Slice},
    {u"rebanada", u"rebanadas", UnitId::Slice},
    {u"loncha", u"lonchas", UnitId::Slice},
    {u"package", u"packages", UnitId::Package},
    {u"pkg", u"pkg", UnitId::Package},
    {u"pk", u"pk", UnitId::Package},
    {u"paquete", u"paquetes", UnitId::Package},
    {u"sobre", u"sobres", UnitId::Package},
    {u"stick", u"sticks", UnitId::Stick},
    {u"barra", u"barras", UnitId::Stick},
    {u"bunch", u"bunches", UnitId::Bunch},
    {u"bn", u"bn", UnitId::Bunch},
    {u"manojo", u"manojos", UnitId::Bunch},
    {u"piece", u"pieces", UnitId::Piece},
    {u"pieza", u"piezas", UnitId::Piece},
    {u"trozo", u"trozos", UnitId::Piece},
};

// One-letter unit words, letter case counting: "t" is a teaspoon, "T" a tablespoon.
constexpr UnitWord kLetterUnits[] = {
    {u"c", u"c", UnitId::Cup}, {u"C", u"C", UnitId::Cup}, {u"t", u"t", UnitId::Tsp}, {u"T", u"T", UnitId::Tbsp},
    {u"l", u"l", UnitId::L},   {u"L", u"L", UnitId::L},   {u"g", u"g", UnitId::G},
};

// Things counted without a unit ("2 eggs"), and what yields count.
constexpr UnitWord kCountWords[] = {
    {u"egg", u"eggs", UnitId::None},
    {u"huevo", u"huevos", UnitId::None},
    {u"yolk", u"yolks", UnitId::None},
    {u"yema", u"yemas", UnitId::None},
    {u"clara", u"claras", UnitId::None},
    {u"onion", u"onions", UnitId::None},
    {u"cebolla", u"cebollas", UnitId::None},
    {u"lemon", u"lemons", UnitId::None},
    {u"limón", u"limones", UnitId::None},
    {u"lime", u"limes", UnitId::None},
    {u"lima", u"limas", UnitId::None},
    {u"orange", u"oranges", UnitId::None},
    {u"naranja", u"naranjas", UnitId::None},
    {u"apple", u"apples", UnitId::None},
    {u"manzana", u"manzanas", UnitId::None},
    {u"potato", u"potatoes", UnitId::None},
    {u"patata", u"patatas", UnitId::None},
    {u"papa", u"papas", UnitId::None},
    {u"tomato", u"tomatoes", UnitId::None},
    {u"tomate", u"tomates", UnitId::None},
    {u"carrot", u"carrots", UnitId::None},
    {u"zanahoria", u"zanahorias", UnitId::None},
    {u"banana", u"bananas", UnitId::None},
    {u"plátano", u"plátanos", UnitId::None},
    {u"pepper", u"peppers", UnitId::None},
    {u"pimiento", u"pimientos", UnitId::None},
    {u"tortilla", u"tortillas", UnitId::None},
    {u"loaf", u"loaves", UnitId::None},
    {u"hogaza", u"hogazas", UnitId::None},
    {u"barra", u"barras", UnitId::None},
    {u"pan", u"panes", UnitId::None},
    {u"cookie", u"cookies", UnitId::None},
    {u"galleta", u"galletas", UnitId::None},
    {u"muffin", u"muffins", UnitId::None},
    {u"magdalena", u"magdalenas", UnitId::None},
    {u"roll", u"rolls", UnitId::None},
    {u"bollo", u"bollos", UnitId::None},
    {u"pie", u"pies", UnitId::None},
    {u"tarta", u"tartas", UnitId::None},
    {u"cake", u"cakes", UnitId::None},
    {u"pastel", u"pasteles", UnitId::None},
    {u"pizza", u"pizzas", UnitId::None},
    {u"serving", u"servings", UnitId::None},
    {u"portion", u"portions", UnitId::None},
    {u"porción", u"porciones", UnitId::None},
    {u"ración", u"raciones", UnitId::None},
    {u"persona", u"personas", UnitId::None},
    {u"person", u"people", UnitId::None},
    {u"dozen", u"dozen", UnitId::None},
    {u"docena", u"docenas", UnitId::None},
    {u"unidad", u"unidades", UnitId::None},
    {u"piece", u"pieces", UnitId::None},
    {u"cup", u"cups", UnitId::None},
    {u"taza", u"tazas", UnitId::None},
};

constexpr const char16_t* kSizeWords[] = {
    u"lg",       u"md",      u"sm",       u"large",   u"medium",   u"small",   u"big",      u"extra-large",
    u"whole",    u"grande",  u"grandes",  u"mediano", u"medianos", u"mediana", u"medianas", u"pequeño",
    u"pequeños", u"pequeña", u"pequeñas", u"entero",  u"enteros",  u"entera",  u"enteras",
};

bool same(QStringView a, const char16_t* b) { return a.compare(QStringView(b), Qt::CaseInsensitive) == 0; }

bool digit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// The value of a vulgar fraction character, 0 for any other.
double vulgar(QChar c)
{
    switch (c.unicode()) {
    case 0xBC: return 0.25;
    case 0xBD: return 0.5;
    case 0xBE: return 0.75;
    case 0x2150: return 1.0 / 7;
    case 0x2151: return 1.0 / 9;
    case 0x2152: return 0.1;
    case 0x2153: return 1.0 / 3;
    case 0x2154: return 2.0 / 3;
    case 0x2155: return 0.2;
    case 0x2156: return 0.4;
    case 0x2157: return 0.6;
    case 0x2158: return 0.8;
    case 0x2159: return 1.0 / 6;
    case 0x215A: return 5.0 / 6;
    case 0x215B: return 0.125;
    case 0x215C: return 0.375;
    case 0x215D: return 0.625;
    case 0x215E: return 0.875;
    default: return 0;
    }
}

// Digits at s[i], as a whole number; i moves past them. -1 when none.
double digitsAt(QStringView s, qsizetype& i)
{
    double v = -1;
    for (; i < s.size() && digit(s[i]); ++i)
        v = (v < 0 ? 0 : v * 10) + (s[i].unicode() - '0');
    return v;
}

// "n/d" at s[i] with n < d: its value, i moved past it; -1 when none.
double properFractionAt(QStringView s, qsizetype& i)
{
    qsizetype j = i;
    const double n = digitsAt(s, j);
    if (n < 0 || j >= s.size() || (s[j] != QLatin1Char('/') && s[j].unicode() != 0x2044))
        return -1;
    ++j;
    const double d = digitsAt(s, j);
    if (d <= 0 || n >= d)
        return -1;
    i = j;
    return n / d;
}

bool letter(QStringView s, qsizetype i) { return i < s.size() && s[i].isLetter(); }

qsizetype skipSpaces(QStringView s, qsizetype i)
{
    while (i < s.size() && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t') || s[i].unicode() == 0xA0))
        ++i;
    return i;
}

// The word of letters at s[i] ("Tbsp"), without a dot after it.
QStringView wordAt(QStringView s, qsizetype i)
{
    qsizetype end = i;
    while (letter(s, end))
        ++end;
    return s.mid(i, end - i);
}

// The words of a table by their case-folded form (as same() compares
// them), each to the first entry that has it; made once, read from any
// thread.
class WordIndex {
public:
    WordIndex(const UnitWord* begin, const UnitWord* end)
    {
        for (const UnitWord* w = begin; w != end; ++w)
            for (const char16_t* word : {w->singular, w->plural}) {
                std::u16string key;
                for (const char16_t* c = word; *c; ++c)
                    key += QChar::toCaseFolded(*c);
                longest_ = std::max(longest_, key.size());
                byWord_.emplace(std::move(key), w); // the first entry of a word stays
            }
    }
    const UnitWord* find(QStringView word) const
    {
        if (size_t(word.size()) > longest_)
            return nullptr;
        char16_t folded[64];
        for (qsizetype i = 0; i < word.size(); ++i)
            folded[i] = QChar::toCaseFolded(word[i].unicode());
        const auto it = byWord_.find(std::u16string(folded, size_t(word.size())));
        return it == byWord_.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<std::u16string, const UnitWord*> byWord_;
    size_t longest_ = 0;
};

const WordIndex& unitWords()
{
    static const WordIndex words(std::begin(kUnitWords), std::end(kUnitWords));
    return words;
}

const WordIndex& countWords()
{
    static const WordIndex words(std::begin(kCountWords), std::end(kCountWords));
    return words;
}

const UnitWord* unitEntry(QStringView word)
{
    if (word.size() == 1) {
        for (const UnitWord& w : kLetterUnits)
            if (word == QStringView(w.singular))
                return &w;
        return nullptr;
    }
    return unitWords().find(word);
}

// word in the form of entry w, with the capitals of the written word.
QString inflect(QStringView written, const UnitWord& w, bool plural)
{
    QString out = QString::fromUtf16(plural ? w.plural : w.singular);
    bool allCaps = written.size() > 1;
    for (QChar c : written)
        allCaps = allCaps && !c.isLower();
    if (allCaps)
        return out.toUpper();
    if (!written.isEmpty() && written.front().isUpper())
        out[0] = out[0].toUpper();
    return out;
}

} // namespace

bool readNumber(QStringView s, qsizetype& pos, double& value)
{
    qsizetype i = pos;
    if (i >= s.size())
        return false;
    if (const double f = vulgar(s[i])) {
        value = f;
        pos = i + 1;
        return true;
    }
    const double whole = digitsAt(s, i);
    if (whole < 0)
        return false;
    // A decimal, with a point or a comma.
    if (i + 1 < s.size() && (s[i] == QLatin1Char('.') || s[i] == QLatin1Char(',')) && digit(s[i + 1])) {
        qsizetype j = i + 1;
        double scale = 1, frac = 0;
        for (; j < s.size() && digit(s[j]); ++j) {
            scale /= 10;
            frac += scale * (s[j].unicode() - '0');
        }
        value = whole + frac;
        pos = j;
        return true;
    }
    // A fraction alone: "3/4".
    if (i < s.size() && (s[i] == QLatin1Char('/') || s[i].unicode() == 0x2044)) {
        qsizetype j = i + 1;
        const double d = digitsAt(s, j);
        if (d <= 0)
            return false;
        value = whole / d;
        pos = j;
        return true;
    }
    // "1½", "1 ½", "1 1/2", "1-1/2".
    if (i < s.size()) {
        if (const double f = vulgar(s[i])) {
            value = whole + f;
            pos = i + 1;
            return true;
        }
        if (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('-')) {
            qsizetype j = i + 1;
            if (j < s.size() && vulgar(s[j]) > 0 && s[i] == QLatin1Char(' ')) {
                value = whole + vulgar(s[j]);
                pos = j + 1;
                return true;
            }
            const double f = properFractionAt(s, j);
            if (f > 0) {
                value = whole + f;
                pos = j;
                return true;
            }
        }
    }
    value = whole;
    pos = i;
    return true;
}

bool readQuantity(QStringView s, qsizetype pos, Quantity& q)
{
    qsizetype i = pos;
    double low = 0;
    if (!readNumber(s, i, low))
        return false;
    q = Quantity();
    q.start = pos;
    q.end = i;
    q.low = q.high = low;
    // A range: a dash, or a word between spaces.
    qsizetype j = skipSpaces(s, i);
    qsizetype afterSep = -1;
    if (j < s.size() && (s[j] == QLatin1Char('-') || s[j].unicode() == 0x2013))
        afterSep = skipSpaces(s, j + 1);
    else if (j > i)
        for (const char16_t* word : {u"to", u"a", u"or", u"o"}) {
            const QStringView w = wordAt(s, j);
            if (same(w, word) && j + w.size() < s.size() && s[j + w.size()] == QLatin1Char(' ')) {
                afterSep = skipSpaces(s, j + w.size());
                break;
            }
        }
    if (afterSep < 0)
        return true;
    qsizetype k = afterSep;
    double high = 0;
    if (readNumber(s, k, high) && high > low) {
        q.between = s.mid(i, afterSep - i).toString();
        q.high = high;
        q.end = k;
    }
    return true;
}

LineAmount readLineAmount(QStringView line)
{
    LineAmount r;
    qsizetype i = skipSpaces(line, 0);
    if (i + 1 < line.size() &&
        (line[i] == QLatin1Char('-') || line[i] == QLatin1Char('*') || line[i].unicode() == 0x2022) &&
        line[i + 1] == QLatin1Char(' '))
        i = skipSpaces(line, i + 1);
    if (!readQuantity(line, i, r.amount))
        return r;
    qsizetype j = r.amount.end;
    // What follows the number: a space, the end, a unit glued to it
    // ("500g"), or a parenthesis; not "2%", "3rd", "180°".
    if (j < line.size() && !line[j].isSpace() && !letter(line, j) && line[j] != QLatin1Char('(') &&
        line[j] != QLatin1Char(',') && line[j] != QLatin1Char(')'))
        return r;
    r.found = true;
    r.end = r.amount.end;
    j = skipSpaces(line, j);
    r.textStart = j;
    QStringView word = wordAt(line, j);
    const bool glued = j == r.amount.end;
    UnitId unit = unitOfWord(word);
    qsizetype end = j + word.size();
    // "fl oz", "fl. oz.", "fluid ounces".
    if (unit == UnitId::None && (same(word, u"fl") || same(word, u"fluid"))) {
        qsizetype k = skipSpaces(line, end < line.size() && line[end] == QLatin1Char('.') ? end + 1 : end);
        const QStringView next = wordAt(line, k);
        if (same(next, u"oz") || same(next, u"ounce") || same(next, u"ounces")) {
            unit = UnitId::FlOz;
            end = k + next.size();
        }
    }
    if (unit == UnitId::None) {
        if (glued && !word.isEmpty())
            r.found = false; // "3rd", "2x"
        return r;
    }
    if (end < line.size() && line[end] == QLatin1Char('.'))
        ++end;
    r.unit = unit;
    r.unitStart = j;
    r.unitEnd = r.end = end;
    const qsizetype k = skipSpaces(line, end);
    for (const char16_t* half : {u"y media", u"y medio", u"and a half", u"and one half"}) {
        const qsizetype size = QStringView(half).size();
        if (!r.amount.range() && line.mid(k, size).compare(QStringView(half), Qt::CaseInsensitive) == 0 &&
            !letter(line, k + size)) {
            r.amount.low = r.amount.high = r.amount.low + 0.5;
            r.end = k + size;
            break;
        }
    }
    r.textStart = skipSpaces(line, r.end);
    return r;
}

UnitId unitOfWord(QStringView word)
{
    if (word.endsWith(QLatin1Char('.')))
        word.chop(1);
    const UnitWord* w = unitEntry(word);
    return w ? w->unit : UnitId::None;
}

QString inflectedUnitWord(QStringView written, bool plural)
{
    const bool dot = written.endsWith(QLatin1Char('.'));
    const QStringView word = dot ? written.chopped(1) : written;
    const UnitWord* w = unitEntry(word);
    if (!w || word.size() == 1)
        return written.toString();
    return inflect(word, *w, plural) + (dot ? QStringLiteral(".") : QString());
}

QString inflectedCountWord(QStringView written, bool plural)
{
    const UnitWord* w = countWords().find(written);
    return w ? inflect(written, *w, plural) : QString();
}

bool sizeWord(QStringView word)
{
    for (const char16_t* w : kSizeWords)
        if (same(word, w))
            return true;
    return false;
}

} // namespace bd
