#pragma once

#include "SqliteStatement.h"
#include "TDAODataset.h"
#include "TIndexDef.h"

#include <optional>
#include <vector>

// A dataset over one whole table, read in the order of one of its indexes (or in the order
// the rows were added when no index is named).
class TDAOTable : public TDAODataset
{
public:
    explicit TDAOTable(QString name);

    const QString& TableName() const { return m_tableName; }
    void setTableName(const QString& value);
    const QString& IndexName() const { return m_indexName; }
    void setIndexName(const QString& value);
    // The table's indexes, read from the database when first asked for.
    const std::vector<TIndexDef>& IndexDefs();

    void setFilter(const QString& value) override;
    void setFiltered(bool value) override;
    // Seeks through an index whose fields begin with the key fields.
    bool Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options) override;

protected:
    std::unique_ptr<ResultSet> openResult() override;
    void closeResult() override;

private:
    const TIndexDef* indexForKey(const QStringList& fields);
    const TIndexDef* currentIndex();

    QString m_tableName;
    QString m_indexName;
    std::optional<std::vector<TIndexDef>> m_indexDefs;
    // The second cursor of the first locate, kept while the table is open.
    QString m_seekSql;
    SqliteStatement m_seek;
};
