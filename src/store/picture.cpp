#include "store/picture.h"

#include <QFileInfo>
#include <QImageReader>

#include <cmath>

namespace bd {

const FitRule kThumbnailFit = {200, 180, 180, 240, 35, 45};
const FitRule kEntryFit = {200, 120, 160, 0, 45, 45};

QImage loadPicture(const QString& path)
{
    // A FIFO or a device named as a picture would be waited on for ever.
    if (!QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

QSize himetricSize(const QImage& image)
{
    if (image.isNull())
        return {};
    // Loaders leave the default resolution when the file states none.
    const QImage blank(1, 1, QImage::Format_ARGB32);
    auto dpi = [](int dotsPerMeter, int defaultDpm) {
        if (dotsPerMeter <= 0 || dotsPerMeter == defaultDpm)
            return 96.0;
        return dotsPerMeter * 0.0254;
    };
    const double dx = dpi(image.dotsPerMeterX(), blank.dotsPerMeterX());
    const double dy = dpi(image.dotsPerMeterY(), blank.dotsPerMeterY());
    return QSize(int(std::lround(image.width() * 2540.0 / dx)), int(std::lround(image.height() * 2540.0 / dy)));
}

Fit fitPicture(const FitRule& r, double fw, double fh, double pw, double ph, double naturalW, double naturalH)
{
    Fit f;
    if (pw <= 0 || ph <= 0)
        return f;
    if (fw - r.naturalMargin >= pw && fh - r.naturalMargin >= ph) {
        f.width = float(naturalW);
        f.height = float(naturalH);
        f.top = float((fh - f.height) / 2 + r.naturalTopOffset);
        f.left = float((fw - f.width) / 2);
        return f;
    }
    f.stretched = true;
    double w, h;
    if (pw > ph) {
        w = fw - r.widthInset;
        h = w * ph / pw;
        if (fh - r.limitInset < h) {
            h = fh - r.heightInset;
            w = h * pw / ph;
        }
    } else {
        h = fh - r.heightInset;
        w = h * pw / ph;
        if (fw - r.limitInset < w) {
            w = fw - r.widthInset;
            h = w * ph / pw;
        }
    }
    f.width = float(w);
    f.height = float(h);
    f.top = float((fh - f.height) / 2 + r.scaledTopOffset);
    f.left = float((fw - f.width) / 2);
    return f;
}

} // namespace bd
