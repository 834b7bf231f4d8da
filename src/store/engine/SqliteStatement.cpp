#include "SqliteStatement.h"

#include "EEngineError.h"
#include "SqliteErrorText.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void raise(sqlite3* db, int rc)
{
    const int code = db ? sqlite3_extended_errcode(db) : rc;
    const char* text = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    throw EEngineError(SqliteErrorText::forCode(code, QString::fromUtf8(text)), code);
}

} // namespace

SqliteStatement::SqliteStatement(sqlite3* db, const QString& sql, bool persistent)
    : m_db(db)
{
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(db, utf8.constData(), int(utf8.size()),
                                      persistent ? SQLITE_PREPARE_PERSISTENT : 0, &m_stmt, &tail);
    if (rc != SQLITE_OK)
        raise(db, rc);
    if (!m_stmt)
        throw EEngineError(QStringLiteral("The statement is empty"), SQLITE_MISUSE);
    // Everything after the first statement must be blank or a lone ";".
    for (const char* p = tail; p && *p; ++p) {
        if (*p != ';' && !QChar::isSpace(uchar(*p))) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            throw EEngineError(QStringLiteral("Characters found after end of SQL statement"), SQLITE_ERROR);
        }
    }
}

SqliteStatement::~SqliteStatement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : m_db(other.m_db)
    , m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_db = other.m_db;
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

bool SqliteStatement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const int code = sqlite3_extended_errcode(m_db);
    const QString text = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(m_stmt);
    throw EEngineError(SqliteErrorText::forCode(code, text), code);
}

void SqliteStatement::execute()
{
    while (step()) { }
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int SqliteStatement::parameterCount() const
{
    return sqlite3_bind_parameter_count(m_stmt);
}

void SqliteStatement::bind(int index, const QVariant& value)
{
    if (value.isNull() || !value.isValid()) {
        bindNull(index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        bindInt64(index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        check(m_db, sqlite3_bind_double(m_stmt, index, value.toDouble()));
        return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        check(m_db,
              sqlite3_bind_blob64(m_stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT));
        return;
    }
    default:
        bindText(index, value.toString());
    }
}

void SqliteStatement::bindNull(int index)
{
    check(m_db, sqlite3_bind_null(m_stmt, index));
}

void SqliteStatement::bindInt64(int index, qint64 value)
{
    check(m_db, sqlite3_bind_int64(m_stmt, index, value));
}

void SqliteStatement::bindText(int index, const QString& value)
{
    const QByteArray utf8 = value.toUtf8();
    check(m_db, sqlite3_bind_text64(m_stmt, index, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT,
                                    SQLITE_UTF8));
}

int SqliteStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QVariant SqliteStatement::column(int index) const
{
    return valueOf(m_stmt, index);
}

qint64 SqliteStatement::columnInt64(int index) const
{
    return sqlite3_column_int64(m_stmt, index);
}

QString SqliteStatement::columnText(int index) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, index));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(m_stmt, index)) : QString();
}

bool SqliteStatement::columnIsNull(int index) const
{
    return sqlite3_column_type(m_stmt, index) == SQLITE_NULL;
}

QVariant SqliteStatement::valueOf(sqlite3_stmt* stmt, int index)
{
    switch (sqlite3_column_type(stmt, index)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, index)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, index));
    case SQLITE_TEXT: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, index));
        return QVariant(QString::fromUtf8(text, sqlite3_column_bytes(stmt, index)));
    }
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, index));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt, index)));
    }
    default:
        return QVariant();
    }
}

void SqliteStatement::check(sqlite3* db, int rc)
{
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
        raise(db, rc);
}

void SqliteStatement::exec(sqlite3* db, const QString& sql)
{
    char* error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    if (rc == SQLITE_OK)
        return;
    const QString text = error ? QString::fromUtf8(error) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(error);
    const int code = sqlite3_extended_errcode(db);
    throw EEngineError(SqliteErrorText::forCode(code, text), code);
}
