#include "ErrorGuard.h"

#include "EDatabaseError.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

QString ErrorGuard::messageOf(const std::exception& e)
{
    if (const auto* db = dynamic_cast<const EDatabaseError*>(&e))
        return db->message();
    return QString::fromUtf8(e.what());
}

void ErrorGuard::report(const std::exception& e, QWidget* parent)
{
    MessageService::showError(messageOf(e), parent);
}

void ErrorGuard::reportUnknown(QWidget* parent)
{
    MessageService::showError(QStringLiteral("An unexpected error occurred"), parent);
}

void ErrorGuard::later(const QString& message, QWidget* parent)
{
    QTimer::singleShot(0, [message, owner = QPointer<QWidget>(parent), hadOwner = parent != nullptr] {
        if (hadOwner && !owner)
            return; // its window is gone: nobody to tell
        MessageService::showError(message, owner);
    });
}
