#include "app/ui/modTopMost.h"

#include <QWidget>

namespace bd {

void makeTopMost(QWidget* window)
{
    if (!window || window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        return;
    // Changing a window's flags hides it; it comes back where it was.
    const bool shown = window->isVisible();
    const QRect place = window->geometry();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (shown) {
        window->setGeometry(place);
        window->show();
    }
}

} // namespace bd
