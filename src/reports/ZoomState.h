#pragma once

#include <QtGlobal>

// How previews show their pages: held once while the program runs, changed by every zoom
// command of any preview and used by every new one. It starts at 100 %.
struct ZoomState
{
    enum class Mode { FixedScale, PageWidth, WholePage, TwoPages };

    Mode mode = Mode::FixedScale;
    qreal scale = 1.0; // screen pixels per layout unit, in FixedScale

    bool operator==(const ZoomState&) const = default;

    static ZoomState& current();
};
