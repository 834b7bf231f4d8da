#pragma once

#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

struct sqlite3;

// An ORDER BY made of plain columns of one table, each ascending or descending, compared the
// way SQLite compares them (NULL first, then numbers, then text by the column's collation,
// then binary), so that a changed row can be put in its place without sorting again.
class KeyOrder
{
public:
    enum class Collation { Binary, NoCase, Kolt };
    struct Term
    {
        QString column;
        bool descending = false;
        Collation collation = Collation::Binary;
    };

    // Nothing when the clause is anything other than "col [ASC|DESC], ...".
    static std::optional<KeyOrder> parse(sqlite3* db, const QString& table, const QString& orderBy);

    int compare(const std::vector<QVariant>& a, const std::vector<QVariant>& b) const;
    // SQLite's name of a collation.
    static const char* collationName(Collation collation);
    const std::vector<Term>& terms() const { return m_terms; }

private:
    std::vector<Term> m_terms;
};
