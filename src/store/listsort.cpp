#include "store/listsort.h"

#include <algorithm>

namespace bd {

namespace {
const QCollator& collator()
{
    static const QCollator c = listCollator();
    return c;
}

template <typename T, typename TextOf>
void sortByKeys(QVector<T>& items, TextOf textOf)
{
    std::vector<std::pair<QCollatorSortKey, int>> keys;
    keys.reserve(size_t(items.size()));
    for (int i = 0; i < items.size(); ++i)
        keys.emplace_back(collator().sortKey(textOf(items[i])), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QVector<T> sorted;
    sorted.reserve(items.size());
    for (const auto& k : keys)
        sorted.push_back(std::move(items[k.second]));
    items = std::move(sorted);
}
} // namespace

QCollator listCollator()
{
    // The C locale has no collation of its own; English serves there.
    QLocale locale = QLocale::system();
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator k(locale);
    k.setCaseSensitivity(Qt::CaseInsensitive);
    k.setNumericMode(false);
    k.setIgnorePunctuation(false);
    return k;
}

QCollatorSortKey listSortKey(const QString& text) { return collator().sortKey(text); }

bool listLess(const QString& a, const QString& b) { return collator().compare(a, b) < 0; }

void sortForList(QStringList& texts)
{
    QVector<QString> v(texts.begin(), texts.end());
    sortByKeys(v, [](const QString& s) -> const QString& { return s; });
    texts = QStringList(v.begin(), v.end());
}

void sortForList(QVector<std::pair<QString, int>>& entries)
{
    sortByKeys(entries, [](const std::pair<QString, int>& e) -> const QString& { return e.first; });
}

} // namespace bd
