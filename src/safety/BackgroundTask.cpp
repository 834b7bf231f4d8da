#include "BackgroundTask.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <exception>
#include <memory>

bool BackgroundTask::run(QWidget* parent, const QString& label, const Work& work, bool cancellable)
{
    Control control;
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work(control);
        } catch (...) {
            failure = std::current_exception();
        }
    }));

    QProgressDialog window(label, cancellable ? QStringLiteral("Cancel") : QString(), 0, 100, parent);
    window.setWindowModality(Qt::ApplicationModal);
    window.setMinimumDuration(400);
    window.setAutoClose(false);
    window.setAutoReset(false);
    if (!cancellable)
        window.setCancelButton(nullptr);
    QObject::connect(&window, &QProgressDialog::canceled, [&control] { control.cancelled = true; });

    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { window.setValue(qBound(0, control.percent.load(), 99)); });
    tick.start(50);
    thread->start();
    loop.exec();
    thread->wait();
    tick.stop();
    const bool finished = !control.cancelled;
    window.disconnect(); // closing the window says "cancelled" too
    window.close();
    if (failure)
        std::rethrow_exception(failure);
    return finished;
}
