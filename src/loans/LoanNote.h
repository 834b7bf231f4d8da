#pragma once

#include "TDataLink.h"

#include <QLabel>

class LoansBook;
class TDataSource;

// A line of the Details pane: for an item on loan, "Lent to … since … (due …)"; for a person
// of the address book, what they have on loan. Hidden when there is nothing to say. It
// follows the folder's current item and every change of the loans.
class LoanNote : public QLabel
{
public:
    LoanNote(LoansBook& book, int folder, TDataSource& source, QWidget* parent = nullptr);

    void refresh();

private:
    class Link : public TDataLink
    {
    public:
        explicit Link(LoanNote& note)
            : m_note(note)
        {
        }

    protected:
        void activeChanged() override { m_note.refresh(); }
        void dataSetChanged() override { m_note.refresh(); }
        void recordChanged(TField*) override { m_note.refresh(); }

    private:
        LoanNote& m_note;
    };

    QString itemText(qint64 id, bool& overdue);
    QString personText(qint64 id, bool& overdue);

    LoansBook& m_book;
    int m_folder;
    Link m_link{*this};
};
