#include "resources/colours.h"

#include "resources/strings.h"

#include <QGuiApplication>

#include <cmath>
#include <QPalette>

namespace bd {

qint32 colourValue(int entry)
{
    return qint32(loadResString(entry).toLongLong());
}

QColor colourFromValue(qint32 value)
{
    const quint32 v = quint32(value);
    if (!(v & 0x80000000u))
        return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
    const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                 ? QGuiApplication::palette()
                                 : QPalette();
    switch (v & 0xFF) {
    case 0x05: return palette.color(QPalette::Base);            // window background
    case 0x08: return palette.color(QPalette::Text);            // window text
    case 0x0D: return palette.color(QPalette::Highlight);       // highlight
    case 0x0E: return palette.color(QPalette::HighlightedText); // highlight text
    case 0x0F: return palette.color(QPalette::Button);          // button face
    case 0x12: return palette.color(QPalette::ButtonText);      // button text
    case 0x10: return palette.color(QPalette::Dark);            // button shadow
    case 0x14: return palette.color(QPalette::Light);           // button highlight
    case 0x11: return palette.color(QPalette::PlaceholderText); // grey text
    default: return palette.color(QPalette::Window);
    }
}

QColor fetchColor(int role, int colorBase) { return colourFromValue(colourValue(kSchemeBase + colorBase + role)); }

namespace {

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

QColor mixed(const QColor& from, const QColor& to, double share)
{
    return QColor::fromRgbF(float(from.redF() + (to.redF() - from.redF()) * share),
                            float(from.greenF() + (to.greenF() - from.greenF()) * share),
                            float(from.blueF() + (to.blueF() - from.blueF()) * share));
}

// c moved toward end (black or white) just far enough to read against
// other; an invalid colour when even end does not.
QColor towards(const QColor& c, const QColor& end, const QColor& other)
{
    if (contrastRatio(end, other) < kReadableContrast)
        return QColor();
    for (int step = 0; step <= 100; ++step) {
        const QColor m = mixed(c, end, step / 100.0);
        if (contrastRatio(m, other) >= kReadableContrast)
            return m;
    }
    return end;
}

QColor awayFrom(const QColor& c, const QColor& other)
{
    return luminance(c) < luminance(other) ? QColor(Qt::black) : QColor(Qt::white);
}

// The pair made readable: the text moves first; where it cannot (black or
// white already), the background moves away from it.
void makeReadable(QColor& fore, QColor& back)
{
    if (contrastRatio(fore, back) >= kReadableContrast)
        return;
    const QColor moved = towards(fore, awayFrom(fore, back), back);
    if (moved.isValid()) {
        fore = moved;
        return;
    }
    const QColor movedBack = towards(back, awayFrom(back, fore), fore);
    if (movedBack.isValid())
        back = movedBack;
    else
        fore = readableOn(fore, back);
}

QColor toolkit(QPalette::ColorRole role)
{
    const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::palette()
                                                                                          : QPalette();
    return palette.color(QPalette::Active, role);
}

} // namespace

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a), lb = luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor readableOn(const QColor& fore, const QColor& back)
{
    if (contrastRatio(fore, back) >= kReadableContrast)
        return fore;
    const QColor moved = towards(fore, awayFrom(fore, back), back);
    if (moved.isValid())
        return moved;
    // Mid-tone behind: the other way.
    const QColor other = awayFrom(fore, back) == QColor(Qt::black) ? QColor(Qt::white) : QColor(Qt::black);
    return towards(fore, other, back).isValid() ? towards(fore, other, back) : other;
}

QColor dimmedText(const QColor& fore, const QColor& back) { return readableOn(mixed(fore, back, 0.5), back); }

SchemeColours schemeColours(int colorBase)
{
    auto role = [colorBase](int r) { return fetchColor(r, colorBase); };
    SchemeColours s;
    s.buttonBack = role(RoleButtonBack);
    s.buttonText = readableOn(toolkit(QPalette::ButtonText), s.buttonBack);
    s.buttonTextDisabled = dimmedText(s.buttonText, s.buttonBack);
    s.contentBack = role(RoleContentBack);
    s.contentText = role(RoleContentFore);
    makeReadable(s.contentText, s.contentBack);
    s.contentTextDisabled = dimmedText(s.contentText, s.contentBack);
    s.highlight = toolkit(QPalette::Highlight);
    s.highlightedText = toolkit(QPalette::HighlightedText);
    makeReadable(s.highlightedText, s.highlight);
    // An empty box shows in the text's colour; its tick in the list's.
    s.checkBox = s.contentText;
    s.checkMark = s.contentBack;
    s.frameBack = role(RoleFrameBack);
    s.windowBack = toolkit(QPalette::Window);
    s.labelText = readableOn(readableOn(role(RoleLabelFore), s.frameBack), s.windowBack);
    s.windowText = readableOn(toolkit(QPalette::WindowText), s.frameBack);
    return s;
}

} // namespace bd
