#include "exchange/readers.h"

#include "exchange/exchange.h"
#include "exchange/mealmaster.h"
#include "resources/strings.h"

#include <QRegularExpression>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <memory>

namespace bd {

QString decodeAnyText(const QByteArray& bytes)
{
    if (wideText(bytes)) {
        const auto encoding = QStringConverter::encodingForData(bytes);
        if (encoding) {
            QStringDecoder decoder(*encoding, QStringDecoder::Flag::Stateless);
            QString text = decoder.decode(bytes);
            if (text.startsWith(QChar(0xFEFF)))
                text.remove(0, 1);
            return text;
        }
    }
    return decodeRecipeText(bytes);
}

bool wideText(QByteArrayView bytes)
{
    // The UTF-32 little-endian mark begins like UTF-16's.
    return bytes.startsWith("\xff\xfe") || bytes.startsWith("\xfe\xff") ||
           bytes.startsWith(QByteArrayView("\0\0\xfe\xff", 4));
}

std::optional<NarrowText> narrowText(const QByteArray& bytes)
{
    if (wideText(bytes))
        return std::nullopt;
    const bool utf8 = QUtf8StringView(bytes).isValidUtf8();
    const QByteArrayView view(bytes);
    return NarrowText{utf8 && view.startsWith("\xef\xbb\xbf") ? view.sliced(3) : view, utf8};
}

QByteArray xmlAsUtf8(const QByteArray& bytes)
{
    const bool wide = wideText(bytes);
    // The declaration: <?xml ... encoding="name" ... ?>
    const qsizetype start = wide ? -1 : bytes.indexOf("<?xml");
    const qsizetype end = start >= 0 && start < 16 ? bytes.indexOf("?>", start) : -1;
    QByteArray encoding;
    qsizetype encStart = -1, encEnd = -1;
    if (end > 0) {
        const QByteArray declaration = bytes.mid(start, end - start);
        static thread_local const QRegularExpression re(QStringLiteral("\\s+encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
        const QRegularExpressionMatch m = re.match(QString::fromLatin1(declaration));
        if (m.hasMatch()) {
            encoding = m.captured(1).toLatin1().toLower();
            encStart = start + m.capturedStart(0);
            encEnd = start + m.capturedEnd(0);
        }
    }
    const bool known = encoding.isEmpty() || encoding == "utf-8" || encoding == "utf8" || encoding == "us-ascii" ||
                       encoding == "ascii";
    // Files that say (or leave to the default) UTF-8 are sometimes written
    // in Windows-1252 all the same.
    if (!wide && known && QUtf8StringView(bytes).isValidUtf8())
        return bytes;
    QString text;
    if (wide || encoding.startsWith("utf-16") || encoding.startsWith("utf-32"))
        text = decodeAnyText(bytes);
    else if (encoding == "iso-8859-1" || encoding == "latin1" || encoding == "latin-1" || encoding == "iso8859-1")
        text = QString::fromLatin1(bytes);
    else // windows-1252 and anything unknown: bytes that are not UTF-8 are read as Windows-1252
        text = decodeRecipeText(bytes);
    if (encStart >= 0) {
        // The declaration is ASCII: its positions are the same in the text.
        text.remove(encStart, encEnd - encStart);
    } else if (wide) {
        static thread_local const QRegularExpression re(
            QStringLiteral("^(<\\?xml[^>]*?)\\s+encoding\\s*=\\s*[\"'][^\"']*[\"']"));
        text.replace(re, QStringLiteral("\\1"));
    }
    return text.toUtf8();
}

BookFiller::BookFiller(RecipeBook& book, const QString& uncategorised) : book_(&book), uncategorised_(uncategorised)
{
    book_->clear();
}

BookFiller::BookFiller(std::vector<Ready>& collected, const QString& uncategorised)
    : collected_(&collected), uncategorised_(uncategorised)
{
    collected_->clear();
}

void BookFiller::restart()
{
    if (book_)
        book_->clear();
    if (collected_)
        collected_->clear();
    category_ = {};
    current_.clear();
    count_ = 0;
    picturesNamed_ = false;
}

BookFiller::Ready BookFiller::prepare(Recipe recipe, const QString& category) const
{
    recipe.title = allowedName(recipe.title);
    if (recipe.title.isEmpty())
        recipe.title = fetchText(Str::UntitledRecipe);
    Ready ready;
    qsizetype length = 0;
    for (int i = 0; i < RChildCount; ++i)
        length += recipe[i].size();
    QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    // Room for the longest the texts may be, left as it is, not cleared.
    ready.texts.resize(utf8.requiredSpace(length) + RChildCount);
    char* out = ready.texts.data();
    for (int i = 0; i < RChildCount; ++i) {
        // Characters a book cannot hold are dropped, as xmlText drops them.
        char* const start = out;
        out = utf8.appendToBuffer(out, storableText(recipe[i]));
        ready.namesPicture = ready.namesPicture || (i == RImage && out != start);
        *out++ = '\0';
    }
    ready.texts.resize(out - ready.texts.data());
    ready.category = allowedName(category);
    if (ready.category.isEmpty())
        ready.category = uncategorised_;
    return ready;
}

void BookFiller::add(Recipe recipe, const QString& category)
{
    Ready ready = prepare(std::move(recipe), category);
    if (collected_) {
        picturesNamed_ = picturesNamed_ || ready.namesPicture;
        collected_->push_back(std::move(ready));
        ++count_;
        return;
    }
    add(ready);
}

void BookFiller::add(const Ready& recipe)
{
    ++count_;
    picturesNamed_ = picturesNamed_ || recipe.namesPicture;
    if (collected_) {
        collected_->push_back(recipe);
        return;
    }
    // Recipes of one category mostly follow each other.
    if (!category_ || recipe.category != current_) {
        category_ = appendCategoryNode(book_->root(), recipe.category);
        current_ = recipe.category;
    }
    pugi::xml_node node = category_.append_child("recipe");
    const char* text = recipe.texts.constData();
    for (int i = 0; i < RChildCount; ++i) {
        pugi::xml_node child = node.append_child(kRecipeChildNames[i]);
        if (*text)
            child.text().set(text);
        text += std::strlen(text) + 1;
    }
}

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

bool blankLine(QStringView line)
{
    for (QChar c : line)
        if (!c.isSpace())
            return false;
    return true;
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

QString tidyLines(QString&& text)
{
    if (!text.contains(QLatin1Char('\n')))
        return simplifiedText(std::move(text));
    return tidyLines(QStringView(text));
}

namespace {

// The lines of text (and, where crBreaks, those a lone CR ends) tidied as
// tidyLines does.
QString tidyLines(QStringView text, bool crBreaks)
{
    QString out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = start;
        while (end < text.size() && text[end] != QLatin1Char('\n') && !(crBreaks && text[end] == QLatin1Char('\r')))
            ++end;
        const QStringView line = text.mid(start, end - start);
        start = end + 1;
        if (blankLine(line)) {
            pendingBlank = !out.isEmpty();
            continue;
        }
        if (!out.isEmpty())
            out += pendingBlank ? QStringLiteral("\n\n") : QStringLiteral("\n");
        pendingBlank = false;
        // Most lines are simple already, and go in as they are.
        if (isSimplified(line))
            out += line;
        else
            out += line.toString().simplified();
    }
    return out;
}

} // namespace

QString tidyLines(QStringView text)
{
    if (!text.contains(QLatin1Char('\n')))
        return simplifiedText(text);
    return tidyLines(text, false);
}

namespace {

// Pages that escape their texts twice write "&amp;eacute;".
QString decodeTwice(QStringView text)
{
    QString once = decodeEntities(text);
    return once.contains(QLatin1Char('&')) ? decodeEntities(once) : once;
}

} // namespace

QString flowText(QStringView text)
{
    // One line, as most steps are: only its spaces to simplify.
    if (!text.contains(QLatin1Char('\n')))
        return simplifiedText(text);
    QStringList paragraphs = tidyLines(text).split(QStringLiteral("\n\n"));
    for (QString& p : paragraphs)
        p.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return paragraphs.join(QStringLiteral("\n\n"));
}

namespace {

// Text without markup, references or carriage returns: text as it is.
bool plainText(QStringView text)
{
    for (QChar c : text)
        if (c == QLatin1Char('<') || c == QLatin1Char('&') || c == QLatin1Char('\r'))
            return false;
    return true;
}

} // namespace

namespace {

// Text of one line with nothing to do: no markup, references or line
// breaks, spaces simplified. Most texts of pages are such.
bool plainSimpleLine(QStringView text)
{
    return isSimplifiedWithout(text, [](char16_t c) { return c == '<' || c == '&'; });
}

} // namespace

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
        const QString name = tag.left(n).toString().toLower();
        // A list item is a line, a paragraph or a list a paragraph.
        if (name == QLatin1String("br") || (name == QLatin1String("li") && !closing))
            out += QLatin1Char('\n');
        else if (name == QLatin1String("p") || name == QLatin1String("div") || name == QLatin1String("ul") ||
                 name == QLatin1String("ol") || (name.size() == 2 && name[0] == QLatin1Char('h') && name[1].isDigit()))
            out += QStringLiteral("\n\n");
        i = end;
    }
    return tidyLines(decodeTwice(out));
}

namespace {

// A number of digits with a fraction after a point or a comma, as
// toDouble reads it: the whole digits divided by a power of ten are that
// number exactly rounded, as long as both are exact.
double decimal(QStringView digits)
{
    quint64 whole = 0;
    int places = 0, count = 0;
    bool fraction = false;
    for (QChar c : digits) {
        if (c == QLatin1Char('.') || c == QLatin1Char(',')) {
            fraction = true;
            continue;
        }
        whole = whole * 10 + quint64(c.unicode() - '0');
        places += fraction;
        if (++count > 15)
            return digits.toString().replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    }
    static constexpr double kPowers[] = {1,   1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    return double(whole) / kPowers[places];
}

} // namespace

QString durationText(QStringView iso)
{
    const QString s = iso.trimmed().toString();
    if (s.size() < 3 || (s[0] != QLatin1Char('P') && s[0] != QLatin1Char('p')))
        return s;
    // P, then numbers with their designators in this order: Y M W D, and
    // after a T: H M S; each may be missing, a number may have a fraction.
    static constexpr char kDesignators[] = "YMWDHMS";
    double values[7] = {};
    int next = 0; // the first designator still allowed
    bool time = false;
    const auto digit = [&s](qsizetype i) {
        return i < s.size() && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9');
    };
    for (qsizetype i = 1; i < s.size();) {
        if (!time && (s[i] == QLatin1Char('T') || s[i] == QLatin1Char('t'))) {
            time = true;
            next = 4;
            ++i;
            continue;
        }
        const qsizetype start = i;
        while (digit(i))
            ++i;
        if (i == start)
            return s;
        if (i < s.size() && (s[i] == QLatin1Char('.') || s[i] == QLatin1Char(','))) {
            if (!digit(++i))
                return s;
            while (digit(i))
                ++i;
        }
        if (i >= s.size())
            return s;
        const char unit = char(s[i].toUpper().unicode() < 128 ? s[i].toUpper().unicode() : 0);
        int k = next;
        while (k < (time ? 7 : 4) && kDesignators[k] != unit)
            ++k;
        if (unit == 0 || k >= (time ? 7 : 4))
            return s;
        values[k] = decimal(QStringView(s).mid(start, i - start));
        next = k + 1;
        ++i;
    }
    // Everything in seconds, then shown in days, hours and minutes.
    const double seconds = values[2] * 7 * 86400 + values[3] * 86400 + values[4] * 3600 + values[5] * 60 + values[6];
    if (values[0] > 0 || values[1] > 0)
        return s; // years and months are no cooking times
    const qint64 total = qint64(seconds + 0.5);
    if (total <= 0)
        return QString();
    const qint64 days = total / 86400, hours = total % 86400 / 3600, minutes = total % 3600 / 60, secs = total % 60;
    QStringList parts;
    if (days)
        parts << QStringLiteral("%1 d").arg(days);
    if (hours)
        parts << QStringLiteral("%1 h").arg(hours);
    if (minutes)
        parts << QStringLiteral("%1 min").arg(minutes);
    if (secs && !days && !hours)
        parts << QStringLiteral("%1 s").arg(secs);
    return parts.join(QLatin1Char(' '));
}

void appendWrapped(QString& out, const QList<QStringView>& lines)
{
    qsizetype width = 0;
    for (QStringView l : lines)
        width = qMax(width, l.size());
    auto listItem = [](QStringView s) {
        if (s.startsWith(QLatin1Char('*')) || s.startsWith(QLatin1Char('-')) || s.startsWith(QChar(0x2022)))
            return true;
        qsizetype digits = 0;
        while (digits < s.size() && s[digits].isDigit())
            ++digits;
        return digits > 0 && digits < s.size() && (s[digits] == QLatin1Char('.') || s[digits] == QLatin1Char(')'));
    };
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView l = lines[i];
        if (i > 0) {
            const qsizetype space = l.indexOf(QLatin1Char(' '));
            const qsizetype word = space < 0 ? l.size() : space;
            // Short texts (under 40 columns) were not wrapped by a program.
            const bool wrapped = width >= 40 && lines[i - 1].size() + 1 + word > width - 2 && !listItem(l);
            out += wrapped ? QLatin1Char(' ') : QLatin1Char('\n');
        }
        out += l;
    }
}

qsizetype whileFound(qsizetype capacity, const std::function<qsizetype(const std::function<void()>& publish)>& produce,
                     const std::function<void(qsizetype)>& each, const std::function<void(qsizetype)>& then)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    std::atomic<qsizetype> next{0};
    std::atomic<qsizetype> total{-1}; // unknown while items are being found
    QSemaphore ready, finished;       // a permit for each item found
    const std::unique_ptr<std::atomic<char>[]> done(new std::atomic<char>[size_t(qMax<qsizetype>(capacity, 1))]());
    auto work = [&](qsizetype i) {
        each(i);
        done[size_t(i)].store(1, std::memory_order_release);
    };
    // Helpers take items as they are found; each leaves on a permit it
    // gets once every item is taken.
    auto help = [&] {
        for (;;) {
            ready.acquire();
            const qsizetype i = next.fetch_add(1);
            const qsizetype known = total.load();
            if (known >= 0 && i >= known)
                break;
            work(i);
        }
        finished.release();
    };
    // One item is done here, with no helper to wake.
    int helpers = 0;
    for (int t = 1; t < pool->maxThreadCount() && t < capacity; ++t)
        if (pool->tryStart(help))
            ++helpers;
    const qsizetype count = produce([&] { ready.release(); });
    total.store(qMax<qsizetype>(count, 0));
    ready.release(helpers);
    // This thread finishes items in order whenever it can, else does one.
    qsizetype ordered = 0;
    auto finishDone = [&] {
        while (then && ordered < count && done[size_t(ordered)].load(std::memory_order_acquire))
            then(ordered++);
    };
    for (qsizetype i = 0; count > 0;) {
        finishDone();
        if ((i = next.fetch_add(1)) >= count)
            break;
        work(i);
    }
    while (then && ordered < count) {
        finishDone();
        if (ordered < count)
            QThread::yieldCurrentThread();
    }
    finished.acquire(helpers);
    return count;
}

