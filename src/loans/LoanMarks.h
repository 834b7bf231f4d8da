#pragma once

#include "GridRowMarks.h"
#include "LoansBook.h"

#include <QIcon>

class TDAODataset;

// The "on loan" mark of a folder grid: the icon in the record indicator column of every row
// whose item is out, with the person and the date due as its tip. Answered from the loans
// book's kept set of lent items, so a paint reads no more of the file than the rows it shows.
class LoanMarks : public GridRowMarks
{
public:
    LoanMarks(LoansBook& book, int folder, TDAODataset& items);

    QVariant rowMark(int row, int role) const override;

    static QIcon icon();
    // "On loan to Smith, John since 01/03/2024, due 15/03/2024".
    static QString tip(const LoansBook::Mark& mark);

private:
    LoansBook& m_book;
    int m_folder;
    TDAODataset& m_items;
};
