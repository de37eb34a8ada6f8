#include "exchange/formats/exportnotes.h"

namespace bd {

QString noteLine(Str label, QStringView value, int langOffset)
{
    const QString v = simplifiedText(value);
    return v.isEmpty() ? QString() : fetchText(label, langOffset).arg(v);
}

void ExportNotes::text(const QString& text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (QString tidy = tidyLines(t, true); !tidy.isEmpty())
        texts_ << tidy;
}

void ExportNotes::line(Str label, QStringView value)
{
    if (QString l = noteLine(label, value, lang_); !l.isEmpty())
        lines_ << l;
}

void ExportNotes::lines(Str label, const QString& value)
{
    if (const QString v = tidyLines(value); !v.isEmpty())
        lines_ << fetchText(label, lang_).arg(v);
}

void ExportNotes::line(QStringView kept)
{
    if (const QStringView t = kept.trimmed(); !t.isEmpty())
        lines_ << t.toString();
}

void ExportNotes::flag(Str label) { lines_ << fetchText(label, lang_); }

void ExportNotes::categories(const QStringList& names)
{
    if (names.size() > 1)
        line(Str::NoteCategories, names.join(QStringLiteral(", ")));
}

void ExportNotes::endParagraph()
{
    // An empty line parts the lines when they are joined.
    if (!lines_.isEmpty() && !lines_.last().isEmpty())
        lines_ << QString();
}

QString ExportNotes::category(const QStringList& names)
{
    QStringList kept;
    for (const QString& n : names)
        if (const QString t = n.trimmed(); !t.isEmpty())
            kept << t;
    categories(kept);
    return kept.value(0);
}

QString ExportNotes::notes() const
{
    QString out;
    QString fields = lines_.join(QLatin1Char('\n'));
    if (fields.endsWith(QLatin1Char('\n')))
        fields.chop(1); // a paragraph ended with nothing after it
    if (order_ == Order::FieldsFirst)
        addParagraph(out, fields);
    for (const QString& t : texts_)
        addParagraph(out, t);
    if (order_ == Order::TextsFirst)
        addParagraph(out, fields);
    return out;
}

} // namespace bd
