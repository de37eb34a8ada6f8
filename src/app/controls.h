#pragma once
// Small helpers shared by the windows as they build their controls.

#include "app/twips.h"
#include "browse/brlayout.h"

#include <QKeyEvent>
#include <QLatin1String>
#include <QRect>
#include <QWidget>

namespace bd {

// A control's place in pixels from its measures in twips.
inline QRect px(const TRect& r) { return QRect(pxX(r.left), pxY(r.top), pxX(r.width), pxY(r.height)); }

// Gives a new control its name and returns it.
template <typename T>
T* named(T* control, const char* name)
{
    control->setObjectName(QLatin1String(name));
    return control;
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
