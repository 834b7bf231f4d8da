#include "ReturnDialog.h"

#include "DateText.h"
#include "LoanDialogLayout.h"
#include "LoansBook.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

ReturnDialog::ReturnDialog(QWidget* owner, LoansBook& book, const Loan& loan, const QDate& today)
    : KoltDialog(owner, QStringLiteral("Return"), QSize(300, 80))
    , m_book(book)
    , m_loanId(loan.id)
{
    setObjectName(QStringLiteral("ReturnForm"));
    QString said
        = QStringLiteral("“%1”, lent to %2 since %3").arg(loan.title, loan.person, DateText::toText(loan.lent));
    if (loan.due.isValid())
        said += QStringLiteral(", due %1").arg(DateText::toText(loan.due));
    auto* what = new QLabel(said, this);
    what->setWordWrap(true);
    edReturned = new QDateEdit(today, this);
    edReturned->setObjectName(QStringLiteral("edReturned"));
    edReturned->setAccessibleName(QStringLiteral("Returned on"));
    edReturned->setDisplayFormat(DateText::shortFormat());
    edReturned->setCalendarPopup(true);

    auto* form = new QFormLayout;
    form->addRow(what);
    auto* on = new QLabel(QStringLiteral("&Returned on:"), this);
    on->setBuddy(edReturned);
    form->addRow(on, edReturned);

    btOK = button(QStringLiteral("OK"), {75, 23}, [this] { btOKClick(); });
    btCancel = button(QStringLiteral("Cancel"), {75, 23}, [this] { close(); });
    LoanDialogLayout::arrange(this, form, btOK, btCancel);
}

bool ReturnDialog::giveBack(QWidget* owner, LoansBook& book, const Loan& loan, const QDate& today)
{
    bool returned = false;
    auto* dialog = new ReturnDialog(owner, book, loan, today);
    dialog->m_returned = &returned;
    dialog->showModal();
    return returned;
}

QWidget* ReturnDialog::initialFocus() const
{
    return edReturned;
}

void ReturnDialog::btOKClick()
{
    m_book.giveBack(m_loanId, edReturned->date());
    if (m_returned)
        *m_returned = true;
    close();
}
