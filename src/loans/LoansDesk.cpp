#include "LoansDesk.h"

#include "DataGridModel.h"
#include "DateText.h"
#include "LendDialog.h"
#include "LoanMarks.h"
#include "LoanNote.h"
#include "LoansReport.h"
#include "LoansWindow.h"
#include "MessageService.h"
#include "ReturnDialog.h"
#include "TDM.h"

#include <QStringList>

LoansDesk::LoansDesk(TDM& dm, QWidget* window)
    : m_dm(dm)
    , m_window(window)
    , m_book(std::make_unique<LoansBook>(dm))
    , m_report(std::make_unique<LoansReport>(dm.dbKOLT))
{
    m_book->prepareTables();
    connect(m_book.get(), &LoansBook::changed, this, [this] {
        for (DataGridModel* grid : m_grids)
            grid->rowMarksChanged();
    });
}

LoansDesk::~LoansDesk()
{
    for (DataGridModel* grid : m_grids)
        grid->setRowMarks(nullptr);
    delete m_loansWindow.data();
}

QDate LoansDesk::today()
{
    return DateText::today();
}

TDAODataset& LoansDesk::items(int folder) const
{
    switch (folder) {
    case 0:
        return m_dm.qrMovies;
    case 1:
        return m_dm.qrMusic;
    case 2:
        return m_dm.qrBooks;
    case 3:
        return m_dm.qrProg;
    default:
        return m_dm.qrAddBook;
    }
}

qint64 LoansDesk::currentId(int folder) const
{
    return items(folder).FieldByName(QStringLiteral("Id")).AsInteger();
}

QString LoansDesk::currentTitle(int folder) const
{
    return items(folder).FieldByName(folder == 3 ? QStringLiteral("Name") : QStringLiteral("Title")).AsString();
}

void LoansDesk::attachGrid(int folder, DataGridModel* grid)
{
    if (!LoansBook::canLend(folder))
        return;
    m_marks.push_back(std::make_unique<LoanMarks>(*m_book, folder, items(folder)));
    m_grids.push_back(grid);
    grid->setRowMarks(m_marks.back().get());
}

QWidget* LoansDesk::makeNote(int folder, TDataSource& source, QWidget* parent)
{
    return new LoanNote(*m_book, folder, source, parent);
}

void LoansDesk::lend(int folder)
{
    if (!LoansBook::canLend(folder) || items(folder).IsEmpty())
        return;
    m_dm.dbKOLT.checkWritable();
    const qint64 id = currentId(folder);
    const QString title = currentTitle(folder);
    if (const std::optional<Loan> out = m_book->openLoan(folder, id)) {
        if (MessageService::ask(QStringLiteral("“%1” is already on loan to %2 since %3. Record its return?")
                                    .arg(title, out->person, DateText::toText(out->lent)),
                                m_window))
            ReturnDialog::giveBack(m_window, *m_book, *out, today());
        return;
    }
    LendDialog::lend(m_window, *m_book, folder, id, title, today());
}

void LoansDesk::giveBack(int folder)
{
    if (!LoansBook::canLend(folder) || items(folder).IsEmpty())
        return;
    m_dm.dbKOLT.checkWritable();
    const std::optional<Loan> out = m_book->openLoan(folder, currentId(folder));
    if (!out) {
        if (MessageService::ask(QStringLiteral("“%1” is not on loan. Lend it?").arg(currentTitle(folder)), m_window))
            LendDialog::lend(m_window, *m_book, folder, currentId(folder), currentTitle(folder), today());
        return;
    }
    ReturnDialog::giveBack(m_window, *m_book, *out, today());
}

LoansWindow* LoansDesk::window() const
{
    return m_loansWindow;
}

LoansWindow* LoansDesk::showLoans()
{
    if (!m_loansWindow)
        m_loansWindow = new LoansWindow(*m_book, *m_report, &LoansDesk::today, m_window);
    m_loansWindow->show();
    m_loansWindow->raise();
    m_loansWindow->activateWindow();
    return m_loansWindow;
}

bool LoansDesk::askedBeforeDelete(int folder)
{
    TDAODataset& shown = items(folder);
    if (shown.IsEmpty() || !m_book->hasTables())
        return false;
    const qint64 id = currentId(folder);
    QString said;
    if (LoansBook::canLend(folder)) {
        const std::optional<Loan> out = m_book->openLoan(folder, id);
        if (!out)
            return false;
        said = QStringLiteral("“%1” is on loan to %2 since %3. Deleting it ends the loan; the loans it had stay "
                              "in the history.")
                   .arg(out->title, out->person, DateText::toText(out->lent));
    } else {
        const std::vector<Loan> out = m_book->loansOf(id);
        if (out.empty())
            return false;
        QStringList titles;
        for (const Loan& l : out)
            titles << QStringLiteral("“%1”").arg(l.title);
        said = QStringLiteral("%1 has on loan: %2. The loans keep the name.")
                   .arg(out.front().person, titles.join(QStringLiteral(", ")));
    }
    if (MessageService::ask(QStringLiteral("Delete item?\n\n") + said, m_window))
        shown.Delete();
    return true;
}

void LoansDesk::remindOverdue()
{
    const int overdue = m_book->overdueCount(today());
    if (overdue == 0)
        return;
    const QString text = overdue == 1 ? QStringLiteral("1 item on loan is overdue. Show the loans?")
                                      : QStringLiteral("%1 items on loan are overdue. Show the loans?").arg(overdue);
    if (MessageService::ask(text, m_window))
        showLoans();
}
