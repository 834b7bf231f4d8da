#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Drives a modal dialog from a test: `action` runs once a dialog of type Form is the active
// modal window (from inside its own event loop). A dialog that never comes fails the test;
// one left open is closed, so that a failing test never hangs.
template <typename Form>
void onModal(std::function<void(Form*)> action, int waitMs = 5000)
{
    auto* poll = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, action, waitMs] {
        auto* form = qobject_cast<Form*>(QApplication::activeModalWidget());
        if (!form) {
            if (clock->elapsed() > waitMs) {
                poll->stop();
                poll->deleteLater();
                delete clock;
                QTest::qFail("the dialog did not open", __FILE__, __LINE__);
            }
            return;
        }
        poll->stop();
        poll->deleteLater();
        delete clock;
        action(form);
    });
    poll->start(5);
}

// Closes every modal window still open (after a failed check inside one).
inline void closeModals()
{
    while (QWidget* w = QApplication::activeModalWidget())
        w->close();
}
