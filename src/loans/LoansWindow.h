#pragma once

#include <QDate>
#include <QDialog>
#include <functional>

class LoansBook;
class LoansModel;
class LoansReport;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QTabWidget;
class QTableView;

// Tools > Loans…: every item out, across the folders, with the person, the date lent and the
// date due, overdue loans first and highlighted, sortable by each column; Return from here; a
// tab with the loans that ended; Print… through the report preview.
class LoansWindow : public QDialog
{
    Q_OBJECT

public:
    // `today` tells which loans are overdue and is the return date proposed.
    LoansWindow(LoansBook& book, LoansReport& report, std::function<QDate()> today, QWidget* parent = nullptr);

    QTabWidget* tabs = nullptr;
    QTableView* gridOut = nullptr;
    QTableView* gridPast = nullptr;
    QPushButton* btReturn = nullptr;
    QPushButton* btPrint = nullptr;
    QPushButton* btClose = nullptr;
    QLabel* lbSummary = nullptr;

    LoansModel* outModel() const { return m_out; }
    LoansModel* pastModel() const { return m_past; }

    // Reads the loans again (after a change anywhere in the program).
    void reload();
    void btReturnClick();
    void btPrintClick();

private:
    QTableView* makeGrid(LoansModel* model, QSortFilterProxyModel*& proxy);
    void updateButtons();
    bool guarded(const std::function<void()>& handler);

    LoansBook& m_book;
    LoansReport& m_report;
    std::function<QDate()> m_today;
    LoansModel* m_out = nullptr;
    LoansModel* m_past = nullptr;
    QSortFilterProxyModel* m_outProxy = nullptr;
    QSortFilterProxyModel* m_pastProxy = nullptr;
};
