#include "exchange/formats/htmltext.h"

#include "exchange/formats/textlines.h"
#include "exchange/formats/textdecoding.h"
#include "store/encoding.h"
#include "store/charscan.h"
#include "store/names.h"

#include <QHash>

#include <cstring>

namespace bd {

namespace {

struct Entity {
    const char* name;
    char16_t c;
};

// The named references recipe pages use; others are kept as written.
constexpr Entity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},        {"gt", '>'},        {"quot", '"'},      {"apos", '\''},
    {"nbsp", 0xA0},    {"ndash", 0x2013},  {"mdash", 0x2014},  {"hellip", 0x2026}, {"lsquo", 0x2018},
    {"rsquo", 0x2019}, {"ldquo", 0x201C},  {"rdquo", 0x201D},  {"sbquo", 0x201A},  {"bdquo", 0x201E},
    {"laquo", 0xAB},   {"raquo", 0xBB},    {"deg", 0xB0},      {"frac12", 0xBD},   {"frac14", 0xBC},
    {"frac34", 0xBE},  {"frac13", 0x2153}, {"frac23", 0x2154}, {"frac18", 0x215B}, {"times", 0xD7},
    {"divide", 0xF7},  {"plusmn", 0xB1},   {"middot", 0xB7},   {"bull", 0x2022},   {"copy", 0xA9},
    {"reg", 0xAE},     {"trade", 0x2122},  {"euro", 0x20AC},   {"pound", 0xA3},    {"cent", 0xA2},
    {"yen", 0xA5},     {"sect", 0xA7},     {"para", 0xB6},     {"iexcl", 0xA1},    {"iquest", 0xBF},
    {"ordf", 0xAA},    {"ordm", 0xBA},     {"sup2", 0xB2},     {"sup3", 0xB3},     {"micro", 0xB5},
    {"shy", 0xAD},     {"ensp", 0x2002},   {"emsp", 0x2003},   {"thinsp", 0x2009}, {"zwnj", 0x200C},
    {"zwj", 0x200D},   {"prime", 0x2032},  {"Prime", 0x2033},  {"frasl", 0x2044},  {"minus", 0x2212},
    {"szlig", 0xDF},   {"agrave", 0xE0},   {"aacute", 0xE1},   {"acirc", 0xE2},    {"atilde", 0xE3},
    {"auml", 0xE4},    {"aring", 0xE5},    {"aelig", 0xE6},    {"ccedil", 0xE7},   {"egrave", 0xE8},
    {"eacute", 0xE9},  {"ecirc", 0xEA},    {"euml", 0xEB},     {"igrave", 0xEC},   {"iacute", 0xED},
    {"icirc", 0xEE},   {"iuml", 0xEF},     {"eth", 0xF0},      {"ntilde", 0xF1},   {"ograve", 0xF2},
    {"oacute", 0xF3},  {"ocirc", 0xF4},    {"otilde", 0xF5},   {"ouml", 0xF6},     {"oslash", 0xF8},
    {"ugrave", 0xF9},  {"uacute", 0xFA},   {"ucirc", 0xFB},    {"uuml", 0xFC},     {"yacute", 0xFD},
    {"thorn", 0xFE},   {"yuml", 0xFF},     {"Agrave", 0xC0},   {"Aacute", 0xC1},   {"Acirc", 0xC2},
    {"Atilde", 0xC3},  {"Auml", 0xC4},     {"Aring", 0xC5},    {"AElig", 0xC6},    {"Ccedil", 0xC7},
    {"Egrave", 0xC8},  {"Eacute", 0xC9},   {"Ecirc", 0xCA},    {"Euml", 0xCB},     {"Igrave", 0xCC},
    {"Iacute", 0xCD},  {"Icirc", 0xCE},    {"Iuml", 0xCF},     {"ETH", 0xD0},      {"Ntilde", 0xD1},
    {"Ograve", 0xD2},  {"Oacute", 0xD3},   {"Ocirc", 0xD4},    {"Otilde", 0xD5},   {"Ouml", 0xD6},
    {"Oslash", 0xD8},  {"Ugrave", 0xD9},   {"Uacute", 0xDA},   {"Ucirc", 0xDB},    {"Uuml", 0xDC},
    {"Yacute", 0xDD},  {"THORN", 0xDE},    {"oelig", 0x153},   {"OElig", 0x152},   {"scaron", 0x161},
    {"Scaron", 0x160}, {"Yuml", 0x178},    {"fnof", 0x192},    {"circ", 0x2C6},    {"tilde", 0x2DC}};

