#pragma once
// The tags of an HTML page, found without building a document: pages that
// recipe programs export are read one element at a time.

#include <QString>
#include <QStringView>

#include <climits>

namespace bd {

// A tag of a page: where it starts and ends, its lower-cased name and its
// attributes' text. It points into the page's text (name and attributes),
// and lives no longer than that text.
struct Tag {
    qsizetype start = -1, end = -1; // '<' and after '>'
    QString name;
    QStringView attributes;
    bool closing = false;

    // The value of an attribute, entities decoded; empty when missing.
    QString attribute(const char* wanted) const;
    bool has(const char* wanted) const { return attributes.contains(QLatin1String(wanted), Qt::CaseInsensitive); }
};

// The next tag at or after from (comments skipped), or a tag with start -1.
Tag nextTag(QStringView html, qsizetype from);

// Whether an element of this (lower-cased) name has no end tag.
bool voidElement(const QString& name);

// Where the element that open starts ends (after its end tag; limit when
// it has none before it; where the search gave up after maxTags tags).
qsizetype elementEnd(QStringView html, const Tag& open, qsizetype limit, int maxTags = INT_MAX);

} // namespace bd
