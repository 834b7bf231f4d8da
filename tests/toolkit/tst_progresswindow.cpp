#include "ProgressWindow.h"

#include <QApplication>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <stdexcept>

namespace {

ProgressWindow* openProgressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<ProgressWindow*>(w))
            return window;
    }
    return nullptr;
}

} // namespace

class TestProgressWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The line says what is done and how far, in words; work on this thread is stopped by
    // closing the window.
    void sayHowFarAndStopWhenClosed()
    {
        ProgressWindow window(QStringLiteral("Preparing the catalogue for fast sorting"), QString());
        QVERIFY(window.keepUp(40));
        QCOMPARE(window.text(), QStringLiteral("Preparing the catalogue for fast sorting: 40 %"));
        window.keepUp(140);
        QCOMPARE(window.text(), QStringLiteral("Preparing the catalogue for fast sorting: 100 %"));
        window.close();
        QVERIFY(!window.keepUp(100));
    }

    // Work on a thread of its own: the window comes up once the work takes a while and shows
    // its progress; closing it by the close box asks the work to stop, which it is told.
    void closingStopsTheWork()
    {
        bool sawStop = false;
        QString shown;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            ProgressWindow* window = openProgressWindow();
            if (window && window->isVisible() && window->percent() >= 10) {
                shown = window->text();
                window->close();
            }
        });
        closer.start(5);
        const bool finished
            = ProgressWindow::runInThread(QStringLiteral("Working"), QString(), [&](ProgressWindow::Control& control) {
                  for (int i = 0; i < 2000 && !control.stop; ++i) {
                      control.percent = i / 20;
                      QThread::msleep(5);
                  }
                  sawStop = control.stop;
              });
        QVERIFY(!finished);
        QVERIFY(sawStop);
        QVERIFY2(shown.startsWith(QStringLiteral("Working: ")), qPrintable(shown));
    }

    // What the work raised reaches the caller, on its own thread; short work shows no window.
    void workErrorsReachTheCaller()
    {
        bool shownMeanwhile = false;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (ProgressWindow* window = openProgressWindow(); window && window->isVisible())
                shownMeanwhile = true;
        });
        look.start(1);
        QVERIFY_THROWS_EXCEPTION(
            std::runtime_error,
            ProgressWindow::runInThread(QStringLiteral("Working"), QString(),
                                        [](ProgressWindow::Control&) { throw std::runtime_error("disk full"); }));
        QVERIFY(ProgressWindow::runInThread(QStringLiteral("Working"), QString(),
                                            [](ProgressWindow::Control& c) { c.percent = 100; }));
        QVERIFY(!shownMeanwhile);
    }
};

QTEST_MAIN(TestProgressWindow)
#include "tst_progresswindow.moc"
