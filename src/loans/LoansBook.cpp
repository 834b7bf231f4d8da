#include "LoansBook.h"

#include "EDatabaseError.h"
#include "EEngineError.h"
#include "TDM.h"
#include "TextFold.h"

#include <algorithm>
#include <sqlite3.h>

namespace {

struct FolderTable
{
    const char* table;
    const char* title;
    const char* kind;
};

constexpr std::array<FolderTable, LoansBook::kFolders> kTables{{
    {"Movies", "Title", "Movie"},
    {"Music", "Title", "Album"},
    {"Books", "Title", "Book"},
    {"Programs", "Name", "Program"},
}};

const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

QVariant dateValue(const QDate& date)
{
    return date.isValid() ? QVariant(date.toString(kDateFormat)) : QVariant();
}

QDate dateOf(const SqliteStatement& s, int column)
{
    return s.columnIsNull(column) ? QDate() : QDate::fromString(s.columnText(column), kDateFormat);
}

// The item's title now, or as kept when the item went.
QString titleExpression()
{
    QString cases;
    for (size_t f = 0; f < kTables.size(); ++f)
        cases += QStringLiteral(" WHEN %1 THEN (SELECT [%2] FROM [%3] WHERE Id = l.Item_Id)")
                     .arg(f)
                     .arg(QLatin1String(kTables[f].title), QLatin1String(kTables[f].table));
    return QStringLiteral("coalesce(CASE l.Folder%1 END, l.Title)").arg(cases);
}

// The person's name as the address book has it now, or as typed (or kept) with the loan.
QString personExpression()
{
    return QStringLiteral(
        "coalesce((SELECT CASE WHEN a.F_Name IS NULL OR a.F_Name = '' THEN a.L_Name ELSE a.L_Name || ', ' || "
        "a.F_Name END FROM AddressBook a WHERE a.Id = l.Person_Id), l.Person)");
}

void run(SqliteStatement& statement)
{
    statement.execute();
    statement.reset();
}

} // namespace

LoansBook::LoansBook(TDM& dm, QObject* parent)
    : QObject(parent)
    , m_dm(dm)
    , m_db(dm.dbKOLT)
{
    TDAODataset* folders[kFolders] = {&dm.qrMovies, &dm.qrMusic, &dm.qrBooks, &dm.qrProg};
    for (int f = 0; f < kFolders; ++f)
        folders[f]->addDeleteRule(this, [this, f](TDAODataset& item) { itemDeleted(f, item); });
    dm.qrAddBook.addDeleteRule(this, [this](TDAODataset& person) { personDeleted(person); });
}

LoansBook::~LoansBook()
{
    for (TDAODataset* ds : {static_cast<TDAODataset*>(&m_dm.qrMovies), static_cast<TDAODataset*>(&m_dm.qrMusic),
                            static_cast<TDAODataset*>(&m_dm.qrBooks), static_cast<TDAODataset*>(&m_dm.qrProg),
                            static_cast<TDAODataset*>(&m_dm.qrAddBook)})
        ds->removeRules(this);
}

QString LoansBook::personName(const QString& lastName, const QString& firstName)
{
    const QString last = lastName.trimmed();
    const QString first = firstName.trimmed();
    if (first.isEmpty())
        return last;
    if (last.isEmpty())
        return first;
    return last + QStringLiteral(", ") + first;
}

QString LoansBook::kindOf(int folder)
{
    return canLend(folder) ? QLatin1String(kTables[size_t(folder)].kind) : QString();
}

bool LoansBook::hasTables() const
{
    if (!m_db.Connected())
        return false;
    auto s = m_db.statement(QStringLiteral("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'Loans'"));
    const bool found = s->step();
    s->reset();
    return found;
}

void LoansBook::ensureTables()
{
    // Integer columns only in the indexes: other programs (the sqlite3 shell) read and write
    // the catalogue without its collation.
    for (const char* sql : {
             "CREATE TABLE IF NOT EXISTS Loans (Id INTEGER PRIMARY KEY AUTOINCREMENT, Folder INTEGER NOT NULL, "
             "Item_Id INTEGER, Title TEXT, Person_Id INTEGER, Person TEXT NOT NULL, Lent TEXT NOT NULL, Due TEXT, "
             "Returned TEXT, Note TEXT)",
             "CREATE UNIQUE INDEX IF NOT EXISTS Loans_Out ON Loans (Folder, Item_Id) WHERE Returned IS NULL",
             "CREATE INDEX IF NOT EXISTS Loans_Item ON Loans (Folder, Item_Id)",
             "CREATE INDEX IF NOT EXISTS Loans_Person ON Loans (Person_Id)",
         })
        SqliteStatement::exec(m_db.handle(), QLatin1String(sql));
}