void inParallelInOrder(qsizetype count, const std::function<void(qsizetype)>& each,
                       const std::function<void(qsizetype)>& then)
{
    whileFound(
        count,
        [count](const std::function<void()>& publish) {
            for (qsizetype i = 0; i < count; ++i)
                publish();
            return count;
        },
        each, then);
}

// All the text inside an element, its pieces joined by spaces.
QString xmlInnerText(pugi::xml_node n)
{
    // Mostly one piece of text.
    const pugi::xml_node only = n.first_child();
    if (only && !only.next_sibling() && (only.type() == pugi::node_pcdata || only.type() == pugi::node_cdata))
        return QString::fromUtf8(only.value());
    QString out;
    for (pugi::xml_node d = n.first_child(); d;) {
        if (d.type() == pugi::node_pcdata || d.type() == pugi::node_cdata) {
            if (!out.isEmpty() && !out.back().isSpace())
                out += QLatin1Char(' ');
            out += qstr(d.value());
        }
        if (d.first_child()) {
            d = d.first_child();
            continue;
        }
        while (d && d != n && !d.next_sibling())
            d = d.parent();
        if (!d || d == n)
            break;
        d = d.next_sibling();
    }
    return out;
}

// The child element of n named any of names (letter case ignored).
pugi::xml_node xmlChild(pugi::xml_node n, std::initializer_list<const char*> names)
{
    for (pugi::xml_node c = n.first_child(); c; c = c.next_sibling())
        for (const char* name : names)
            if (c.type() == pugi::node_element && qstricmp(c.name(), name) == 0)
                return c;
    return {};
}

