#include "LoansModel.h"

#include "DateText.h"
#include "LoansBook.h"

#include <algorithm>

#include <QBrush>
#include <QColor>
#include <QFont>

namespace {

constexpr LoansModel::Column kOut[] = {LoansModel::ItemColumn, LoansModel::KindColumn, LoansModel::PersonColumn,
                                       LoansModel::LentColumn, LoansModel::DueColumn,  LoansModel::NoteColumn};
constexpr LoansModel::Column kPast[]
    = {LoansModel::ItemColumn, LoansModel::KindColumn,     LoansModel::PersonColumn, LoansModel::LentColumn,
       LoansModel::DueColumn,  LoansModel::ReturnedColumn, LoansModel::NoteColumn};

QString dateText(const QDate& date)
{
    return date.isValid() ? DateText::toText(date) : QString();
}

} // namespace

LoansModel::LoansModel(Kind kind, QObject* parent)
    : QAbstractTableModel(parent)
    , m_kind(kind)
{
}

void LoansModel::setLoans(std::vector<Loan> loans, const QDate& today)
{
    beginResetModel();
    m_loans = std::move(loans);
    m_today = today;
    // Overdue loans first, the rest in the order given.
    std::stable_partition(m_loans.begin(), m_loans.end(), [&](const Loan& l) { return l.isOverdue(today); });
    endResetModel();
}

int LoansModel::overdueCount() const
{
    return int(std::count_if(m_loans.begin(), m_loans.end(), [&](const Loan& l) { return l.isOverdue(m_today); }));
}

int LoansModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_loans.size());
}

int LoansModel::columnCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return m_kind == Kind::Out ? int(std::size(kOut)) : int(std::size(kPast));
}

LoansModel::Column LoansModel::columnAt(int column) const
{
    return m_kind == Kind::Out ? kOut[column] : kPast[column];
}

QVariant LoansModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (columnAt(section)) {
    case ItemColumn:
        return QStringLiteral("Item");
    case KindColumn:
        return QStringLiteral("Kind");
    case PersonColumn:
        return QStringLiteral("Lent to");
    case LentColumn:
        return QStringLiteral("Lent");
    case DueColumn:
        return QStringLiteral("Due");
    case ReturnedColumn:
        return QStringLiteral("Returned");
    case NoteColumn:
        return QStringLiteral("Note");
    }
    return {};
}

QVariant LoansModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const Loan& l = m_loans[size_t(index.row())];
    const Column column = columnAt(index.column());
    const bool overdue = m_kind == Kind::Out && l.isOverdue(m_today);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (column) {
        case ItemColumn:
            return l.title;
        case KindColumn:
            return LoansBook::kindOf(l.folder);
        case PersonColumn:
            return l.person;
        case LentColumn:
            return dateText(l.lent);
        case DueColumn:
            return overdue && role == Qt::ToolTipRole ? QStringLiteral("Overdue since %1").arg(dateText(l.due))
                                                      : dateText(l.due);
        case ReturnedColumn:
            return dateText(l.returned);
        case NoteColumn:
            return l.note;
        }
        return {};
    case Qt::UserRole:
        switch (column) {
        case LentColumn:
            return l.lent;
        case DueColumn:
            // No date due sorts after every date.
            return l.due.isValid() ? l.due : QDate(9999, 12, 31);
        case ReturnedColumn:
            return l.returned;
        default:
            return data(index, Qt::DisplayRole).toString().toCaseFolded();
        }
    case Qt::BackgroundRole:
        return overdue ? QVariant(QBrush(overdueBackground())) : QVariant();
    case Qt::FontRole:
        if (overdue) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    default:
        return {};
    }
}
