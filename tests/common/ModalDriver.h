#pragma once

#include "EventLoop.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Drives a modal dialog from a test: the step runs inside the dialog's own event loop, once a
// modal window other than the one on top now is up and active. The step closes the dialog
// (or the call that opened it never returns); a step that fails closes it itself.
inline void whenModalOpens(const std::function<void(QWidget* dialog)>& step,
                           QPointer<QWidget> below = QApplication::activeModalWidget(), int triesLeft = 500)
{
    QTimer::singleShot(triesLeft == 500 ? 0 : 10, [step, below, triesLeft] {
        QPointer<QWidget> top = QApplication::activeModalWidget();
        if (top && top != below && top->isActiveWindow()) {
            step(top);
            if (QTest::currentTestFailed() && top)
                top->close();
            return;
        }
        if (triesLeft > 0)
            whenModalOpens(step, below, triesLeft - 1);
        else
            QTest::qFail("no modal dialog came up", __FILE__, __LINE__);
    });
}

// Runs `action`; every modal dialog it opens, at once or from the event loop once it has
// returned, is closed as soon as it is up. Answers whether one opened.
inline bool closeWhatOpens(const std::function<void()>& action)
{
    QPointer<QWidget> below = QApplication::activeModalWidget();
    bool opened = false;
    QTimer closer;
    closer.setInterval(1);
    QObject::connect(&closer, &QTimer::timeout, [&opened, below] {
        if (QWidget* top = QApplication::activeModalWidget(); top && top != below) {
            opened = true;
            top->close();
        }
    });
    closer.start();
    action();
    settle();
    return opened;
}

// The same for a dialog of a known kind: `action` gets it typed. Another kind coming up fails
// the test and is closed.
template <typename Form> void onModal(std::function<void(Form*)> action)
{
    whenModalOpens([action](QWidget* dialog) {
        if (auto* form = qobject_cast<Form*>(dialog)) {
            action(form);
            return;
        }
        QTest::qFail(qPrintable(QStringLiteral("%1 came up instead").arg(dialog->metaObject()->className())), __FILE__,
                     __LINE__);
        dialog->close();
    });
}

// Closes every modal window still open (after a failed check inside one).
inline void closeModals()
{
    while (QWidget* w = QApplication::activeModalWidget())
        w->close();
}
