#pragma once

#include "LoansBook.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class DataGridModel;
class LoanMarks;
class LoansReport;
class LoansWindow;
class QWidget;
class TDAODataset;
class TDataSource;
class TDM;

// What the main window offers of the loans: Lend… and Return on the folder's current item,
// the Loans window, the marks in the grids, the line in the Details pane, the question before
// deleting what is on loan and the notice of overdue loans at start-up.
// Owned by the main window, and gone before its grids are.
class LoansDesk : public QObject
{
public:
    LoansDesk(TDM& dm, QWidget* window);
    ~LoansDesk() override;

    LoansBook& book() { return *m_book; }
    // The day loans are lent, returned and overdue by; the machine's date unless tests fix it.
    static QDate today();

    // Marks the items out in a folder's grid.
    void attachGrid(int folder, DataGridModel* grid);
    // The Details pane's line of a folder (items: their loan; address book: what is lent).
    QWidget* makeNote(int folder, TDataSource& source, QWidget* parent);

    // Edit > Lend…, Edit > Return on the folder's current item.
    void lend(int folder);
    void giveBack(int folder);
    // Tools > Loans…: opens the window, or brings it to the front.
    LoansWindow* showLoans();
    LoansWindow* window() const;
    // Before the folder's current item is deleted: when something of it is on loan, asks
    // whether to delete it, saying what is on loan, and deletes it on Yes. False when nothing
    // is on loan (the ordinary question is for the caller to ask).
    bool askedBeforeDelete(int folder);
    // At start-up: when loans are overdue, one question naming how many, which opens the
    // Loans window on Yes.
    void remindOverdue();

private:
    TDAODataset& items(int folder) const;
    qint64 currentId(int folder) const;
    QString currentTitle(int folder) const;

    TDM& m_dm;
    QWidget* m_window;
    std::unique_ptr<LoansBook> m_book;
    std::unique_ptr<LoansReport> m_report;
    std::vector<std::unique_ptr<LoanMarks>> m_marks;
    std::vector<DataGridModel*> m_grids;
    QPointer<LoansWindow> m_loansWindow;
};
