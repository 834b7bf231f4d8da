#pragma once

#include "ChangeLog.h"
#include "StatementCache.h"

#include <QString>
#include <memory>
#include <vector>

struct sqlite3;
class TDAODataset;

// The connection to one catalogue file. It is opened shared and for reading and writing; the
// file itself is never created or re-laid out here.
class TDAODatabase
{
public:
    explicit TDAODatabase(QString name = QString());
    ~TDAODatabase();
    TDAODatabase(const TDAODatabase&) = delete;
    TDAODatabase& operator=(const TDAODatabase&) = delete;

    const QString& Name() const { return m_name; }

    const QString& DatabaseName() const { return m_databaseName; }
    void setDatabaseName(const QString& value);
    const QString& Password() const { return m_password; }
    void setPassword(const QString& value);
    bool Connected() const { return m_handle != nullptr; }
    void setConnected(bool value);

    void Open();
    void Close();

    // True when the file could be opened for reading only (writes will fail with the engine's message).
    bool ReadOnly() const;

    // The open datasets, in the order in which they were opened.
    const std::vector<TDAODataset*>& DataSets() const { return m_dataSets; }

    // For the layer's own use.
    sqlite3* handle() const { return m_handle; }
    StatementCache::Lease statement(const QString& sql);
    void registerOpen(TDAODataset* dataSet);
    void unregisterOpen(TDAODataset* dataSet);
    // The rows this connection changed since a given moment, table by table.
    const ChangeLog& changes() const { return m_changes; }

    // Groups writes so that they succeed or fail together; nests.
    class Transaction
    {
    public:
        explicit Transaction(TDAODatabase& db);
        ~Transaction(); // rolls back unless committed
        void commit();

    private:
        TDAODatabase& m_db;
        QString m_name;
        bool m_done = false;
    };

private:
    void checkClosed() const;

    QString m_name;
    QString m_databaseName;
    QString m_password;
    sqlite3* m_handle = nullptr;
    std::unique_ptr<StatementCache> m_statements;
    ChangeLog m_changes;
    std::vector<TDAODataset*> m_dataSets;
    int m_savepoints = 0;
};
