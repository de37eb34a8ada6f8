#include "search/fold.h"

#include <QChar>

namespace bd {

namespace {

void fold(char32_t cp, FoldedChar& out, int depth)
{
    const auto put = [&out](char32_t c) {
        if (out.size < int(std::size(out.cp)))
            out.cp[out.size++] = c;
    };
    if (QChar::isSpace(cp)) {
        put(U' ');
        return;
    }
    switch (QChar::category(cp)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing: return;
    default: break;
    }
    // Hangul syllables are letters of their own, not letters with marks.
    const bool hangul = cp >= 0xAC00 && cp <= 0xD7A3;
    if (!hangul && depth < 4 && QChar::decompositionTag(cp) == QChar::Canonical) {
        const QString parts = QChar::decomposition(cp);
        for (int i = 0; i < parts.size(); ++i) {
            char32_t part = parts.at(i).unicode();
            if (parts.at(i).isHighSurrogate() && i + 1 < parts.size()) {
                part = QChar::surrogateToUcs4(parts.at(i), parts.at(i + 1));
                ++i;
            }
            fold(part, out, depth + 1);
        }
        return;
    }
    const char32_t lower = QChar::toLower(cp);
    if (lower != cp && depth < 4)
        fold(lower, out, depth + 1);
    else
        put(cp);
}

} // namespace

FoldedChar foldChar(char32_t cp)
{
    FoldedChar out;
    fold(cp, out, 0);
    return out;
}

QString foldText(const QString& text, QVector<int>* origins)
{
    QString out;
    out.reserve(text.size());
    if (origins) {
        origins->clear();
        origins->reserve(text.size());
    }
    for (int i = 0; i < text.size(); ++i) {
        const int from = i;
        char32_t cp = text.at(i).unicode();
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            cp = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        const FoldedChar f = foldChar(cp);
        for (int k = 0; k < f.size; ++k) {
            if (f.cp[k] == U' ' && out.endsWith(QLatin1Char(' ')))
                continue;
            const int before = int(out.size());
            if (QChar::requiresSurrogates(f.cp[k])) {
                out += QChar(QChar::highSurrogate(f.cp[k]));
                out += QChar(QChar::lowSurrogate(f.cp[k]));
            } else
                out += QChar(char16_t(f.cp[k]));
            if (origins)
                for (int k2 = before; k2 < int(out.size()); ++k2)
                    origins->append(from);
        }
    }
    return out;
}

} // namespace bd
