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

namespace {
// Whether the picture is turned a quarter when its orientation is applied.
bool turned(const QImageReader& reader) { return reader.transformation() & QImageIOHandler::TransformationRotate90; }
} // namespace

QSize pictureSize(const QString& path)
{
    if (!QFileInfo(path).isFile())
        return QSize();
    QImageReader reader(path);
    QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return QSize();
    if (turned(reader))
        size.transpose();
    return size;
}

QImage loadPicture(const QString& path, const QSize& fitIn)
{
    if (!QFileInfo(path).isFile())
        return QImage();
    QImageReader reader(path);
    reader.setAutoTransform(true);
    // The stored size, before the orientation is applied, and what it must cover.
    const QSize stored = reader.size();
    const QSize cover = turned(reader) ? fitIn.transposed() : fitIn;
    if (stored.isValid() && !cover.isEmpty() && reader.format() == "jpeg" &&
        reader.supportsOption(QImageIOHandler::ScaledSize)) {
        // The JPEG decoder scales by 1/2, 1/4 or 1/8 as it decodes, at a
        // fraction of the work; the fraction is chosen so that the picture
        // still covers what is needed in one direction and is then scaled
        // smoothly, for the decoder's own scaling is coarse. Below a
        // quality of 50 the decoder scales; asked for exactly the size it
        // makes, it leaves the picture as it made it.
        const QSize fitted = stored.scaled(cover, Qt::KeepAspectRatio);
        int denominator = 1;
        while (denominator < 8 && stored.width() / (denominator * 2) >= fitted.width() &&
               stored.height() / (denominator * 2) >= fitted.height())
            denominator *= 2;
        if (denominator > 1) {
            reader.setQuality(49);
            reader.setScaledSize(QSize((stored.width() + denominator - 1) / denominator,
                                       (stored.height() + denominator - 1) / denominator));
        }
    }
    QImage image = reader.read();
    if (image.isNull() || fitIn.isEmpty() || (image.width() <= fitIn.width() && image.height() <= fitIn.height()))
        return image;
    return image.scaled(fitIn, Qt::KeepAspectRatio, Qt::SmoothTransformation);
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
