#pragma once

#include <QString>
#include <QVariant>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalised with its owner. Engine failures are raised as
// EEngineError with SQLite's own message.
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const QString& sql, bool persistent = false);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    sqlite3_stmt* handle() const { return m_stmt; }
    bool isValid() const { return m_stmt != nullptr; }

    // Steps once: true when a row is ready.
    bool step();
    // Runs a statement that returns no rows to its end.
    void execute();
    void reset();

    int parameterCount() const;
    void bind(int index, const QVariant& value); // 1-based, as SQLite counts
    void bindNull(int index);
    void bindInt64(int index, qint64 value);
    void bindText(int index, const QString& value);

    int columnCount() const;
    QVariant column(int index) const;
    qint64 columnInt64(int index) const;
    QString columnText(int index) const;
    bool columnIsNull(int index) const;

    // Raises the connection's last error when `rc` is not a success code.
    static void check(sqlite3* db, int rc);
    // Runs one or more statements without parameters or results.
    static void exec(sqlite3* db, const QString& sql);
    static QVariant valueOf(sqlite3_stmt* stmt, int index);

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_stmt = nullptr;
};