// The character a reference names (the text between & and ;), or 0.
char32_t entityChar(QStringView name)
{
    if (name.startsWith(QLatin1Char('#'))) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == QLatin1Char('x') || name[1] == QLatin1Char('X'))
                              ? name.mid(2).toUInt(&ok, 16)
                              : name.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return 0;
        // Pages written in Windows-1252 refer to its characters by their bytes.
        if (code >= 0x80 && code < 0xA0)
            return decodeRecipeText(QByteArray(1, char(code))).at(0).unicode();
        return code;
    }
    static const QHash<QString, char16_t> table = [] {
        QHash<QString, char16_t> t;
        for (const Entity& e : kEntities)
            t.insert(QString::fromLatin1(e.name), e.c);
        return t;
    }();
    return table.value(name.toString(), 0);
}

} // namespace

QString decodeEntities(QStringView text)
{
    if (!text.contains(QLatin1Char('&')))
        return text.toString();
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) {
            out += text[i];
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && end - i <= 10 && (text[end].isLetterOrNumber() || text[end] == QLatin1Char('#')))
            ++end;
        const char32_t c = end < text.size() && text[end] == QLatin1Char(';') ? entityChar(text.mid(i + 1, end - i - 1))
                                                                              : 0;
        if (c == 0) {
            out += text[i];
            continue;
        }
        out += QString::fromUcs4(&c, 1);
        i = end;
    }
    return out;
}

namespace {

// Pages that escape their texts twice write "&amp;eacute;".
QString decodeTwice(QStringView text)
{
    QString once = decodeEntities(text);
    return once.contains(QLatin1Char('&')) ? decodeEntities(once) : once;
}

} // namespace

namespace {

// Whether text holds '<' or '&' (or a carriage return too, when asked):
// one look for them all, eight characters at a time. Most texts are a
// line of a few dozen characters, where a call of Qt's search for each
// costs more than the look.
bool holdsMarks(QStringView text, bool carriageReturns)
{
    const char16_t* p = text.utf16();
    const qsizetype n = text.size();
    const char16_t cr = carriageReturns ? u'\r' : u'<';
    qsizetype i = 0;
    if constexpr (charscan::kBlocks) {
        for (; i + 8 <= n; i += 8) {
            const charscan::Block b = charscan::load(p + i);
            if (charscan::equal(b, u'<') | charscan::equal(b, u'&') | charscan::equal(b, cr))
                return true;
        }
    }
    for (; i < n; ++i)
        if (p[i] == u'<' || p[i] == u'&' || p[i] == cr)
            return true;
    return false;
}

// Text without markup, references or carriage returns: text as it is.
bool plainText(QStringView text) { return !holdsMarks(text, true); }

} // namespace

bool plainSimpleLine(QStringView text) { return isSimplified(text) && !holdsMarks(text, false); }

