#pragma once

#include <QPrintDialog>
#include <functional>

// The print dialog, which checks what was chosen before it closes: a choice that cannot be
// printed (a page list that makes no sense, pages the report does not have) is said there,
// and the dialog stays open with every other choice as the user made it.
class ReportPrintDialog : public QPrintDialog
{
    Q_OBJECT

public:
    // Answers what is wrong with the choice, or nothing.
    using Check = std::function<QString()>;

    ReportPrintDialog(QPrinter* printer, QWidget* parent, Check check);

    void accept() override;

private:
    Check m_check;
};
