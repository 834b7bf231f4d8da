#pragma once

#include <QApplication>

// The application object. Every handler catches its own errors; this is the last net for
// anything that still escapes into Qt's event dispatch, so that it never crosses Qt's frames.
class KoltApplication : public QApplication
{
public:
    KoltApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // The program file's name without folder ("kolt"), which names the single-instance lock.
    static QString programFileName();
    // "Kolt": the title the application carries until its own is set.
    static QString defaultTitle(const QString& programFileName);
};
