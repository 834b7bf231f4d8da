#include "ReportPrintDialog.h"

#include "MessageService.h"

ReportPrintDialog::ReportPrintDialog(QPrinter* printer, QWidget* parent, Check check)
    : QPrintDialog(printer, parent)
    , m_check(std::move(check))
{
}

void ReportPrintDialog::accept()
{
    if (m_check) {
        if (const QString problem = m_check(); !problem.isEmpty()) {
            MessageService::showError(problem, this);
            return;
        }
    }
    QPrintDialog::accept();
}
