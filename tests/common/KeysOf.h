#pragma once

#include "SqliteStatement.h"
#include "StoreFixture.h"
#include "TDAODataset.h"
#include "TField.h"

#include <QString>
#include <vector>

// The keys a statement gives (its first column), in its order.
inline std::vector<qint64> keysOf(StoreFixture& f, const QString& sql)
{
    std::vector<qint64> keys;
    SqliteStatement s(f.db.handle(), sql);
    while (s.step())
        keys.push_back(s.columnInt64(0));
    return keys;
}

// The keys a dataset shows, row by row.
inline std::vector<qint64> shownKeys(TDAODataset& ds)
{
    std::vector<qint64> keys;
    const TField& id = ds.FieldByName(QStringLiteral("Id"));
    for (int r = 0; r < ds.RowCount(); ++r)
        keys.push_back(ds.rowValue(r, id).toLongLong());
    return keys;
}
