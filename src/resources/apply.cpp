#include "resources/apply.h"

#include "app/base/globals.h"
#include "resources/colours.h"
#include "app/base/text.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QHelpEvent>
#include <QLineEdit>
#include <QToolTip>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace bd {

namespace {

const char kFitsWidth[] = "entriesFitWidth";

// Entries of a list: a long one wraps to the list's width where the list
// wraps its entries, and tick boxes, once given colours of their own, show
// an empty box on the list's background and a tick in the box.
class ListDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setMarks(EntryMarks marks) { marks_ = std::move(marks); }
    void setTickColours(const QColor& box, const QColor& mark)
    {
        box_ = box;
        mark_ = mark;
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const auto* list = qobject_cast<const QListView*>(option.widget);
        if (!list || !list->property(kFitsWidth).toBool())
            return QStyledItemDelegate::sizeHint(option, index);
        // As wide as the list: a long text wraps there or ends in "...".
        QStyleOptionViewItem o = option;
        o.rect.setWidth(list->viewport()->width());
        QSize size = QStyledItemDelegate::sizeHint(o, index);
        size.setWidth(o.rect.width());
        return size;
    }
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        // A shortened entry shows whole as a tip.
        const QString text = index.data(Qt::DisplayRole).toString();
        if (event->type() == QEvent::ToolTip && !index.data(Qt::ToolTipRole).isValid() &&
            option.fontMetrics.horizontalAdvance(text) > option.rect.width() - 8) {
            QToolTip::showText(event->globalPos(), text, view);
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        if (marks_)
            paintMarks(painter, o);
        if (!box_.isValid() || !(o.features & QStyleOptionViewItem::HasCheckIndicator))
            return;
        const QWidget* view = o.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        QStyleOptionViewItem tick = o;
        tick.rect = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &o, view);
        tick.state &= ~(QStyle::State_On | QStyle::State_Off | QStyle::State_NoChange | QStyle::State_Selected);
        tick.state |= o.checkState == Qt::Checked            ? QStyle::State_On
                      : o.checkState == Qt::PartiallyChecked ? QStyle::State_NoChange
                                                             : QStyle::State_Off;
        const bool on = o.state & QStyle::State_Enabled;
        const QColor box = on ? box_ : dimmedText(box_, mark_);
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            tick.palette.setColor(g, QPalette::Base, box);
            tick.palette.setColor(g, QPalette::Window, box);
            tick.palette.setColor(g, QPalette::Text, mark_);
        }
        style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &tick, painter, view);
    }

private:
    // Dark on light yellow over the stretches of the entry's text marks_
    // finds, as the recipe's texts are marked.
    void paintMarks(QPainter* painter, const QStyleOptionViewItem& o) const
    {
        const QVector<QPair<int, int>> marks = marks_(o.text);
        if (marks.isEmpty())
            return;
        const QWidget* view = o.widget;
        QStyle* style = view ? view->style() : QApplication::style();
        const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &o, view);
        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const QFontMetrics metrics(o.font);
        // Where the entry is cut short, only what shows before the "...".
        const QRect shown = text.adjusted(0, 0,
                                          metrics.horizontalAdvance(o.text) + 2 * margin > text.width()
                                              ? -metrics.horizontalAdvance(QChar(0x2026)) - margin
                                              : 0,
                                          0);
        painter->save();
        painter->setFont(o.font);
        painter->setClipRect(shown);
        painter->setPen(Qt::black);
        for (const QPair<int, int>& m : marks) {
            const QString piece = o.text.mid(m.first, m.second);
            const QRect box(text.left() + margin + metrics.horizontalAdvance(o.text.left(m.first)), text.top(),
                            metrics.horizontalAdvance(piece), text.height());
            painter->fillRect(box, QColor(255, 226, 64));
            painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece);
        }
        painter->restore();
    }

    QColor box_, mark_;
    EntryMarks marks_;
};

ListDelegate* listDelegate(QAbstractItemView* view)
{
    if (auto* d = dynamic_cast<ListDelegate*>(view->itemDelegate()))
        return d;
    auto* d = new ListDelegate(view);
    view->setItemDelegate(d);
    return d;
}

void setCaption(QObject* o, const QString& text)
{
    if (auto* menu = qobject_cast<QMenu*>(o))
        menu->setTitle(text);
    else if (auto* action = qobject_cast<QAction*>(o))
        action->setText(text);
    else if (auto* label = qobject_cast<QLabel*>(o))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(o))
        button->setText(text);
    else if (auto* line = qobject_cast<QLineEdit*>(o))
        line->setText(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(o))
        plain->setPlainText(text);
    else if (auto* rich = qobject_cast<QTextEdit*>(o))
        rich->setPlainText(text);
    else if (auto* w = qobject_cast<QWidget*>(o))
        w->setWindowTitle(text);
}

void setToolTip(QObject* o, const QString& text)
{
    if (auto* action = qobject_cast<QAction*>(o))
        action->setToolTip(text);
    else if (auto* w = qobject_cast<QWidget*>(o))
        w->setToolTip(text);
}

