#include "LoanNote.h"

#include "DateText.h"
#include "LoansBook.h"
#include "TDAODataset.h"
#include "TDataSource.h"

LoanNote::LoanNote(LoansBook& book, int folder, TDataSource& source, QWidget* parent)
    : QLabel(parent)
    , m_book(book)
    , m_folder(folder)
{
    setObjectName(QStringLiteral("lbLoan"));
    // One line per loan, as long as it needs: the pane scrolls. (A wrapped label in the
    // Details form gets the width of its first word.)
    setWordWrap(false);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    hide();
    m_link.setDataSource(&source);
    connect(&book, &LoansBook::changed, this, &LoanNote::refresh);
    refresh();
}

QString LoanNote::itemText(qint64 id, bool& overdue)
{
    const auto& marks = m_book.marks(m_folder);
    const auto found = marks.constFind(id);
    if (found == marks.cend())
        return {};
    QString text = QStringLiteral("Lent to %1 since %2").arg(found->person, DateText::toText(found->lent));
    if (found->due.isValid())
        text += QStringLiteral(" (due %1)").arg(DateText::toText(found->due));
    overdue = found->due.isValid() && found->due < DateText::today();
    return text;
}

QString LoanNote::personText(qint64 id, bool& overdue)
{
    const std::vector<Loan> loans = m_book.loansOf(id);
    if (loans.empty())
        return {};
    QStringList lines{QStringLiteral("On loan:")};
    for (const Loan& l : loans) {
        QString line = QStringLiteral("“%1” (%2) since %3")
                           .arg(l.title, LoansBook::kindOf(l.folder).toLower(), DateText::toText(l.lent));
        if (l.due.isValid())
            line += QStringLiteral(", due %1").arg(DateText::toText(l.due));
        overdue = overdue || l.isOverdue(DateText::today());
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

void LoanNote::refresh()
{
    QString text;
    bool overdue = false;
    try {
        TDAODataset* ds = m_link.DataSet();
        if (ds && ds->Active() && !ds->IsEmpty() && ds->State() != TDataSetState::Insert) {
            const qint64 id = ds->FieldByName(QStringLiteral("Id")).AsInteger();
            text = LoansBook::canLend(m_folder) ? itemText(id, overdue) : personText(id, overdue);
        }
    } catch (...) {
        // Called inside the dataset's own notifications: a file that cannot be read now leaves
        // the line empty until the next move.
        text.clear();
    }
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, overdue ? QColor(176, 0, 0) : QColor(0, 0, 128));
    setPalette(pal);
    setText(text);
    setVisible(!text.isEmpty());
}