namespace {

// XML text with each & that starts no reference written as &amp;: files
// written by hand or by careless programs hold "Salt & pepper".
QByteArray escapeBareAmpersands(const QByteArray& data)
{
    if (!data.contains('&'))
        return data;
    QByteArray out;
    out.reserve(data.size() + 64);
    qsizetype from = 0;
    for (qsizetype i = data.indexOf('&'); i >= 0; i = data.indexOf('&', i + 1)) {
        qsizetype end = i + 1;
        while (end < data.size() && end - i <= 12 &&
               (std::isalnum(static_cast<unsigned char>(data[end])) || data[end] == '#'))
            ++end;
        if (end == i + 1 || end >= data.size() || data[end] != ';') {
            out.append(data.constData() + from, i + 1 - from);
            out += "amp;";
            from = i + 1;
        }
    }
    out.append(data.constData() + from, data.size() - from);
    return out;
}

bool parse(pugi::xml_document& doc, const QByteArray& data)
{
    return doc.load_buffer(data.constData(), size_t(data.size()), pugi::parse_default, pugi::encoding_utf8);
}

// Where the outermost elements named element start and end in XML text:
// a look through it that knows comments, CDATA sections, processing
// instructions, a document type without an internal subset and quoted
// attribute values. False where it meets anything else it cannot follow,
// or an element it cannot close; the whole document is parsed then.
bool elementSpans(QByteArrayView data, QByteArrayView element, std::vector<std::pair<qsizetype, qsizetype>>& spans)
{
    const qsizetype n = data.size();
    auto at = [&](qsizetype i, const char* text) { return data.sliced(i).startsWith(QByteArrayView(text)); };
    int depth = 0;
    qsizetype start = -1;
    // The next '<' from i on, or -1.
    auto nextTag = [&](qsizetype i) -> qsizetype {
        const void* found = i < n ? std::memchr(data.data() + i, '<', size_t(n - i)) : nullptr;
        return found ? static_cast<const char*>(found) - data.data() : -1;
    };
    for (qsizetype i = nextTag(0); i >= 0 && i + 1 < n; i = nextTag(i + 1)) {
        const char next = data[i + 1];
        if (next == '!' || next == '?') {
            const char* end = at(i, "<!--") ? "-->" : next == '?' ? "?>" : at(i, "<![CDATA[") ? "]]>" : nullptr;
            if (!end) {
                // A document type: passed, unless it declares things of its own.
                const qsizetype k = data.indexOf('>', i);
                if (k < 0 || data.sliced(i, k - i).contains('['))
                    return false;
                i = k;
                continue;
            }
            const qsizetype k = data.indexOf(QByteArrayView(end), i + 2);
            if (k < 0)
                return false;
            i = k;
            continue;
        }
        // Other tags hold no '<' (XML allows none in attribute values), so
        // only this element's tags are looked at to their ends.
        const bool closing = next == '/';
        const qsizetype nameStart = i + 1 + (closing ? 1 : 0);
        const qsizetype nameEnd = nameStart + element.size();
        if (nameEnd >= n || data[nameStart] != element[0] || data.sliced(nameStart, element.size()) != element ||
            !(std::isspace(static_cast<unsigned char>(data[nameEnd])) || data[nameEnd] == '>' || data[nameEnd] == '/'))
            continue;
        qsizetype k = nameEnd;
        for (char quote = 0; k < n && (quote || data[k] != '>'); ++k) {
            if (quote && data[k] == quote)
                quote = 0;
            else if (!quote && (data[k] == '"' || data[k] == '\''))
                quote = data[k];
        }
        if (k >= n)
            return false;
        if (closing) {
            if (depth == 0)
                return false;
            if (--depth == 0)
                spans.emplace_back(start, k + 1);
        } else if (data[k - 1] == '/') {
            if (depth == 0)
                spans.emplace_back(i, k + 1);
        } else if (depth++ == 0) {
            start = i;
        }
        i = k;
    }
    return depth == 0;
}

} // namespace

