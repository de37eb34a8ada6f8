#include "resources/colours.h"

#include "app/globals.h"
#include "resources/strings.h"

#include <QGuiApplication>
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

QColor fetchColor(int role)
{
    return colourFromValue(colourValue(2000 + G.colorBase + role));
}

} // namespace bd
