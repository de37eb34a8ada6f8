#pragma once
// Small builders for a window's controls: each control gets its name as
// its objectName, so that caption tables, colour tables and tests find it.

#include <QAction>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QStyleOptionComboBox>
#include <QStylePainter>

namespace bd {

template <typename T>
T* named(T* object, const char* name)
{
    object->setObjectName(QLatin1String(name));
    return object;
}

inline QLabel* label(QWidget* parent, const char* name, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter)
{
    auto* l = named(new QLabel(parent), name);
    l->setAlignment(align);
    return l;
}

inline QAction* action(QMenu* menu, const char* name) { return named(menu->addAction(QString()), name); }

inline QAction* separator(QMenu* menu, const char* name) { return named(menu->addSeparator(), name); }

// A list of names to choose from that never cuts its chosen name: one too
// long for the box ends in "…" and shows whole as the box's tool tip (the
// drop-down list is as wide as its longest entry).
class NameBox final : public QComboBox {
public:
    explicit NameBox(QWidget* parent) : QComboBox(parent)
    {
        connect(this, &QComboBox::currentTextChanged, this, [this](const QString& text) { setToolTip(text); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QStylePainter painter(this);
        painter.setPen(palette().color(QPalette::Text));
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideRight, field.width() - 4);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

// A bold font of the given size, based on w's.
inline QFont headingFont(const QWidget* w, int points)
{
    QFont f = w->font();
    f.setBold(true);
    f.setPointSize(points);
    return f;
}

// The heading of a main window, drawn twice: banner[1] is the shadow
// behind banner[0].
inline void buildBanner(QWidget* parent, QLabel* (&banner)[2])
{
    banner[1] = label(parent, "lblBorder", Qt::AlignCenter);
    banner[0] = label(parent, "lblBorder", Qt::AlignCenter);
    for (int i = 0; i < 2; ++i) {
        banner[i]->setProperty("index", i);
        banner[i]->setFont(headingFont(banner[i], 18));
    }
}

// A picture frame (Frame1) holding its image (Image1), and the underlined
// "click to view image" label (lblClickImg); filter watches all three for
// clicks.
inline void buildPictureFrame(QWidget* parent, QObject* filter, QFrame*& frame, QLabel*& image, QLabel*& clickLabel)
{
    frame = named(new QFrame(parent), "Frame1");
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setFrameShadow(QFrame::Sunken);
    frame->setCursor(Qt::PointingHandCursor);
    image = label(frame, "Image1", Qt::AlignCenter);
    image->setScaledContents(true);
    image->hide();
    clickLabel = label(parent, "lblClickImg", Qt::AlignCenter);
    QFont underlined = clickLabel->font();
    underlined.setUnderline(true);
    clickLabel->setFont(underlined);
    clickLabel->setCursor(Qt::PointingHandCursor);
    for (QObject* o : {static_cast<QObject*>(frame), static_cast<QObject*>(image), static_cast<QObject*>(clickLabel)})
        o->installEventFilter(filter);
}

// Escape closes a secondary window, as it does a dialog. True if it did.
inline bool closeOnEscape(QWidget* window, const QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier)
        return false;
    window->close();
    return true;
}

} // namespace bd
