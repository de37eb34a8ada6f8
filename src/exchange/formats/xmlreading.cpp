#include "exchange/formats/xmlreading.h"

#include "exchange/formats/textdecoding.h"
#include "exchange/formats/textlines.h"
#include "store/charscan.h"

#include <cstring>

namespace bd {

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
            out += QString::fromUtf8(d.value());
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

namespace {

// Whether an attribute value's closing quote can stand at i: what follows
// is the tag's end or the next attribute (spaces, a name and "=").
bool closesValue(const QByteArray& data, qsizetype i)
{
    qsizetype j = i + 1;
    if (j >= data.size() || data[j] == '>' || (data[j] == '/' && j + 1 < data.size() && data[j + 1] == '>'))
        return true;
    if (!std::isspace(static_cast<unsigned char>(data[j])))
        return false;
    while (j < data.size() && std::isspace(static_cast<unsigned char>(data[j])))
        ++j;
    if (j >= data.size() || data[j] == '>' || data[j] == '/')
        return true;
    const qsizetype name = j;
    while (j < data.size() && (std::isalnum(static_cast<unsigned char>(data[j])) || std::strchr("_:.-", data[j])))
        ++j;
    return j > name && j < data.size() && data[j] == '=';
}

// data with the quotes inside attribute values that cannot close them
// escaped.
QByteArray escapeQuotesInValues(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() + 64);
    char quote = 0;     // the quote of the value the look is in, 0 outside values
    bool inTag = false; // inside a start or end tag
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (!inTag && c == '<') {
            // Comments and CDATA sections are passed over whole.
            const char* close = data.mid(i, 4) == "<!--" ? "-->" : data.mid(i, 9) == "<![CDATA[" ? "]]>" : nullptr;
            if (close) {
                const qsizetype end = data.indexOf(close, i);
                const qsizetype to = end < 0 ? data.size() : end + 3;
                out += data.mid(i, to - i);
                i = to - 1;
                continue;
            }
            inTag = i + 1 < data.size() && data[i + 1] != '!' && data[i + 1] != '?';
            out += c;
            continue;
        }
        if (inTag && quote == 0) {
            if (c == '>')
                inTag = false;
            else if ((c == '"' || c == '\'') && i > 0 && data[i - 1] == '=')
                quote = c;
            out += c;
            continue;
        }
        if (inTag && c == quote) {
            if (closesValue(data, i)) {
                quote = 0;
                out += c;
            } else {
                out += c == '"' ? "&quot;" : "&apos;";
            }
            continue;
        }
        out += c;
    }
    return out;
}

} // namespace

// Where the outermost elements named element start and end in XML text:
// a look through it that knows comments, CDATA sections, processing
// instructions, a document type without an internal subset and quoted
// attribute values; each(from, to) gets each as soon as it is found, and
// returns false to stop the look. False where it meets anything else it
// cannot follow, or an element it cannot close (the whole document is
// parsed then), or when each stopped it.
template <typename Each>
bool elementSpans(QByteArrayView data, QByteArrayView element, Each each)
{
    const qsizetype n = data.size();
    auto at = [&](qsizetype i, const char* text) { return data.sliced(i).startsWith(QByteArrayView(text)); };
    int depth = 0;
    qsizetype start = -1;
    // The next '<' from i on that may start what the look must see: "<!",
    // "<?", or a tag of the element ("<e", "</e" for its first letter e);
    // -1 where there is none. Other tags are passed over, sixteen bytes at
    // a time where the processor can: most of a document's tags are not
    // the element's.
    const char* p = data.data();
    const char first = element.isEmpty() ? '\0' : element[0];
    auto wanted = [&](qsizetype k) {
        const char a = k + 1 < n ? p[k + 1] : '\0';
        return a == first || a == '!' || a == '?' || (a == '/' && k + 2 < n && p[k + 2] == first);
    };
    auto nextTag = [&](qsizetype i) -> qsizetype {
#ifdef BD_CHARSCAN_SSE2
        const __m128i lt = _mm_set1_epi8('<'), e = _mm_set1_epi8(first), bang = _mm_set1_epi8('!'),
                      ask = _mm_set1_epi8('?'), slash = _mm_set1_epi8('/');
        for (; i + 18 <= n; i += 16) {
            const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            const __m128i opens = _mm_cmpeq_epi8(b0, lt);
            if (!_mm_movemask_epi8(opens))
                continue;
            const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 1));
            const __m128i b2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 2));
            const __m128i next = _mm_or_si128(
                _mm_or_si128(_mm_cmpeq_epi8(b1, e), _mm_cmpeq_epi8(b1, bang)),
                _mm_or_si128(_mm_cmpeq_epi8(b1, ask), _mm_and_si128(_mm_cmpeq_epi8(b1, slash), _mm_cmpeq_epi8(b2, e))));
            if (const unsigned m = unsigned(_mm_movemask_epi8(_mm_and_si128(opens, next))))
                return i + qsizetype(qCountTrailingZeroBits(m));
        }
