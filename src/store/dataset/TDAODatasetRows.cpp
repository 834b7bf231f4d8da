#include "TDAODataset.h"

#include "EDAOError.h"
#include "EEngineError.h"
#include "ResultSet.h"
#include "SqlText.h"
#include "TDAODatabase.h"
#include "TextFold.h"

#include <QStringList>
#include <algorithm>
#include <sqlite3.h>

// A dataset's rows: how they are read (with their calculated fields and read errors), written,
// deleted and searched.

void TDAODataset::readCurrent()
{
    // A read that fails leaves neither the values nor the reason of the row read before.
    m_currentError.clear();
    m_currentError = fillRow(m_recNo, m_current);
}

void TDAODataset::calculate(std::vector<QVariant>& values)
{
    if (!OnCalcFields || !hasCalcFields())
        return;
    for (const auto& f : m_fields) {
        if (f->Calculated())
            values[size_t(f->Index())] = QVariant();
    }
    // The handler writes through the fields, so point them at this row for the moment.
    struct Restore
    {
        TDAODataset& ds;
        std::vector<QVariant>* active;
        TDataSetState state;
        ~Restore()
        {
            ds.m_active = active;
            ds.m_state = state;
        }
    } restore{*this, m_active, m_state};
    m_active = &values;
    m_state = TDataSetState::CalcFields;
    OnCalcFields(*this);
}

QString TDAODataset::fillRow(int row, std::vector<QVariant>& values)
{
    values.assign(m_fields.size(), QVariant());
    if (!m_result || row < 0 || row >= m_result->count())
        return {};
    const RowData& data = m_result->row(row);
    const auto& columns = m_result->columns();
    for (const auto& f : m_fields) {
        if (f->Calculated() || f->column() < 0)
            continue;
        const QVariant& v = data.values[size_t(f->column())];
        values[size_t(f->Index())]
            = columns[size_t(f->column())].type == TFieldType::Variant ? FieldTypes::fromEngine(f->DataType(), v) : v;
    }
    // Nothing is calculated from a row that could not be read.
    if (!data.error.isEmpty())
        return data.error;
    calculate(values);
    return {};
}

const TDAODataset::ShownRow& TDAODataset::shownRow(int row)
{
    auto it = m_shown.constFind(row);
    if (it == m_shown.constEnd()) {
        if (m_shown.size() >= 256)
            m_shown.clear();
        ShownRow shown;
        shown.error = fillRow(row, shown.values);
        it = m_shown.insert(row, std::move(shown));
    }
    return *it;
}

QVariant TDAODataset::rowValue(int row, const TField& field)
{
    if (!Active())
        return {};
    if (row == m_recNo)
        return fieldValue(field);
    const std::vector<QVariant>& values = shownRow(row).values;
    const size_t i = size_t(field.Index());
    return i < values.size() ? values[i] : QVariant();
}

QString TDAODataset::rowError(int row)
{
    if (!Active())
        return {};
    if (row == m_recNo)
        return m_currentError;
    return shownRow(row).error;
}

void TDAODataset::checkReadable()
{
    if (!Active() || !m_result || m_recNo < 0 || m_recNo >= m_result->count())
        return;
    const RowData& stored = m_result->row(m_recNo);
    if (!stored.error.isEmpty())
        throw EDAOError(stored.error, stored.errorCode);
}

bool TDAODataset::RecordDeleted()
{
    if (!Active() || !m_result || m_recNo < 0 || m_recNo >= m_result->count())
        return false;
    return m_result->row(m_recNo).deleted;
}