RecipeRead readXmlRecipes(const QByteArray& bytes, const char* element, BookFiller& filler, const XmlRecipeFn& recipe)
{
    RecipeRead read;
    QByteArray data = escapeBareAmpersands(xmlAsUtf8(bytes));
    auto take = [&](pugi::xml_node r) {
        QStringList categories;
        const Recipe found = recipe(r, categories);
        filler.add(found, categories.value(0));
    };
    // Each recipe element parsed on its own, side by side, as a document
    // parsed whole would hold it; the recipes filled in in their order.
    const QByteArray path = QByteArray("//") + element;
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    if (elementSpans(data, element, spans) && !spans.empty()) {
        // Elements with nothing but spaces between them are parsed together,
        // some 64 KB at a time: a document of its own costs a page of memory.
        std::vector<std::pair<qsizetype, qsizetype>> pieces{spans.front()};
        for (size_t k = 1; k < spans.size(); ++k) {
            auto& last = pieces.back();
            if (last.second - last.first < 65536 &&
                data.sliced(last.second, spans[k].first - last.second).trimmed().isEmpty())
                last.second = spans[k].second;
            else
                pieces.push_back(spans[k]);
        }
        spans = std::move(pieces);
        std::vector<std::vector<BookFiller::Ready>> found(spans.size());
        bool whole = true;
        inParallelInOrder(
            qsizetype(spans.size()),
            [&](qsizetype i) {
                const auto [from, to] = spans[size_t(i)];
                pugi::xml_document one;
                if (!one.load_buffer(data.constData() + from, size_t(to - from), pugi::parse_default,
                                     pugi::encoding_utf8)) {
                    found[size_t(i)].push_back({}); // marks the element that is no XML
                    return;
                }
                for (const pugi::xpath_node& r : one.select_nodes(path.constData())) {
                    QStringList categories;
                    Recipe got = recipe(r.node(), categories);
                    found[size_t(i)].push_back(filler.prepare(std::move(got), categories.value(0)));
                }
            },
            [&](qsizetype i) {
                for (const BookFiller::Ready& r : found[size_t(i)])
                    whole = whole && !r.texts.isEmpty();
                for (const BookFiller::Ready& r : found[size_t(i)])
                    if (whole)
                        filler.add(r);
            });
        if (whole) {
            filler.report(read);
            return read;
        }
        // An element that is no XML: the document is read as below.
        filler.restart();
    }
    {
        // Parsed where it lies: the document is gone before the data.
        pugi::xml_document doc;
        data.detach();
        if (doc.load_buffer_inplace(data.data(), size_t(data.size()), pugi::parse_default, pugi::encoding_utf8)) {
            const pugi::xpath_node_set nodes = doc.select_nodes(path.constData());
            // The recipes are read side by side and filled in in their order.
            std::vector<BookFiller::Ready> found(nodes.size());
            inParallelInOrder(
                qsizetype(nodes.size()),
                [&](qsizetype i) {
                    QStringList categories;
                    Recipe r = recipe(nodes[size_t(i)].node(), categories);
                    found[size_t(i)] = filler.prepare(std::move(r), categories.value(0));
                },
                [&](qsizetype i) { filler.add(found[size_t(i)]); });
            filler.report(read);
            return read;
        }
    }
    // The failed parse left its marks in the data.
    data = escapeBareAmpersands(xmlAsUtf8(bytes));
    // Not well-formed: each recipe from its start tag to its end tag.
    const QByteArray open = QByteArray("<") + element, close = QByteArray("</") + element + '>';
    qsizetype from = 0, end = 0, nextOpen = 0;
    LineCounter<QByteArrayView> lines(data);
    while ((from = data.indexOf(open, from)) >= 0) {
        const qsizetype next = from + open.size();
        if (next >= data.size() || !(std::isspace(static_cast<unsigned char>(data[next])) || data[next] == '>')) {
            from = next;
            continue;
        }
        // Each search runs once over each part of the file.
        if (end >= 0 && end < next)
            end = data.indexOf(close, next);
        if (nextOpen >= 0 && nextOpen < next)
            nextOpen = data.indexOf(open, next);
        pugi::xml_document one;
        if (end < 0 || (nextOpen >= 0 && nextOpen < end) || !parse(one, data.mid(from, end + close.size() - from)) ||
            !one.first_child()) {
            read.skipped << lines.at(from);
            from = next;
            continue;
        }
        take(one.first_child());
        from = end + close.size();
    }
    if (read.skipped.isEmpty() && filler.count() == 0)
        read.skipped << 1;
    filler.report(read);
    return read;
}

