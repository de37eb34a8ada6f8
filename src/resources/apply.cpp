#include "resources/apply.h"

#include "app/globals.h"
#include "resources/colours.h"
#include "resources/strings.h"

#include <QAbstractButton>
#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace bd {

namespace {

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
        const QString text = QString::fromUtf8(row.before) + fetchText(row.id) + QString::fromUtf8(row.after);
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

void setTextSize(QWidget* w, int points)
{
    QFont f = w->font();
    f.setPointSize(points);
    w->setFont(f);
}

void applyColours(QWidget* window, const ColourTable& t)
{
    if (t.ownBackground)
        setBackColour(window, fetchColor(RoleFrameBack));
    forEachNamed(window, t.frames, [](QWidget* w) { setBackColour(w, fetchColor(RoleFrameBack)); });
    forEachNamed(window, t.buttons, [](QWidget* w) {
        if (!qobject_cast<QAbstractButton*>(w)) { // a frame holding buttons
            setBackColour(w, fetchColor(RoleButtonBack));
            return;
        }
        QPalette p = w->palette();
        p.setColor(QPalette::Button, fetchColor(RoleButtonBack));
        w->setPalette(p);
    });
    forEachNamed(window, t.panels, [](QWidget* w) { setBackColour(w, fetchColor(RoleContentBack)); });
    forEachNamed(window, t.labels, [](QWidget* w) {
        QPalette p = w->palette();
        p.setColor(QPalette::WindowText, fetchColor(RoleLabelFore));
        w->setPalette(p);
    });
    forEachNamed(window, t.content, [](QWidget* w) {
        setBackColour(w, fetchColor(RoleContentBack));
        setForeColour(w, fetchColor(RoleContentFore));
    });
    forEachNamed(window, t.content, [](QWidget* w) { setTextSize(w, G.textFontSize); });
    forEachNamed(window, t.fontSized, [](QWidget* w) { setTextSize(w, G.textFontSize); });
}

void colourBannerShadow(QWidget* shadow)
{
    QPalette p = shadow->palette();
    p.setColor(QPalette::WindowText, fetchColor(RoleContentBack));
    shadow->setPalette(p);
}

void applyBilingualCaptions(QWidget* window, const BilingualTable& table)
{
    for (std::size_t i = 0; i < table.count; ++i) {
        const BilingualRow& row = table.rows[i];
        const QString en = loadResString(row.id);
        const QString es = loadResString(row.id + 300);
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
