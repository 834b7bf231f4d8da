#include "ReportFonts.h"

#include <QImage>

namespace ReportFonts {

QFont resolve(const ReportFont& font)
{
    QString family = font.family;
    if (family.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        family = QStringLiteral("Liberation Sans");
    QFont f(family);
    f.setPointSizeF(font.pointSize);
    f.setBold(font.bold);
    // Unhinted outlines scale linearly, so widths measured at the reference hold at every size.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::StyleStrategy(QFont::PreferOutline | QFont::PreferMatch));
    return f;
}

QPaintDevice* reference()
{
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        const int dotsPerMeter = qRound(kReferenceDpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

QFont forDevice(const QFont& font, qreal pointSize, const QPaintDevice& device, qreal pixelsPerUnit)
{
    QFont f(font);
    // At `pixelsPerUnit` a point takes pixelsPerUnit * kUnitsPerInch / 72 pixels.
    f.setPointSizeF(pointSize * pixelsPerUnit * kUnitsPerInch / device.logicalDpiY());
    return f;
}

} // namespace ReportFonts