void TDAODataset::writeRow()
{
    m_database->aboutToChange(m_result->tableName());
    const QString table = SqlText::quoteIdentifier(m_result->tableName());
    const QString keyColumn = SqlText::quoteIdentifier(m_result->keyColumn());
    QStringList columns;
    std::vector<QVariant> values;
    for (const auto& f : m_fields) {
        if (f->Calculated() || !m_assigned[size_t(f->Index())] || f->origin().isEmpty())
            continue;
        if (f->DataType() == TFieldType::AutoInc)
            continue; // the database assigns the key
        columns << SqlText::quoteIdentifier(f->origin());
        values.push_back(FieldTypes::toEngine(f->DataType(), m_current[size_t(f->Index())]));
    }
    sqlite3* db = m_database->handle();

    if (m_state == TDataSetState::Insert) {
        QString sql;
        if (columns.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table);
        } else {
            QStringList marks;
            for (int i = 1; i <= columns.size(); ++i)
                marks << QStringLiteral("?%1").arg(i);
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(table, columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
        }
        auto stmt = m_database->statement(sql);
        for (size_t i = 0; i < values.size(); ++i)
            stmt->bind(int(i) + 1, values[i]);
        stmt->execute();
        m_result->appendKey(sqlite3_last_insert_rowid(db));
        m_recNo = m_result->count() - 1;
        return;
    }

    const qint64 key = m_result->key(m_recNo);
    if (columns.isEmpty()) {
        // Nothing was changed: the row is written back as it is, if it is still there.
        auto stmt = m_database->statement(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1").arg(table, keyColumn));
        stmt->bindInt64(1, key);
        if (!stmt->step())
            throw EDAOError(QStringLiteral("Record is deleted"), SQLITE_NOTFOUND);
        return;
    }
    QStringList assignments;
    for (int i = 0; i < columns.size(); ++i)
        assignments << QStringLiteral("%1 = ?%2").arg(columns[i]).arg(i + 1);
    auto stmt = m_database->statement(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?%4")
                                          .arg(table, assignments.join(QStringLiteral(", ")), keyColumn)
                                          .arg(columns.size() + 1));
    for (size_t i = 0; i < values.size(); ++i)
        stmt->bind(int(i) + 1, values[i]);
    stmt->bindInt64(int(values.size()) + 1, key);
    stmt->execute();
    if (sqlite3_changes(db) == 0)
        throw EDAOError(QStringLiteral("Record is deleted"), SQLITE_NOTFOUND);
}

void TDAODataset::deleteRow()
{
    m_database->aboutToChange(m_result->tableName());
    auto stmt = m_database->statement(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?1")
            .arg(SqlText::quoteIdentifier(m_result->tableName()), SqlText::quoteIdentifier(m_result->keyColumn())));
    stmt->bindInt64(1, m_result->key(m_recNo));
    stmt->execute();
}

bool TDAODataset::Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options)
{
    checkActive();
    CheckBrowseMode();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.isEmpty())
        return false;
    std::vector<TField*> fields;
    for (const QString& n : names)
        fields.push_back(&FieldByName(n.trimmed()));
    // Read whole results are small: compare row by row with the catalogue's text rule.
    const int n = m_result->count();
    std::vector<QVariant> row;
    for (int r = 0; r < n; ++r) {
        if (!fillRow(r, row).isEmpty())
            continue; // a row that cannot be read matches nothing
        bool all = true;
        for (size_t k = 0; k < fields.size() && all; ++k) {
            const QVariant& have = row[size_t(fields[k]->Index())];
            const QVariant want = k < size_t(values.size()) ? values[int(k)] : QVariant();
            if (want.isNull()) {
                all = have.isNull();
            } else if (have.isNull()) {
                all = false;
            } else if (FieldTypes::isText(fields[k]->DataType()) || have.typeId() == QMetaType::QString) {
                all = (options & loPartialKey) ? TextFold::startsWith(have.toString(), want.toString(), true)
                                               : TextFold::equals(have.toString(), want.toString());
            } else {
                all = have.toString() == want.toString();
            }
        }
        if (all) {
            runHandler(BeforeScroll);
            setCurrent(r, true);
            m_bof = m_eof = false;
            runHandler(AfterScroll);
            return true;
        }
    }
    return false;
}
