#include "BackgroundTask.h"

#include "WorkBeside.h"

#include <QProgressDialog>
#include <exception>

bool BackgroundTask::run(QWidget* parent, const QString& label, const Work& work, bool cancellable)
{
    Control control;

    QProgressDialog window(label, cancellable ? QStringLiteral("Cancel") : QString(), 0, 100, parent);
    window.setWindowModality(Qt::ApplicationModal);
    window.setMinimumDuration(400);
    window.setAutoClose(false);
    window.setAutoReset(false);
    if (!cancellable)
        window.setCancelButton(nullptr);
    QObject::connect(&window, &QProgressDialog::canceled, [&control] { control.cancelled = true; });

    const std::exception_ptr failure
        = WorkBeside::run([&] { work(control); }, 50, [&] { window.setValue(qBound(0, control.percent.load(), 99)); });
    const bool finished = !control.cancelled;
    window.disconnect(); // closing the window says "cancelled" too
    window.close();
    if (failure)
        std::rethrow_exception(failure);
    return finished;
}
