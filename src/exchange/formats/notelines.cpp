#include "exchange/formats/notelines.h"

#include "exchange/formats/textlines.h"

namespace bd {

void addNoteLine(QString& notes, Str label, const QString& value, int langOffset)
{
    const QString v = value.trimmed();
    if (!v.isEmpty())
        addLine(notes, fetchText(label, langOffset).arg(v));
}

QString categoryOf(const QStringList& names, QString& notes, int langOffset)
{
    QStringList kept;
    for (const QString& n : names)
        if (!n.trimmed().isEmpty())
            kept << n.trimmed();
    if (kept.size() > 1)
        addNoteLine(notes, Str::NoteCategories, kept.join(QStringLiteral(", ")), langOffset);
    return kept.value(0);
}

} // namespace bd
