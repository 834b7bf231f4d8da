#include "LoanMarks.h"

#include "DateText.h"
#include "TDAODataset.h"

LoanMarks::LoanMarks(LoansBook& book, int folder, TDAODataset& items)
    : m_book(book)
    , m_folder(folder)
    , m_items(items)
{
}

QIcon LoanMarks::icon()
{
    static const QIcon mark(QStringLiteral(":/loans/on-loan.svg"));
    return mark;
}

QString LoanMarks::tip(const LoansBook::Mark& mark)
{
    QString text = QStringLiteral("On loan to %1 since %2").arg(mark.person, DateText::toText(mark.lent));
    if (mark.due.isValid())
        text += QStringLiteral(", due %1").arg(DateText::toText(mark.due));
    return text;
}

QVariant LoanMarks::rowMark(int row, int role) const
{
    if (role != Qt::DecorationRole && role != Qt::ToolTipRole)
        return {};
    try {
        const QHash<qint64, LoansBook::Mark>& marks = m_book.marks(m_folder);
        // Nothing out: no row is read for its key.
        if (marks.isEmpty() || !m_items.Active() || row < 0 || row >= m_items.RowCount() || m_items.rowIsNew(row))
            return {};
        const TField* key = m_items.FindField(QStringLiteral("Id"));
        if (!key)
            return {};
        const auto found = marks.constFind(m_items.rowValue(row, *key).toLongLong());
        if (found == marks.cend())
            return {};
        return role == Qt::DecorationRole ? QVariant(icon()) : QVariant(tip(*found));
    } catch (...) {
        // Painting cannot stop to show an error: the row shows no mark until the next paint.
        return {};
    }
}
