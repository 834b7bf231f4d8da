#pragma once

#include "ReportDefinition.h"

#include <QFont>

class QPaintDevice;

// Fonts of printed reports. The definitions name Arial; Liberation Sans has Arial's metrics
// and is what prints. Text is measured against one fixed high-resolution reference, never
// the screen, so that the preview and the paper break lines and pages alike.
namespace ReportFonts {

// Dots per inch of the measuring reference.
constexpr int kReferenceDpi = 1200;
// Layout units per inch: 3.6 to the millimetre.
constexpr qreal kUnitsPerInch = 25.4 * 3.6;

// The font that prints for a definition's font, at its point size.
QFont resolve(const ReportFont& font);
// The measuring reference: a paint device of kReferenceDpi dots per inch.
QPaintDevice* reference();
// Reference pixels per layout unit.
constexpr qreal referencePixelsPerUnit()
{
    return kReferenceDpi / kUnitsPerInch;
}
// The font to draw with on `device` when one layout unit takes `pixelsPerUnit` of its pixels.
QFont forDevice(const QFont& font, qreal pointSize, const QPaintDevice& device, qreal pixelsPerUnit);

} // namespace ReportFonts
