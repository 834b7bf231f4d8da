#pragma once

#include "Loan.h"

#include <QHash>
#include <QObject>
#include <array>
#include <optional>
#include <vector>

class TDAODatabase;
class TDAODataset;
class TDM;

// The catalogue's loans: which item is out, to whom, since when and until when, and the
// loans that ended. They live in a table of their own (Loans), made by the first loan in the
// same transaction, so that opening a catalogue never writes to it unasked (a damaged file
// stays as it was); a catalogue without it (read-only, or written by an older version)
// simply has no loans. Lending and returning are changes like a post: whole, in one transaction, refused
// with the catalogue's own busy and read-only errors.
//
// Deleting an item or a person goes on as before; rules kept inside the delete's transaction
// see to it that no loan points at what is gone: an item's open loan goes with it and its past
// loans keep its title; a person's loans keep the name as free text.
class LoansBook : public QObject
{
    Q_OBJECT

public:
    static constexpr int kFolders = 4; // Movies, Music, Books, Programs: what can be lent

    explicit LoansBook(TDM& dm, QObject* parent = nullptr);
    ~LoansBook() override;

    // At a writable opening of a catalogue with loans: lets go of loans whose item or person
    // another program removed. A busy file leaves that to the next opening.
    void prepareTables();
    bool hasTables() const;
    // Another catalogue file (a restored backup) is in place: nothing known of it is kept.
    void catalogueReplaced() { storedChange(); }

    struct Lending
    {
        int folder = 0;
        qint64 itemId = 0;
        qint64 personId = 0; // 0: `person` is a name typed freely
        QString person;
        QDate lent;
        QDate due; // optional
        QString note;
    };
    // A person to be added to the address book in the same change as the loan.
    struct NewPerson
    {
        QString lastName;
        QString firstName;
        QString category;
    };
    // Records a loan; answers its number. Refused for an item already out.
    qint64 lend(const Lending& lending);
    qint64 lend(Lending lending, const NewPerson& person);
    // Ends a loan on `returned`.
    void giveBack(qint64 loanId, const QDate& returned);

    std::optional<Loan> openLoan(int folder, qint64 itemId) const;
    // Every item out, and every loan that ended (latest return first).
    std::vector<Loan> openLoans() const;
    std::vector<Loan> pastLoans() const;
    // What a person of the address book has out.
    std::vector<Loan> loansOf(qint64 personId) const;
    int overdueCount(const QDate& today) const;

    // What a grid needs to mark a row: kept per folder and read again only after a change.
    struct Mark
    {
        QString person;
        QDate lent;
        QDate due;
    };
    const QHash<qint64, Mark>& marks(int folder);

    // The address book as the lend dialog offers it: "Last, First", in the catalogue's order.
    struct Person
    {
        qint64 id = 0;
        QString name;
    };
    std::vector<Person> people() const;

    // "Last, First", or the last name alone.
    static QString personName(const QString& lastName, const QString& firstName);
    // "Movie", "Album", "Book", "Program".
    static QString kindOf(int folder);
    static bool canLend(int folder) { return folder >= 0 && folder < kFolders; }

Q_SIGNALS:
    // A loan was recorded, ended or let go of (after the change was stored).
    void changed();

private:
    void ensureTables();
    void checkLendable(const Lending& lending) const;
    qint64 insertLoan(const Lending& lending);
    QString titleOf(int folder, qint64 itemId) const;
    std::vector<Loan> select(const QString& condition, const QString& order, qint64 bound = 0) const;
    // Inside a delete: what a loan kept of the item or person is kept as text.
    void itemDeleted(int folder, TDAODataset& item);
    void personDeleted(TDAODataset& person);
    void storedChange();

    TDM& m_dm;
    TDAODatabase& m_db;
    std::array<std::optional<QHash<qint64, Mark>>, kFolders> m_marks;
};
