#include "resources/strings.h"

#include <QHash>

namespace bd {

namespace {
const QHash<int, const char*>& index()
{
    static const QHash<int, const char*> table = [] {
        QHash<int, const char*> h;
        h.reserve(int(kStringTableSize));
        for (std::size_t i = 0; i < kStringTableSize; ++i)
            h.insert(kStringTable[i].id, kStringTable[i].text);
        return h;
    }();
    return table;
}
} // namespace

QString loadResString(int id)
{
    const char* text = index().value(id, nullptr);
    return text ? QString::fromUtf8(text) : QString();
}

bool hasResString(int id) { return index().contains(id); }

QString fetchText(Str id, int langOffset) { return loadResString(langOffset + int(id)); }

} // namespace bd