void addLine(QString& text, QStringView line)
{
    if (line.isEmpty())
        return;
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    text += line;
}

void addParagraph(QString& text, QStringView paragraph)
{
    if (paragraph.isEmpty())
        return;
    if (!text.isEmpty())
        text += QStringLiteral("\n\n");
    text += paragraph;
}

namespace {

// A recipe's key for finding it again: its title in lower case and its
// ingredients without spaces or letter case.
QString recipeKey(pugi::xml_node recipe)
{
    QString ing = RecipeBook::childText(recipe, RIng).toLower();
    ing.removeIf([](QChar c) { return c.isSpace(); });
    return storableText(RecipeBook::childText(recipe, RTitle)).toLower() + QChar(0) + ing;
}

} // namespace

QSet<int> entriesInBook(const RecipeBook& book, const RecipeBook& source)
{
    QSet<QString> keys;
    for (pugi::xml_node c = book.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"))
            keys.insert(recipeKey(r));
    QSet<int> out;
    int index = 0;
    for (pugi::xml_node c = source.root().child("category"); c; c = c.next_sibling("category"))
        for (pugi::xml_node r = c.child("recipe"); r; r = r.next_sibling("recipe"), ++index)
            if (!RecipeBook::childText(r, RIng).trimmed().isEmpty() && keys.contains(recipeKey(r)))
                out.insert(index);
    return out;
}

} // namespace bd
