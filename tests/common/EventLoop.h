#pragma once

#include <QCoreApplication>
#include <QEventLoop>

// Lets the event loop deliver what is already posted to it (a refusal shown from the event
// loop, the focus given back, a box opened by a queued signal), turn after turn, without
// waiting for a time that a loaded machine may overrun.
inline void settle()
{
    for (int turn = 0; turn < 5; ++turn) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}
