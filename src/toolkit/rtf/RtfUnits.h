#pragma once

#include <QtGlobal>

// RTF measures in twips: 1440 to an inch. Qt's text documents measure in pixels at 96 to an inch.
inline constexpr qreal kTwipsPerPixel = 15.0;
