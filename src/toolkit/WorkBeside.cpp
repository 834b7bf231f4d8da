#include "WorkBeside.h"

#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <memory>

std::exception_ptr WorkBeside::run(const std::function<void()>& work, int tickMs, const std::function<void()>& tick)
{
    std::exception_ptr failure;
    std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer timer;
    if (tick) {
        QObject::connect(&timer, &QTimer::timeout, tick);
        timer.start(tickMs);
    }
    thread->start();
    loop.exec();
    thread->wait();
    timer.stop();
    return failure;
}
