#include "KeysetRefresher.h"

#include "SqlText.h"
#include "SqliteConnection.h"

#include <QStringList>
#include <algorithm>

namespace {

struct Changed
{
    qint64 key;
    std::vector<QVariant> values;
};

QString sortColumns(const KeyOrder& order)
{
    QStringList columns;
    for (const KeyOrder::Term& t : order.terms())
        columns << SqlText::quoteIdentifier(t.column);
    return columns.join(QStringLiteral(", "));
}

} // namespace

std::vector<qint64> KeysetRefresher::refresh(SqliteConnection& db, const QString& table, const QString& keyColumn,
                                             const KeyOrder& order, std::vector<qint64> keys,
                                             const std::vector<qint64>& changed, const Condition& condition)
{
    // `changed` comes sorted. A post changes a row or two: each is looked for from the end,
    // where the rows added since the last run stand, and taken out; many are taken out in one
    // pass.
    if (changed.size() <= 8) {
        for (const qint64 c : changed) {
            const auto it = std::find(keys.rbegin(), keys.rend(), c);
            if (it != keys.rend())
                keys.erase(std::next(it).base());
        }
    } else {
        std::erase_if(keys, [&changed](qint64 k) { return std::binary_search(changed.begin(), changed.end(), k); });
    }

    const QString columns = sortColumns(order);
    const QString quotedTable = SqlText::quoteIdentifier(table);
    const QString quotedKey = SqlText::quoteIdentifier(keyColumn);
    const int termCount = int(order.terms().size());

    // The changed rows still in the table, with their sort values.
    std::vector<Changed> back;
    static const QString marks = [] {
        QStringList list;
        for (size_t i = 0; i < kMostChanges; ++i)
            list << QStringLiteral("?%1").arg(i + 1);
        return list.join(QLatin1Char(','));
    }();
    {
        QString sql
            = QStringLiteral("SELECT %1, %2 FROM %3 WHERE %1 IN (%4)").arg(quotedKey, columns, quotedTable, marks);
        if (!condition.sql.isEmpty())
            sql += QStringLiteral(" AND (%1)").arg(condition.sql);
        auto stmt = db.statement(sql);
        for (size_t i = 0; i < kMostChanges; ++i) {
            if (i < changed.size())
                stmt->bindInt64(int(i) + 1, changed[i]);
            else
                stmt->bindNull(int(i) + 1);
        }
        for (size_t i = 0; i < condition.binds.size(); ++i)
            stmt->bind(kFirstConditionMarker + int(i), condition.binds[i]);
        while (stmt->step()) {
            Changed c{stmt->columnInt64(0), {}};
            for (int t = 0; t < termCount; ++t)
                c.values.push_back(stmt->column(t + 1));
            back.push_back(std::move(c));
        }
    }

    auto valuesOf
        = db.statement(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?1").arg(columns, quotedTable, quotedKey));
    std::vector<QVariant> probe(static_cast<size_t>(termCount));
    auto read = [&](qint64 key) -> const std::vector<QVariant>& {
        valuesOf->bindInt64(1, key);
        if (valuesOf->step()) {
            for (int t = 0; t < termCount; ++t)
                probe[size_t(t)] = valuesOf->column(t);
        }
        valuesOf->reset();
        return probe;
    };
    for (const Changed& c : back) {
        // Equal rows are ordered by their key, as the key query orders them.
        auto at = std::upper_bound(keys.begin(), keys.end(), c.key, [&](qint64, qint64 existing) {
            const int byValues = order.compare(c.values, read(existing));
            return byValues != 0 ? byValues < 0 : c.key < existing;
        });
        keys.insert(at, c.key);
    }
    return keys;
}
