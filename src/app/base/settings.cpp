#include "app/base/settings.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace bd {

namespace {
const char* const kOrganisation = "Quendrel";
const char* const kApplication = "Brindelle";

const double kMinWidth = 9700, kMinHeight = 6900, kMaxSize = 50000;
} // namespace

QString readValue(const QString& name)
{
    const QSettings s(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kOrganisation),
                      QLatin1String(kApplication));
    const QVariant v = s.value(name);
    return v.isValid() ? v.toString() : QString();
}

void writeValue(const QString& name, const QString& text)
{
    QSettings s(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(kOrganisation),
                QLatin1String(kApplication));
    s.setValue(name, text);
    s.sync(); // a failure leaves the setting unchanged; nothing to report
}

bool fileExists(const QString& path, bool folder)
{
    if (path.isEmpty())
        return false;
    const QFileInfo fi(path);
    return folder ? fi.isDir() : (fi.exists() && !fi.isDir());
}

double numericValue(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured(0).trimmed().toDouble() : 0.0;
}

Placement restorePlacement(const QString& width, const QString& height, const QString& state, const QString& left,
                           const QString& top, double screenWidth, double screenHeight)
{
    Placement p;
    p.width = numericValue(width);
    if (width.isEmpty() || p.width < kMinWidth || p.width > kMaxSize)
        p.width = kMinWidth;
    p.height = numericValue(height);
    if (height.isEmpty() || p.height < kMinHeight || p.height > kMaxSize)
        p.height = kMinHeight;

    const double centredLeft = (screenWidth - p.width) / 2;
    p.left = left.isEmpty() ? centredLeft : numericValue(left);
    if (!(p.left < screenWidth - 500))
        p.left = centredLeft;
    const double centredTop = (screenHeight - p.height) / 2;
    p.top = top.isEmpty() ? centredTop : numericValue(top);
    if (!(p.top < screenHeight - 500))
        p.top = centredTop;

    p.state = state.isEmpty() ? StateNormal : int(numericValue(state));
    if (p.state != StateMaximised)
        p.state = StateNormal; // never open minimised
    return p;
}

Placement readPlacement(double screenWidth, double screenHeight)
{
    return restorePlacement(readValue(QStringLiteral("width")), readValue(QStringLiteral("height")),
                            readValue(QStringLiteral("state")), readValue(QStringLiteral("left")),
                            readValue(QStringLiteral("top")), screenWidth, screenHeight);
}

Placement keepWithin(Placement p, double areaWidth, double areaHeight)
{
    p.width = qMax(kMinWidth, qMin(p.width, areaWidth));
    p.height = qMax(kMinHeight, qMin(p.height, areaHeight));
    p.left = qBound(0.0, p.left, qMax(0.0, areaWidth - p.width));
    p.top = qBound(0.0, p.top, qMax(0.0, areaHeight - p.height));
    return p;
}

void savePlacement(const Placement& p)
{
    writeValue(QStringLiteral("state"), QString::number(p.state));
    if (p.state != StateNormal)
        return;
    writeValue(QStringLiteral("width"), QString::number(float(p.width)));
    writeValue(QStringLiteral("height"), QString::number(float(p.height)));
    writeValue(QStringLiteral("left"), QString::number(float(p.left)));
    writeValue(QStringLiteral("top"), QString::number(float(p.top)));
}

int textSizePoints(const QString& stored)
{
    const double v = numericValue(stored);
    if (v == 0)
        return 8;
    if (v == 2)
        return 12;
    return 10;
}

int colourOffset(const QString& stored)
{
    const int v = int(numericValue(stored));
    // Only the seven scheme offsets are meaningful; anything else is normal.
    return (v >= 0 && v <= 600 && v % 100 == 0) ? v : 0;
}

} // namespace bd