void LoansBook::prepareTables()
{
    if (!m_db.Connected() || m_db.ReadOnly() || !hasTables())
        return;
    try {
        TDAODatabase::Transaction transaction(m_db);
        // What another program deleted: the same as a delete through the program would do.
        for (size_t f = 0; f < kTables.size(); ++f) {
            const QString missing = QStringLiteral("Folder = %1 AND Item_Id IS NOT NULL AND Item_Id NOT IN (SELECT "
                                                   "Id FROM [%2])")
                                        .arg(f)
                                        .arg(QLatin1String(kTables[f].table));
            SqliteStatement::exec(m_db.handle(),
                                  QStringLiteral("DELETE FROM Loans WHERE Returned IS NULL AND ") + missing);
            SqliteStatement::exec(m_db.handle(), QStringLiteral("UPDATE Loans SET Item_Id = NULL WHERE ") + missing);
        }
        SqliteStatement::exec(m_db.handle(), QStringLiteral("UPDATE Loans SET Person_Id = NULL WHERE Person_Id IS NOT "
                                                            "NULL AND Person_Id NOT IN (SELECT Id FROM AddressBook)"));
        transaction.commit();
    } catch (const EEngineError& e) {
        if (!e.Busy())
            throw;
    }
    storedChange();
}

QString LoansBook::titleOf(int folder, qint64 itemId) const
{
    const FolderTable& t = kTables[size_t(folder)];
    auto s = m_db.statement(
        QStringLiteral("SELECT [%1] FROM [%2] WHERE Id = ?1").arg(QLatin1String(t.title), QLatin1String(t.table)));
    s->bind(1, itemId);
    if (!s->step())
        throw EDatabaseError(QStringLiteral("The %1 is no longer in the catalogue").arg(kindOf(folder).toLower()));
    const QString title = s->columnText(0);
    s->reset();
    return title;
}

void LoansBook::checkLendable(const Lending& lending) const
{
    if (!canLend(lending.folder))
        throw EDatabaseError(QStringLiteral("Only movies, albums, books and programs can be lent"));
    if (lending.person.trimmed().isEmpty() && lending.personId == 0)
        throw EDatabaseError(QStringLiteral("Say whom the item is lent to"));
    if (!lending.lent.isValid())
        throw EDatabaseError(QStringLiteral("Give the date the item is lent on"));
    if (lending.due.isValid() && lending.due < lending.lent)
        throw EDatabaseError(QStringLiteral("The date due back is before the date lent"));
}

qint64 LoansBook::insertLoan(const Lending& lending)
{
    ensureTables();
    const QString title = titleOf(lending.folder, lending.itemId);
    if (const std::optional<Loan> out = openLoan(lending.folder, lending.itemId))
        throw EDatabaseError(QStringLiteral("“%1” is already on loan to %2").arg(title, out->person));
    QString person = lending.person.trimmed();
    if (lending.personId != 0) {
        auto s = m_db.statement(QStringLiteral("SELECT L_Name, F_Name FROM AddressBook WHERE Id = ?1"));
        s->bind(1, lending.personId);
        if (!s->step())
            throw EDatabaseError(QStringLiteral("The person is no longer in the address book"));
        person = personName(s->columnText(0), s->columnText(1));
        s->reset();
    }
    auto insert = m_db.statement(QStringLiteral("INSERT INTO Loans (Folder, Item_Id, Title, Person_Id, Person, Lent, "
                                                "Due, Note) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"));
    insert->bind(1, lending.folder);
    insert->bind(2, lending.itemId);
    insert->bind(3, title);
    insert->bind(4, lending.personId != 0 ? QVariant(lending.personId) : QVariant());
    insert->bind(5, person);
    insert->bind(6, dateValue(lending.lent));
    insert->bind(7, dateValue(lending.due));
    insert->bind(8, lending.note.trimmed().isEmpty() ? QVariant() : QVariant(lending.note.trimmed()));
    run(*insert);
    const qint64 id = sqlite3_last_insert_rowid(m_db.handle());
    m_db.afterCommit([this] { storedChange(); });
    return id;
}

