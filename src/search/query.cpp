#include "search/query.h"

#include "search/fold.h"

#include <QHash>

#include <algorithm>

namespace bd {

namespace {

bool isQuote(QChar c) { return c == QLatin1Char('"') || c == QChar(0x201C) || c == QChar(0x201D); }

// Field names before a colon, folded, in both languages.
unsigned fieldNamed(const QString& name)
{
    static const QHash<QString, unsigned> fields{
        {QStringLiteral("title"), InTitle},
        {QStringLiteral("titulo"), InTitle},
        {QStringLiteral("ing"), InIngredients},
        {QStringLiteral("ingredients"), InIngredients},
        {QStringLiteral("ingredientes"), InIngredients},
        {QStringLiteral("prep"), InPreparation},
        {QStringLiteral("preparation"), InPreparation},
        {QStringLiteral("preparacion"), InPreparation},
        {QStringLiteral("notes"), InNotes},
        {QStringLiteral("notas"), InNotes},
        {QStringLiteral("cat"), InCategory},
        {QStringLiteral("category"), InCategory},
        {QStringLiteral("categoria"), InCategory},
    };
    return fields.value(foldText(name), 0);
}

struct Token {
    SearchTerm term;
    bool excluded = false;
    bool orWord = false; // a bare OR
};

// Splits the text at white space outside quotes.
QVector<Token> tokens(const QString& text)
{
    QVector<Token> out;
    const int n = int(text.size());
    int i = 0;
    while (i < n) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        Token t;
        const int start = i;
        if (text.at(i) == QLatin1Char('-') && i + 1 < n && !text.at(i + 1).isSpace()) {
            t.excluded = true;
            ++i;
        }
        // field:rest, when the name is one of the fields and something follows.
        int colon = i;
        while (colon < n && text.at(colon).isLetter())
            ++colon;
        if (colon > i && colon + 1 < n && text.at(colon) == QLatin1Char(':') && !text.at(colon + 1).isSpace()) {
            if (const unsigned field = fieldNamed(text.mid(i, colon - i))) {
                t.term.fields = field;
                i = colon + 1;
            }
        }
        if (isQuote(text.at(i))) {
            int close = i + 1;
            while (close < n && !isQuote(text.at(close)))
                ++close;
            t.term.text = text.mid(i + 1, close - i - 1).simplified();
            i = qMin(close + 1, n);
        } else {
            int end = i;
            while (end < n && !text.at(end).isSpace())
                ++end;
            t.term.text = text.mid(i, end - i);
            i = end;
        }
        t.orWord = !t.excluded && t.term.fields == InRecipeTexts && text.mid(start, i - start) == QLatin1String("OR");
        if (!foldText(t.term.text).trimmed().isEmpty() || t.orWord)
            out << t;
    }
    return out;
}

} // namespace

SearchQuery parseQuery(const QString& text)
{
    SearchQuery q;
    const QVector<Token> all = tokens(text);
    bool joinNext = false;
    for (int i = 0; i < all.size(); ++i) {
        const Token& t = all[i];
        if (t.orWord) {
            const bool between = i > 0 && i + 1 < all.size() && !all[i - 1].excluded && !all[i - 1].orWord &&
                                 !all[i + 1].excluded && !all[i + 1].orWord;
            if (between) {
                joinNext = true;
                continue;
            }
            // OR still waiting for its second word is no word yet.
            if (i + 1 == all.size() && i > 0)
                continue;
        }
        if (t.excluded)
            q.excluded << t.term;
        else if (joinNext && !q.required.isEmpty())
            q.required.last() << t.term;
        else
            q.required << QVector<SearchTerm>{t.term};
        joinNext = false;
    }
    return q;
}

QVector<TextRange> foundRanges(const SearchQuery& query, SearchField field, const QString& text)
{
    QVector<int> origins;
    const QString folded = foldText(text, &origins);
    QVector<TextRange> hits;
    for (const QVector<SearchTerm>& group : query.required) {
        for (const SearchTerm& term : group) {
            if (!(term.fields & field))
                continue;
            const QString key = foldText(term.text).trimmed();
            if (key.isEmpty())
                continue;
            for (int at = int(folded.indexOf(key)); at >= 0; at = int(folded.indexOf(key, at + 1))) {
                const int start = origins[at];
                const int last = origins[at + key.size() - 1];
                // To the end of the last character, its marks included.
                int end = last + 1;
                while (end < text.size() && (text.at(end).isLowSurrogate() || text.at(end).isMark()))
                    ++end;
                hits << TextRange{start, end - start};
            }
        }
    }
    std::sort(hits.begin(), hits.end(), [](const TextRange& a, const TextRange& b) { return a.start < b.start; });
    QVector<TextRange> merged;
    for (const TextRange& r : hits) {
        if (!merged.isEmpty() && r.start <= merged.last().start + merged.last().length) {
            TextRange& m = merged.last();
            m.length = qMax(m.start + m.length, r.start + r.length) - m.start;
        } else {
            merged << r;
        }
    }
    return merged;
}

} // namespace bd
