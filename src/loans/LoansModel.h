#pragma once

#include "Loan.h"

#include <QAbstractTableModel>
#include <QColor>
#include <vector>

// The loans the Loans window lists: the items out (overdue ones highlighted) or the loans
// that ended. Qt::UserRole gives each cell's value for sorting (dates as dates).
class LoansModel : public QAbstractTableModel
{
public:
    enum class Kind { Out, Past };
    enum Column { ItemColumn, KindColumn, PersonColumn, LentColumn, DueColumn, ReturnedColumn, NoteColumn };

    explicit LoansModel(Kind kind, QObject* parent = nullptr);

    void setLoans(std::vector<Loan> loans, const QDate& today);
    const Loan& loan(int row) const { return m_loans.at(size_t(row)); }
    int overdueCount() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static QColor overdueBackground() { return QColor(255, 214, 214); }

private:
    Column columnAt(int column) const;

    Kind m_kind;
    std::vector<Loan> m_loans;
    QDate m_today;
};