#endif
        for (; i < n; ++i)
            if (p[i] == '<' && wanted(i))
                return i;
        return -1;
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
        if (nameEnd >= n || !charscan::sameBytes(p + nameStart, element.data(), size_t(element.size())) ||
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
            if (--depth == 0 && !each(start, k + 1))
                return false;
        } else if (data[k - 1] == '/') {
            if (depth == 0 && !each(i, k + 1))
                return false;
        } else if (depth++ == 0) {
            start = i;
        }
        i = k;
    }
    return depth == 0;
}

} // namespace

bool findXmlPieces(QByteArrayView data, QByteArrayView element, const std::function<bool(qsizetype, qsizetype)>& found)
{
    // Elements with nothing but spaces between them are parsed together,
    // some 64 KB at a time: a document of its own costs a page of memory.
    // A piece is handed on once the next element cannot join it.
    std::pair<qsizetype, qsizetype> last{-1, -1};
    const bool whole = elementSpans(data, element, [&](qsizetype from, qsizetype to) {
        if (last.first >= 0 && last.second - last.first < 65536 &&
            data.sliced(last.second, from - last.second).trimmed().isEmpty()) {
            last.second = to;
            return true;
        }
        const bool goOn = last.first < 0 || found(last.first, last.second);
        last = {from, to};
        return goOn;
    });
    return whole && last.first >= 0 && found(last.first, last.second);
}

std::vector<std::pair<qsizetype, qsizetype>> xmlPieces(QByteArrayView data, QByteArrayView element)
{
    std::vector<std::pair<qsizetype, qsizetype>> pieces;
    if (!findXmlPieces(data, element, [&pieces](qsizetype from, qsizetype to) {
            pieces.emplace_back(from, to);
            return true;
        }))
        return {};
    return pieces;
}

RecipeList readXmlRecipes(const QByteArray& bytes, const char* element, const ReadContext& context,
                          const XmlRecipeFn& recipe)
{
    RecipeList read;
    QByteArray data = escapeBareAmpersands(xmlAsUtf8(bytes));
    // A recipe element as the reader hands it over.
    auto ready = [&](pugi::xml_node r) {
        QStringList categories;
        Recipe found = recipe(r, categories, context.langOffset);
        return readyRecipe(std::move(found), categories.value(0), context);
    };
    // Each recipe element parsed on its own, side by side, as a document
    // parsed whole would hold it; the recipes filled in in their order.
    const QByteArray path = QByteArray("//") + element;
    if (readXmlPieces<Recipe>(
            data, element,
            [&](const pugi::xml_document& piece, std::vector<Recipe>& found) {
                for (const pugi::xpath_node& r : piece.select_nodes(path.constData()))
                    found.push_back(ready(r.node()));
            },
            [&](Recipe& r) { read.add(std::move(r)); }))
        return read;
    // An element that is no XML: the document is read as below.
    read.clear();
    {
        // Parsed where it lies: the document is gone before the data.
        pugi::xml_document doc;
        data.detach();
        if (doc.load_buffer_inplace(data.data(), size_t(data.size()), pugi::parse_default, pugi::encoding_utf8)) {
            const pugi::xpath_node_set nodes = doc.select_nodes(path.constData());
            // The recipes are read side by side and filled in in their order.
            std::vector<Recipe> found(nodes.size());
            inParallelInOrder(
                qsizetype(nodes.size()), [&](qsizetype i) { found[size_t(i)] = ready(nodes[size_t(i)].node()); },
                [&](qsizetype i) { read.add(std::move(found[size_t(i)])); });
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
        // A quote the writer left unescaped in a value (an inch mark:
        // name="tomatoes in 3/4" dice") is taken for part of the value.
        const QByteArray piece = end < 0 ? QByteArray() : data.mid(from, end + close.size() - from);
        if (end < 0 || (nextOpen >= 0 && nextOpen < end) ||
            !(parse(one, piece) || parse(one, escapeQuotesInValues(piece))) || !one.first_child()) {
            read.skipped << lines.at(from);
            from = next;
            continue;
        }
        read.add(ready(one.first_child()));
        from = end + close.size();
    }
    if (read.skipped.isEmpty() && read.isEmpty())
        read.skipped << 1;
    return read;
}

} // namespace bd
