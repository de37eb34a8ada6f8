#pragma once
// The notes of a recipe read from another program's export: the texts the
// program keeps as notes first, each a paragraph, then one line a field
// the book has no place for ("Source: ...", "Categories: ..."), each with
// its label in the cook's language.

#include "exchange/formats/textlines.h"
#include "resources/strings.h"
#include "store/names.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <initializer_list>

namespace bd {

class ExportNotes {
public:
    explicit ExportNotes(int langOffset) : lang_(langOffset) {}

    // A text of the cook's: its lines tidied, a CR LF read as a line break.
    void text(QString text)
    {
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        if (QString tidy = tidyLines(text, true); !tidy.isEmpty())
            texts_ << tidy;
    }
    // A field on a line of its own after label (a text with %1); nothing
    // when it is empty.
    void line(Str label, const QString& value)
    {
        if (const QString v = simplifiedText(value); !v.isEmpty())
            lines_ << fetchText(label, lang_).arg(v);
    }
    // A line of its own that needs no value ("Favourite").
    void flag(Str label) { lines_ << fetchText(label, lang_); }
    // The "Categories:" line, when there is more than one.
    void categories(const QStringList& names)
    {
        if (names.size() > 1)
            line(Str::NoteCategories, names.join(QStringLiteral(", ")));
    }
    int lang() const { return lang_; }
    // The notes: the texts, then the lines as one paragraph.
    QString notes() const
    {
        QString out;
        for (const QString& t : texts_)
            addParagraph(out, t);
        addParagraph(out, lines_.join(QLatin1Char('\n')));
        return out;
    }

private:
    int lang_;
    QStringList texts_, lines_;
};

// Adds the names of a list written as one text ("Main, Side dish") to
// names, each once, trimmed, in their order.
inline void addNames(QStringList& names, const QString& list, QChar separator = QLatin1Char(','))
{
    for (const QString& part : list.split(separator, Qt::SkipEmptyParts))
        if (const QString name = simplifiedText(part); !name.isEmpty() && !names.contains(name))
            names << name;
}

// An ingredient line of the parts a program keeps apart (amount, unit,
// item: those not empty, apart by spaces), the preparation after a comma.
inline QString ingredientLine(std::initializer_list<QString> parts, const QString& preparation)
{
    QString line;
    for (const QString& p : parts)
        if (!p.isEmpty())
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + p;
    if (!preparation.isEmpty())
        line += (line.isEmpty() ? QString() : QStringLiteral(", ")) + preparation;
    return line;
}

// Adds a heading to the ingredients, apart by a blank line from those
// above it.
inline void addIngredientHeading(QString& ing, const QString& heading)
{
    if (heading.isEmpty())
        return;
    if (!ing.isEmpty())
        ing += QLatin1Char('\n');
    addLine(ing, heading);
}

// Bytes of base64 text, or nothing when the text is too long to be a
// picture the import would take.
inline QByteArray pictureFromBase64(QByteArrayView text)
{
    constexpr qsizetype kMaxText = qsizetype(88) << 20; // 64 MB of bytes, with line breaks
    if (text.size() > kMaxText)
        return QByteArray();
    return QByteArray::fromBase64(text.toByteArray());
}

} // namespace bd
