#pragma once

#include "KoltDialog.h"
#include "Loan.h"

class LoansBook;
class QDateEdit;

// Return: the date an item on loan came back (today proposed). OK ends the loan and closes.
class ReturnDialog : public KoltDialog
{
    Q_OBJECT

public:
    ReturnDialog(QWidget* owner, LoansBook& book, const Loan& loan, const QDate& today);

    // Shows the dialog for one loan; true when its return was recorded.
    static bool giveBack(QWidget* owner, LoansBook& book, const Loan& loan, const QDate& today);

    QDateEdit* edReturned = nullptr;
    QPushButton* btOK = nullptr;
    QPushButton* btCancel = nullptr;

    void btOKClick();

protected:
    QWidget* initialFocus() const override;

private:
    LoansBook& m_book;
    qint64 m_loanId;
    bool* m_returned = nullptr;
};
