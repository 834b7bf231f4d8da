#include "KoltApplication.h"

#include "ErrorGuard.h"

#include <QFileInfo>

KoltApplication::KoltApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
}

bool KoltApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    ErrorGuard::run([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

QString KoltApplication::programFileName()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

QString KoltApplication::defaultTitle(const QString& programFileName)
{
    const QString base = QFileInfo(programFileName).completeBaseName();
    if (base.isEmpty())
        return base;
    return base.left(1).toUpper() + base.mid(1).toLower();
}
