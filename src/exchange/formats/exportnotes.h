#pragma once
// The notes of a recipe read from another program's export, as every
// reader of one builds them: the texts the program keeps as notes, each a
// paragraph, and one line a field the book has no place for ("Source:
// ...", "Categories: ..."), each with its label in the cook's language.

#include "exchange/formats/textlines.h"
#include "resources/strings.h"
#include "store/names.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <initializer_list>
#include <type_traits>

namespace bd {

// A line "label: value" (label a text with %1, in the language langOffset
// names), the value's spaces simplified; empty for an empty value.
QString noteLine(Str label, QStringView value, int langOffset);

class ExportNotes {
public:
    // Where the cook's texts stand: before the lines of the fields, or
    // after them.
    enum class Order { TextsFirst, FieldsFirst };

    explicit ExportNotes(int langOffset, Order order = Order::TextsFirst) : lang_(langOffset), order_(order) {}

    // A text of the cook's, a paragraph of its own: its lines tidied, a
    // CR LF or a lone CR read as a line break.
    void text(const QString& text);
    // A field on a line of its own after label (a text with %1), its
    // spaces and line breaks simplified; nothing when it is empty.
    void line(Str label, QStringView value);
    // The same for a field of several lines ("Nutrition:" and the lines of
    // a table), its lines kept, tidied.
    void lines(Str label, const QString& value);
    // A line of the file kept as it stands (trimmed), among the fields.
    void line(QStringView kept);
    // A line of its own that needs no value ("Favourite").
    void flag(Str label);
    // The "Categories:" line, when there is more than one.
    void categories(const QStringList& names);
    // The lines so far stand as a paragraph of their own.
    void endParagraph();
    // The category of a recipe of several (names trimmed, empty ones left
    // out): the first; when there are more, the "Categories:" line lists
    // them all.
    QString category(const QStringList& names);
    int lang() const { return lang_; }
    // The notes: the texts, each a paragraph, and the lines as one
    // paragraph (or those endParagraph parted), in the order given.
    QString notes() const;

private:
    int lang_;
    Order order_;
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

// Writes into line (emptied first, its room kept) an ingredient line of the parts a
// program keeps apart (amount, unit, item: those not empty, apart by
// spaces), the preparation after a comma. Line is QString (Text QString or
// QLatin1String) or, for ASCII, QVarLengthArray<char> (Text QByteArrayView).
template <typename Line, typename Text>
void writeIngredientLine(Line& line, std::initializer_list<Text> parts, const Text& preparation)
{
    constexpr bool chars = !std::is_same_v<Line, QString>;
    const auto add = [&line](const auto& text) {
        if constexpr (chars)
            line.append(text.data(), text.size());
        else
            line += text;
    };
    using Separator = std::conditional_t<chars, QByteArrayView, QLatin1String>;
    line.resize(0);
    for (const Text& p : parts) {
        if (p.isEmpty())
            continue;
        if (!line.isEmpty())
            add(Separator(" "));
        add(p);
    }
    if (!preparation.isEmpty()) {
        if (!line.isEmpty())
            add(Separator(", "));
        add(preparation);
    }
}

// The same line made anew.
inline QString ingredientLine(std::initializer_list<QString> parts, const QString& preparation)
{
    // Written into room made for it at once: a file has thousands of them.
    qsizetype size = preparation.isEmpty() ? 0 : preparation.size() + 2;
    for (const QString& p : parts)
        size += p.isEmpty() ? 0 : p.size() + 1;
    QString line;
    if (size > 0)
        line.reserve(size);
    writeIngredientLine(line, parts, preparation);
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
