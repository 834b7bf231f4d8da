#pragma once

#include "ColumnText.h"
#include "SqliteStatement.h"
#include "TDAODatabase.h"
#include "TDAOQuery.h"
#include "TDAOTable.h"
#include "TempCatalogue.h"

#include <QVariant>
#include <sqlite3.h>

// An open connection to a fresh temporary catalogue, with helpers to look at the file
// directly (not through the layer under test).
class StoreFixture
{
public:
    explicit StoreFixture(int sampleItems = -1)
        : cat(sampleItems)
        , db(QStringLiteral("dbKOLT"))
    {
        db.setDatabaseName(cat.path());
        db.setPassword(QStringLiteral("trobel72"));
        db.Open();
    }

    std::unique_ptr<TDAOQuery> query(const QString& name, const QStringList& sql)
    {
        auto q = std::make_unique<TDAOQuery>(name);
        q->setDatabase(&db);
        q->setSQL(sql);
        return q;
    }

    std::unique_ptr<TDAOTable> table(const QString& name, const QString& tableName, const QString& index = {})
    {
        auto t = std::make_unique<TDAOTable>(name);
        t->setDatabase(&db);
        t->setTableName(tableName);
        t->setIndexName(index);
        return t;
    }

    // Runs SQL straight on the file and returns the first column of the first row.
    QVariant scalar(const QString& sql)
    {
        SqliteStatement s(db.handle(), sql);
        return s.step() ? s.column(0) : QVariant();
    }

    QStringList column(const QString& sql) { return columnText(db.handle(), sql, QStringLiteral("<null>")); }

    void exec(const QString& sql) { SqliteStatement::exec(db.handle(), sql); }

    TempCatalogue cat;
    TDAODatabase db;
};