qint64 LoansBook::lend(const Lending& lending)
{
    m_db.checkWritable();
    checkLendable(lending);
    qint64 id = 0;
    {
        TDAODatabase::Transaction transaction(m_db);
        id = insertLoan(lending);
        transaction.commit();
    }
    m_db.runAfterCommit();
    return id;
}

qint64 LoansBook::lend(Lending lending, const NewPerson& person)
{
    m_db.checkWritable();
    lending.personId = 0;
    lending.person = personName(person.lastName, person.firstName);
    checkLendable(lending);
    qint64 id = 0;
    {
        // The person is added through the address book's query, with its rules, and is stored
        // only together with the loan.
        TDAODatabase::Transaction transaction(m_db);
        TDAODataset& book = m_dm.qrAddBook;
        // What the address book's editor opens before a person is posted.
        for (TDAODataset* ds : {static_cast<TDAODataset*>(&book), static_cast<TDAODataset*>(&m_dm.tbC_AddBook)}) {
            if (!ds->Active())
                ds->Open();
        }
        book.Insert();
        try {
            book.FieldByName(QStringLiteral("Category")).SetAsString(person.category);
            book.FieldByName(QStringLiteral("L_Name")).SetAsString(person.lastName.trimmed());
            book.FieldByName(QStringLiteral("F_Name")).SetAsString(person.firstName.trimmed());
            book.Post();
        } catch (...) {
            book.Cancel();
            throw;
        }
        lending.personId = book.FieldByName(QStringLiteral("Id")).AsInteger();
        id = insertLoan(lending);
        transaction.commit();
    }
    m_db.runAfterCommit();
    return id;
}

void LoansBook::giveBack(qint64 loanId, const QDate& returned)
{
    m_db.checkWritable();
    if (!returned.isValid())
        throw EDatabaseError(QStringLiteral("Give the date the item came back"));
    {
        TDAODatabase::Transaction transaction(m_db);
        ensureTables();
        auto s = m_db.statement(QStringLiteral("SELECT Lent FROM Loans WHERE Id = ?1 AND Returned IS NULL"));
        s->bind(1, loanId);
        if (!s->step())
            throw EDatabaseError(QStringLiteral("The loan has already ended"));
        const QDate lent = dateOf(*s, 0);
        s->reset();
        if (returned < lent)
            throw EDatabaseError(
                QStringLiteral("The date returned is before the date lent (%1)").arg(lent.toString(kDateFormat)));
        auto update = m_db.statement(QStringLiteral("UPDATE Loans SET Returned = ?2 WHERE Id = ?1"));
        update->bind(1, loanId);
        update->bind(2, dateValue(returned));
        run(*update);
        m_db.afterCommit([this] { storedChange(); });
        transaction.commit();
    }
    m_db.runAfterCommit();
}

std::vector<Loan> LoansBook::select(const QString& condition, const QString& order, qint64 bound) const
{
    std::vector<Loan> out;
    if (!hasTables())
        return out;
    auto s = m_db.statement(QStringLiteral("SELECT l.Id, l.Folder, l.Item_Id, %1, l.Person_Id, %2, l.Lent, l.Due, "
                                           "l.Returned, l.Note FROM Loans l WHERE %3 ORDER BY %4")
                                .arg(titleExpression(), personExpression(), condition, order));
    if (s->parameterCount() > 0)
        s->bind(1, bound);
    while (s->step()) {
        Loan l;
        l.id = s->columnInt64(0);
        l.folder = int(s->columnInt64(1));
        l.itemId = s->columnIsNull(2) ? 0 : s->columnInt64(2);
        l.title = s->columnText(3);
        l.personId = s->columnIsNull(4) ? 0 : s->columnInt64(4);
        l.person = s->columnText(5);
        l.lent = dateOf(*s, 6);
        l.due = dateOf(*s, 7);
        l.returned = dateOf(*s, 8);
        l.note = s->columnText(9);
        out.push_back(std::move(l));
    }
    s->reset();
    return out;
}

