#include "app/ui/picturelabel.h"

#include "app/base/twips.h"

#include <QLabel>
#include <QPixmap>

namespace bd {

Fit showFittedPicture(QLabel* label, const QImage& picture, const FitRule& rule, double frameWidth, double frameHeight)
{
    label->hide();
    const QSize natural = himetricSize(picture);
    const Fit fit = fitPicture(rule, frameWidth, frameHeight, natural.width(), natural.height(),
                               himetricToTwips(natural.width()), himetricToTwips(natural.height()));
    const QRect target = toPixels({fit.left, fit.top, fit.width, fit.height});
    if (picture.isNull() || target.isEmpty())
        return fit;
    const qreal dpr = label->devicePixelRatioF();
    const QImage shown = fit.stretched
                             ? picture.scaled(target.size() * dpr, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                             : picture;
    QPixmap pixmap = QPixmap::fromImage(shown);
    pixmap.setDevicePixelRatio(fit.stretched ? dpr : 1.0);
    label->setScaledContents(true);
    label->setPixmap(pixmap);
    label->setGeometry(target);
    label->show();
    return fit;
}

} // namespace bd