template <typename F>
void forEachNamed(QWidget* window, Names names, F f)
{
    for (Names n = names; n && *n; ++n)
        for (QWidget* w : window->findChildren<QWidget*>(QString::fromLatin1(*n)))
            f(w);
}

} // namespace

void applyCaptions(QWidget* window, const CaptionTable& table)
{
    for (std::size_t i = 0; i < table.count; ++i) {
        const CaptionRow& row = table.rows[i];
        const QString text = QString::fromUtf8(row.before) + loadResString(G.langOffset + row.id) +
                             QString::fromUtf8(row.after);
        if (row.prop == Prop::WindowTitle) {
            window->setWindowTitle(text);
            continue;
        }
        for (QObject* o : window->findChildren<QObject*>(QString::fromLatin1(row.control))) {
            if (row.prop == Prop::ToolTip)
                setToolTip(o, text);
            else
                setCaption(o, text);
        }
    }
}

void setBackColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Button, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        setBackColour(combo->view(), c); // the drop-down list too
}

void setForeColour(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::ButtonText, c);
    w->setPalette(p);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        setForeColour(combo->view(), c);
}

void wrapLongEntries(QListView* list)
{
    list->setWordWrap(true);
    list->setUniformItemSizes(false);
    shortenLongEntries(list);
}

void shortenLongEntries(QListView* list)
{
    list->setProperty(kFitsWidth, true);
    list->setTextElideMode(Qt::ElideRight);
    list->setResizeMode(QListView::Adjust);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listDelegate(list);
}

void markEntries(QListView* list, EntryMarks marks)
{
    listDelegate(list)->setMarks(std::move(marks));
    list->viewport()->update();
}

void setDisabledText(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c);
    w->setPalette(p);
    if (auto* combo = qobject_cast<QComboBox*>(w))
        setDisabledText(combo->view(), c);
}

void setTextSize(QWidget* w, int points)
{
    QFont f = w->font();
    f.setPointSize(points);
    w->setFont(f);
}

void applyColours(QWidget* window, const ColourTable& t)
{
    const SchemeColours s = currentColours();
    // Frames: their own labels, unless coloured, keep the toolkit's text
    // colour, made readable on the frame, switched on or off.
    auto frame = [&s](QWidget* w) {
        setBackColour(w, s.frameBack);
        setForeColour(w, s.windowText);
        setDisabledText(w, dimmedText(s.windowText, s.frameBack));
    };
    if (t.ownBackground)
        frame(window);
    forEachNamed(window, t.frames, frame);
    forEachNamed(window, t.buttons, [&s](QWidget* w) {
        if (!qobject_cast<QAbstractButton*>(w)) { // a frame holding buttons
            setBackColour(w, s.buttonBack);
            return;
        }
        QPalette p = w->palette();
        p.setColor(QPalette::Button, s.buttonBack);
        p.setColor(QPalette::ButtonText, s.buttonText);
        p.setColor(QPalette::Disabled, QPalette::ButtonText, s.buttonTextDisabled);
        w->setPalette(p);
    });
    forEachNamed(window, t.panels, [&s](QWidget* w) { setBackColour(w, s.contentBack); });
    forEachNamed(window, t.labels, [&s](QWidget* w) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, s.labelText);
        w->setPalette(p);
    });
    forEachNamed(window, t.content, [&s](QWidget* w) {
        setBackColour(w, s.contentBack);
        setForeColour(w, s.contentText);
        setDisabledText(w, s.contentTextDisabled);
        QPalette p = w->palette();
        p.setColor(QPalette::Highlight, s.highlight);
        p.setColor(QPalette::HighlightedText, s.highlightedText);
        w->setPalette(p);
        if (auto* view = qobject_cast<QAbstractItemView*>(w))
            listDelegate(view)->setTickColours(s.checkBox, s.checkMark);
    });
    forEachNamed(window, t.content, [](QWidget* w) { setTextSize(w, G.textFontSize); });
    forEachNamed(window, t.fontSized, [](QWidget* w) { setTextSize(w, G.textFontSize); });
}

void colourBannerShadow(QWidget* shadow)
{
    QPalette p = shadow->palette();
    p.setColor(QPalette::WindowText, currentColours().contentBack);
    shadow->setPalette(p);
}

void applyBilingualCaptions(QWidget* window, const BilingualTable& table)
{
    for (std::size_t i = 0; i < table.count; ++i) {
        const BilingualRow& row = table.rows[i];
        const QString en = loadResString(row.id);
        const QString es = loadResString(row.id + kSpanishOffset);
        switch (row.style) {
        case Bilingual::WindowTitle:
            window->setWindowTitle(QStringLiteral("BD | ") + en + QStringLiteral(" | ") + es);
            continue;
        case Bilingual::Label:
            for (QObject* o : window->findChildren<QObject*>(QString::fromLatin1(row.control)))
                setCaption(o, QString::fromUtf8("«") + en + QString::fromUtf8("» «") + es + QString::fromUtf8("»"));
            break;
        case Bilingual::Button:
            // Two lines; the toolkit breaks lines at LF.
            for (QObject* o : window->findChildren<QObject*>(QString::fromLatin1(row.control)))
                setCaption(o, en + QLatin1Char('\n') + es);
            break;
        }
    }
}

} // namespace bd