std::optional<Loan> LoansBook::openLoan(int folder, qint64 itemId) const
{
    if (!canLend(folder))
        return std::nullopt;
    std::vector<Loan> found
        = select(QStringLiteral("l.Folder = %1 AND l.Item_Id = ?1 AND l.Returned IS NULL").arg(folder),
                 QStringLiteral("l.Id"), itemId);
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::vector<Loan> LoansBook::openLoans() const
{
    return select(QStringLiteral("l.Returned IS NULL"), QStringLiteral("l.Due IS NULL, l.Due, l.Lent, l.Id"));
}

std::vector<Loan> LoansBook::pastLoans() const
{
    return select(QStringLiteral("l.Returned IS NOT NULL"), QStringLiteral("l.Returned DESC, l.Id DESC"));
}

std::vector<Loan> LoansBook::loansOf(qint64 personId) const
{
    return select(QStringLiteral("l.Person_Id = ?1 AND l.Returned IS NULL"), QStringLiteral("l.Lent, l.Id"), personId);
}

int LoansBook::overdueCount(const QDate& today) const
{
    if (!hasTables())
        return 0;
    auto s = m_db.statement(QStringLiteral("SELECT count(*) FROM Loans WHERE Returned IS NULL AND Item_Id IS NOT NULL "
                                           "AND Due IS NOT NULL AND Due < ?1"));
    s->bind(1, dateValue(today));
    s->step();
    const int count = int(s->columnInt64(0));
    s->reset();
    return count;
}

const QHash<qint64, LoansBook::Mark>& LoansBook::marks(int folder)
{
    static const QHash<qint64, Mark> none;
    if (!canLend(folder))
        return none;
    std::optional<QHash<qint64, Mark>>& kept = m_marks[size_t(folder)];
    if (kept)
        return *kept;
    QHash<qint64, Mark> read;
    if (hasTables()) {
        auto s
            = m_db.statement(QStringLiteral("SELECT l.Item_Id, %1, l.Lent, l.Due FROM Loans l WHERE l.Folder = ?1 AND "
                                            "l.Returned IS NULL AND l.Item_Id IS NOT NULL")
                                 .arg(personExpression()));
        s->bind(1, folder);
        while (s->step())
            read.insert(s->columnInt64(0), Mark{s->columnText(1), dateOf(*s, 2), dateOf(*s, 3)});
        s->reset();
    }
    kept = std::move(read);
    return *kept;
}

std::vector<LoansBook::Person> LoansBook::people() const
{
    std::vector<Person> out;
    auto s = m_db.statement(QStringLiteral("SELECT Id, L_Name, F_Name FROM AddressBook"));
    while (s->step())
        out.push_back({s->columnInt64(0), personName(s->columnText(1), s->columnText(2))});
    s->reset();
    std::stable_sort(out.begin(), out.end(),
                     [](const Person& a, const Person& b) { return TextFold::compare(a.name, b.name) < 0; });
    return out;
}

void LoansBook::itemDeleted(int folder, TDAODataset& item)
{
    if (!hasTables())
        return;
    const qint64 id = item.FieldByName(QStringLiteral("Id")).AsInteger();
    const QString title = item.FieldByName(QLatin1String(kTables[size_t(folder)].title)).AsString();
    auto drop
        = m_db.statement(QStringLiteral("DELETE FROM Loans WHERE Folder = ?1 AND Item_Id = ?2 AND Returned IS NULL"));
    drop->bind(1, folder);
    drop->bind(2, id);
    run(*drop);
    auto keep = m_db.statement(
        QStringLiteral("UPDATE Loans SET Item_Id = NULL, Title = ?3 WHERE Folder = ?1 AND Item_Id = ?2"));
    keep->bind(1, folder);
    keep->bind(2, id);
    keep->bind(3, title);
    run(*keep);
    m_db.afterCommit([this] { storedChange(); });
}

void LoansBook::personDeleted(TDAODataset& person)
{
    if (!hasTables())
        return;
    const qint64 id = person.FieldByName(QStringLiteral("Id")).AsInteger();
    const QString name = personName(person.FieldByName(QStringLiteral("L_Name")).AsString(),
                                    person.FieldByName(QStringLiteral("F_Name")).AsString());
    auto keep = m_db.statement(QStringLiteral("UPDATE Loans SET Person_Id = NULL, Person = ?2 WHERE Person_Id = ?1"));
    keep->bind(1, id);
    keep->bind(2, name);
    run(*keep);
    m_db.afterCommit([this] { storedChange(); });
}

void LoansBook::storedChange()
{
    for (auto& kept : m_marks)
        kept.reset();
    Q_EMIT changed();
}
