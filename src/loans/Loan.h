#pragma once

#include <QDate>
#include <QString>

// One loan as the program shows it: what went out, to whom, when, and whether it came back.
struct Loan
{
    qint64 id = 0;
    int folder = 0;      // 0 Movies, 1 Music, 2 Books, 3 Programs
    qint64 itemId = 0;   // 0 once the item has been deleted (its title is kept)
    QString title;       // the item's title now, or as it was when it was deleted
    qint64 personId = 0; // 0 for a name typed freely, or once the person has been deleted
    QString person;      // "Last, First" of the address book, or the name as typed
    QDate lent;
    QDate due;      // invalid: no date agreed
    QDate returned; // invalid: still out
    QString note;

    bool isOut() const { return !returned.isValid(); }
    bool isOverdue(const QDate& today) const { return isOut() && due.isValid() && due < today; }
};