bool plainSimpleAscii(QByteArrayView text)
{
    const char* p = text.data();
    const qsizetype n = text.size();
    if (n <= 0)
        return true;
    if (p[0] == ' ' || p[n - 1] == ' ')
        return false;
#ifdef BD_CHARSCAN_SSE2
    // Sixteen bytes at a time: no control character, byte beyond ASCII,
    // '<' or '&', nor a space followed by another, also across blocks. The
    // last block is the text's last sixteen bytes; a shorter text is
    // looked at in a block of its own, filled out with letters.
    char padded[16];
    if (n < 16) {
        std::memset(padded, 'a', sizeof padded);
        charscan::copyBytes(padded, p, size_t(n));
        p = padded;
    }
    const qsizetype last = qMax<qsizetype>(n, 16) - 16;
    const __m128i space = _mm_set1_epi8(' '), lt = _mm_set1_epi8('<'), amp = _mm_set1_epi8('&');
    unsigned spaceBefore = 0; // whether the byte before the block is a space
    for (qsizetype i = 0, next = 0;; i = next) {
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        // Compared as signed numbers, the bytes from 0x80 up are below ' ' too.
        const __m128i bad = _mm_or_si128(_mm_cmplt_epi8(b, space),
                                         _mm_or_si128(_mm_cmpeq_epi8(b, lt), _mm_cmpeq_epi8(b, amp)));
        const unsigned spaces = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(b, space)));
        if (_mm_movemask_epi8(bad) || (spaces & ((spaces >> 1) | (spaceBefore & 1))))
            return false;
        if (i == last)
            return true;
        // (The last block, where it overlaps this one, holds the byte
        // before it and its pair.)
        next = qMin(i + 16, last);
        spaceBefore = next == i + 16 ? spaces >> 15 : 0;
    }
#else
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        // The last byte is no space, so a space has one after it.
        if (c < ' ' || c >= 0x80 || c == '<' || c == '&' || (c == ' ' && p[i + 1] == ' '))
            return false;
    }
    return true;
#endif
}

QString htmlText(QString&& text)
{
    if (plainSimpleLine(text))
        return std::move(text);
    if (plainText(text))
        return tidyLines(std::move(text));
    return htmlText(QStringView(text));
}

QString htmlText(QStringView text)
{
    if (plainSimpleLine(text))
        return text.toString();
    if (plainText(text))
        return tidyLines(text);
    if (!text.contains(QLatin1Char('<'))) {
        // A CR is a line break of its own (CR LF two of them).
        if (!text.contains(QLatin1Char('&')))
            return tidyLines(text, true);
        return tidyLines(decodeTwice(text).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A run of characters that are only text goes in at once.
        qsizetype run = i;
        while (run < text.size() && text[run] != QLatin1Char('<') && text[run] != QLatin1Char('\r') &&
               text[run] != QLatin1Char('\n') && text[run] != QLatin1Char('\t'))
            ++run;
        if (run > i) {
            out += text.mid(i, run - i);
            if (run == text.size())
                break;
            i = run;
        }
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\t')) {
            out += QLatin1Char(' ');
            continue;
        }
        const bool tagStart = c == QLatin1Char('<') && i + 1 < text.size() &&
                              (text[i + 1].isLetter() || text[i + 1] == QLatin1Char('/') ||
                               text[i + 1] == QLatin1Char('!'));
        if (!tagStart) {
            out += c;
            continue;
        }
        const qsizetype end = text.indexOf(QLatin1Char('>'), i);
        if (end < 0) {
            // No tag ends after this: the rest is text.
            out += text.mid(i);
            break;
        }
        QStringView tag = text.mid(i + 1, end - i - 1);
        const bool closing = tag.startsWith(QLatin1Char('/'));
        if (closing)
            tag = tag.mid(1);
        qsizetype n = 0;
        while (n < tag.size() && tag[n].isLetterOrNumber())
            ++n;
        const QStringView name = tag.left(n);
        auto is = [&](const char* wanted) { return name.compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0; };
        // A list item is a line, a paragraph or a list a paragraph.
        if (is("br") || (is("li") && !closing))
            out += QLatin1Char('\n');
        else if (is("p") || is("div") || is("ul") || is("ol") ||
                 (name.size() == 2 && name[0].toLower() == QLatin1Char('h') && name[1].isDigit()))
            out += QStringLiteral("\n\n");
        i = end;
    }
    return tidyLines(decodeTwice(out));
}

} // namespace bd
