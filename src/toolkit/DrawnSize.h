#pragma once

class QFontMetrics;

// Sizes given in pixels for the small font the windows were drawn with (8-point MS Sans Serif
// at 96 dpi: four digits in 24 pixels, a line of 13), in the font in use. A larger font gets
// proportionally more room, so that what fitted still fits; a smaller one keeps the size.
namespace DrawnSize {

int width(const QFontMetrics& metrics, int drawn);
int height(const QFontMetrics& metrics, int drawn);

} // namespace DrawnSize
