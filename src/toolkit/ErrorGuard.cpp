#include "ErrorGuard.h"

#include "EDatabaseError.h"

void ErrorGuard::report(const std::exception& e, QWidget* parent)
{
    if (const auto* db = dynamic_cast<const EDatabaseError*>(&e)) {
        MessageService::showError(db->message(), parent);
        return;
    }
    MessageService::showError(QString::fromUtf8(e.what()), parent);
}

void ErrorGuard::reportUnknown(QWidget* parent)
{
    MessageService::showError(QStringLiteral("An unexpected error occurred"), parent);
}
