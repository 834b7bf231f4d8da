#include "TDAODataset.h"

#include "EDAOError.h"
#include "EDatabaseError.h"
#include "ESavedError.h"
#include "NotifyAll.h"
#include "ResultSet.h"
#include "SqlText.h"
#include "TDAODatabase.h"
#include "TDataSource.h"
#include "TextFold.h"

#include <QStringList>
#include <algorithm>
#include <exception>
#include <sqlite3.h>

namespace {

bool editing(TDataSetState s)
{
    return s == TDataSetState::Edit || s == TDataSetState::Insert;
}

// Runs a write and reports engine failures as EDAOError, as every write of a row does.
template <typename F>
void asDaoError(F&& write)
{
    try {
        write();
    } catch (const EDAOError&) {
        throw;
    } catch (const EEngineError& e) {
        throw EDAOError(e.message(), e.ErrorCode());
    }
}

} // namespace

TDAODataset::TDAODataset(QString name)
    : m_name(std::move(name))
{
}

TDAODataset::~TDAODataset()
{
    if (m_database)
        m_database->unregisterOpen(this);
    const auto sources = m_dataSources;
    for (TDataSource* s : sources)
        s->datasetDestroyed();
}

void TDAODataset::misuse(const QString& message) const
{
    throw EDatabaseError(m_name.isEmpty() ? message : m_name + QStringLiteral(": ") + message);
}

void TDAODataset::setDatabase(TDAODatabase* database)
{
    if (database == m_database)
        return;
    Close();
    m_database = database;
}

TField& TDAODataset::addField(const QString& name, TFieldType type, int size, bool required, TFieldKind kind)
{
    if (Active())
        misuse(QStringLiteral("Cannot perform this operation on an open dataset"));
    if (FindField(name))
        misuse(QStringLiteral("Duplicate field name '%1'").arg(name));
    m_fields.push_back(std::make_unique<TField>(this, name, type, size, required, kind));
    m_fields.back()->setIndex(int(m_fields.size()) - 1);
    m_declaredFields = int(m_fields.size());
    return *m_fields.back();
}

TField& TDAODataset::AddField(const QString& name, TFieldType type, int size, bool required)
{
    return addField(name, type, size, required, TFieldKind::Data);
}

TField& TDAODataset::AddCalcField(const QString& name, TFieldType type, int size)
{
    return addField(name, type, size, false, TFieldKind::Calculated);
}

TField* TDAODataset::FindField(const QString& name) const
{
    for (const auto& f : m_fields) {
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    }
    return nullptr;
}

TField& TDAODataset::FieldByName(const QString& name) const
{
    if (TField* f = FindField(name))
        return *f;
    misuse(QStringLiteral("Field '%1' not found").arg(name));
}

bool TDAODataset::hasCalcFields() const
{
    return std::any_of(m_fields.begin(), m_fields.end(), [](const auto& f) { return f->Calculated(); });
}

bool TDAODataset::CanModify() const
{
    return m_result && m_result->updatable();
}

void TDAODataset::checkActive() const
{
    if (!Active())
        misuse(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDAODataset::runHandler(const Handler& handler)
{
    if (handler)
        handler(*this);
}

void TDAODataset::dataEvent(TDataEvent event, std::intptr_t info)
{
    // Held back notifications hold back what views show, never what a post needs from the
    // controls: their pending input, and the focus for a refused field.
    const bool needed = event == TDataEvent::UpdateRecord || event == TDataEvent::FocusControl;
    if (m_disableCount > 0 && !needed)
        return;
    notifyAll(m_dataSources, [event, info](TDataSource& source) { source.notify(event, info); });
}

void TDAODataset::addDataSource(TDataSource* source)
{
    if (std::find(m_dataSources.begin(), m_dataSources.end(), source) == m_dataSources.end())
        m_dataSources.push_back(source);
}

void TDAODataset::removeDataSource(TDataSource* source)
{
    m_dataSources.erase(std::remove(m_dataSources.begin(), m_dataSources.end(), source), m_dataSources.end());
}

void TDAODataset::DisableControls()
{
    if (m_disableCount++ == 0)
        m_disableState = m_state;
}

void TDAODataset::EnableControls()
{
    if (m_disableCount == 0 || --m_disableCount > 0)
        return;
    if (m_state != m_disableState)
        dataEvent(TDataEvent::UpdateState);
    if (m_disableState != TDataSetState::Inactive && m_state != TDataSetState::Inactive)
        dataEvent(TDataEvent::DataSetChange);
}

void TDAODataset::setState(TDataSetState state)
{
    if (state == m_state)
        return;
    m_state = state;
    dataEvent(TDataEvent::UpdateState);
}

void TDAODataset::setActive(bool value)
{
    if (value)
        Open();
    else
        Close();
}

void TDAODataset::bindFields()
{
    const bool declaredData = std::any_of(m_fields.begin(), m_fields.begin() + m_declaredFields,
                                          [](const auto& f) { return !f->Calculated(); });
    const auto& columns = m_result->columns();
    if (!declaredData) {
        for (size_t c = 0; c < columns.size(); ++c) {
            const ResultColumn& col = columns[c];
            if (FindField(col.name))
                continue;
            const int size = col.type == TFieldType::String ? (col.size > 0 ? col.size : 255) : col.size;
            m_fields.push_back(std::make_unique<TField>(this, col.name, col.type, size, false, TFieldKind::Data));
            m_fields.back()->setIndex(int(m_fields.size()) - 1);
        }
    }
    for (const auto& f : m_fields) {
        if (f->Calculated())
            continue;
        const int c = m_result->columnIndex(f->FieldName());
        if (c < 0)
            misuse(QStringLiteral("Field '%1' not found").arg(f->FieldName()));
        const ResultColumn& col = columns[size_t(c)];
        if (!FieldTypes::compatible(f->DataType(), col.type))
            misuse(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                       .arg(f->FieldName(), FieldTypes::name(f->DataType()), FieldTypes::name(col.type)));
        f->setColumn(c);
        f->setOrigin(col.origin);
    }
}

void TDAODataset::Open()
{
    if (Active())
        return;
    runHandler(BeforeOpen);
    if (!m_database)
        misuse(QStringLiteral("Cannot perform this operation without Database property"));
    m_database->Open();
    try {
        m_result = openResult();
        ++m_resultSerial;
        bindFields();
        startOnFirstRow();
    } catch (...) {
        m_result.reset();
        m_current.clear();
        m_currentError.clear();
        m_recNo = -1;
        m_fields.resize(size_t(m_declaredFields));
        closeResult();
        throw;
    }
    m_database->registerOpen(this);
    setState(TDataSetState::Browse);
    runHandler(AfterOpen);
}

void TDAODataset::Close()
{
    if (!Active())
        return;
    runHandler(BeforeClose);
    closeResult();
    m_result.reset();
    m_recNo = -1;
    m_bof = m_eof = true;
    m_current.clear();
    m_currentError.clear();
    m_shown.clear();
    clearEditing();
    setState(TDataSetState::Inactive);
    m_fields.resize(size_t(m_declaredFields));
    if (m_database)
        m_database->unregisterOpen(this);
    runHandler(AfterClose);
}

void TDAODataset::Reread()
{
    if (!Active()) {
        setFiltered(false);
        Open();
        return;
    }
    CheckBrowseMode();
    const bool filtered = m_filtered;
    m_filtered = false;
    try {
        replaceResult();
    } catch (...) {
        m_filtered = filtered;
        throw;
    }
    startOnFirstRow();
    dataEvent(TDataEvent::DataSetChange);
}

void TDAODataset::replaceResult()
{
    std::unique_ptr<ResultSet> next = openResult();
    m_result = std::move(next);
    ++m_resultSerial;
    m_fields.resize(size_t(m_declaredFields));
    bindFields();
}

void TDAODataset::reopenResult()
{
    try {
        replaceResult();
    } catch (...) {
        Close();
        throw;
    }
    startOnFirstRow();
    dataEvent(TDataEvent::DataSetChange);
}

void TDAODataset::startOnFirstRow()
{
    m_shown.clear();
    clearEditing();
    const int n = m_result->count();
    m_appendedFrom = n;
    m_recNo = n > 0 ? 0 : -1;
    m_bof = true;
    m_eof = n == 0;
    readCurrent();
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
        values[size_t(f->Index())] = columns[size_t(f->column())].type == TFieldType::Variant
                                         ? FieldTypes::fromEngine(f->DataType(), v)
                                         : v;
    }
    // Nothing is calculated from a row that could not be read.
    if (!data.error.isEmpty())
        return data.error;
    calculate(values);
    return {};
}

void TDAODataset::readCurrent()
{
    // A read that fails leaves neither the values nor the reason of the row read before.
    m_currentError.clear();
    m_currentError = fillRow(m_recNo, m_current);
}

void TDAODataset::clearEditing()
{
    m_assigned.assign(m_fields.size(), false);
    m_modified = false;
    m_inNewRecord = false;
}

void TDAODataset::setCurrent(int index, bool notify)
{
    const int old = m_recNo;
    m_recNo = index;
    m_bof = m_eof = index < 0;
    readCurrent();
    if (notify && old != index)
        dataEvent(TDataEvent::DataSetScroll, index - old);
}

void TDAODataset::First()
{
    checkActive();
    CheckBrowseMode();
    runHandler(BeforeScroll);
    const int n = m_result->count();
    setCurrent(n > 0 ? 0 : -1, true);
    m_bof = true;
    m_eof = n == 0;
    runHandler(AfterScroll);
}

void TDAODataset::Last()
{
    checkActive();
    CheckBrowseMode();
    runHandler(BeforeScroll);
    const int n = m_result->count();
    setCurrent(n - 1, true);
    m_eof = true;
    m_bof = n == 0;
    runHandler(AfterScroll);
}

void TDAODataset::Next()
{
    checkActive();
    CheckBrowseMode();
    runHandler(BeforeScroll);
    if (m_recNo + 1 < m_result->count()) {
        setCurrent(m_recNo + 1, true);
        m_eof = false;
    } else {
        m_eof = true;
    }
    m_bof = false;
    runHandler(AfterScroll);
}

void TDAODataset::Prior()
{
    checkActive();
    CheckBrowseMode();
    runHandler(BeforeScroll);
    if (m_recNo > 0) {
        setCurrent(m_recNo - 1, true);
        m_bof = false;
    } else {
        m_bof = true;
    }
    m_eof = false;
    runHandler(AfterScroll);
}

void TDAODataset::MoveTo(int index)
{
    checkActive();
    if (index == m_recNo && !editing(m_state))
        return;
    CheckBrowseMode();
    const int n = m_result->count();
    if (n == 0)
        return;
    runHandler(BeforeScroll);
    setCurrent(std::clamp(index, 0, n - 1), true);
    m_bof = m_recNo == 0;
    m_eof = false;
    runHandler(AfterScroll);
}

bool TDAODataset::IsEmpty() const
{
    if (!Active() || !m_result)
        return true;
    return m_result->count() == 0 && m_state != TDataSetState::Insert;
}

int TDAODataset::RecordCount() const
{
    return Active() && m_result ? m_result->count() : -1;
}

int TDAODataset::RecNo() const
{
    return Active() ? m_recNo : -1;
}

int TDAODataset::RowCount() const
{
    if (!Active() || !m_result)
        return 0;
    return m_result->count() + (m_state == TDataSetState::Insert ? 1 : 0);
}

bool TDAODataset::rowIsNew(int row) const
{
    return m_state == TDataSetState::Insert && row == m_recNo;
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

QVariant TDAODataset::fieldValue(const TField& field) const
{
    const size_t i = size_t(field.Index());
    return m_active && i < m_active->size() ? (*m_active)[i] : QVariant();
}

void TDAODataset::checkWritable(const TField& field) const
{
    if (m_state == TDataSetState::CalcFields && field.Calculated())
        return;
    if (!editing(m_state))
        misuse(QStringLiteral("Dataset not in edit or insert mode"));
}

void TDAODataset::setFieldValue(const TField& field, const QVariant& value)
{
    const size_t i = size_t(field.Index());
    if (!m_active || i >= m_active->size())
        return;
    (*m_active)[i] = value;
    if (m_active != &m_current || !editing(m_state))
        return;
    if (!field.Calculated()) {
        m_assigned[i] = true;
        if (!m_inNewRecord)
            m_modified = true;
        calculate(m_current);
    }
    dataEvent(TDataEvent::FieldChange, reinterpret_cast<std::intptr_t>(&field));
}

void TDAODataset::UpdateRecord()
{
    if (!editing(m_state))
        misuse(QStringLiteral("Dataset not in edit or insert mode"));
    dataEvent(TDataEvent::UpdateRecord);
}

void TDAODataset::CheckBrowseMode()
{
    checkActive();
    dataEvent(TDataEvent::CheckBrowseMode);
    if (!editing(m_state))
        return;
    UpdateRecord();
    if (m_modified)
        Post();
    else
        Cancel();
}

void TDAODataset::Insert()
{
    checkActive();
    if (!CanModify())
        misuse(QStringLiteral("Cannot modify a read-only dataset"));
    m_database->checkWritable();
    CheckBrowseMode();
    runHandler(BeforeInsert);
    runHandler(BeforeScroll);
    m_savedRecNo = m_recNo;
    m_recNo = m_result->count();
    m_current.assign(m_fields.size(), QVariant());
    m_currentError.clear();
    m_shown.clear();
    clearEditing();
    m_bof = m_eof = false;
    setState(TDataSetState::Insert);
    try {
        m_inNewRecord = true;
        runHandler(OnNewRecord);
        m_inNewRecord = false;
        calculate(m_current);
    } catch (...) {
        m_inNewRecord = false;
        m_recNo = m_savedRecNo;
        readCurrent();
        clearEditing();
        setState(TDataSetState::Browse);
        dataEvent(TDataEvent::DataSetChange);
        throw;
    }
    m_modified = false;
    dataEvent(TDataEvent::DataSetChange);
    runHandler(AfterInsert);
    runHandler(AfterScroll);
}

void TDAODataset::Edit()
{
    checkActive();
    if (editing(m_state))
        return;
    if (IsEmpty()) {
        Insert();
        return;
    }
    if (!CanModify())
        misuse(QStringLiteral("Cannot modify a read-only dataset"));
    m_database->checkWritable();
    CheckBrowseMode();
    runHandler(BeforeEdit);
    try {
        // Start from what is stored now, not from what was read earlier.
        m_result->invalidateKey(m_result->key(m_recNo));
        readCurrent();
        if (m_result->row(m_recNo).deleted)
            throw EDAOError(QStringLiteral("Record is deleted"), SQLITE_NOTFOUND);
        // What a row that cannot be read holds is not known: nothing may be written over it.
        checkReadable();
    } catch (const std::exception& e) {
        if (OnEditError)
            OnEditError(*this, e);
        throw;
    }
    m_shown.clear();
    clearEditing();
    setState(TDataSetState::Edit);
    dataEvent(TDataEvent::RecordChange);
    runHandler(AfterEdit);
}

void TDAODataset::checkRequired()
{
    for (const auto& f : m_fields) {
        if (f->Calculated() || !f->Required() || !m_current[size_t(f->Index())].isNull())
            continue;
        dataEvent(TDataEvent::FocusControl, reinterpret_cast<std::intptr_t>(f.get()));
        throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(f->FieldName()));
    }
}

TDAODataset::PendingRow TDAODataset::pendingRow() const
{
    PendingRow p;
    p.result = m_result.get();
    p.count = m_result->count();
    p.state = m_state;
    p.recNo = m_recNo;
    p.savedRecNo = m_savedRecNo;
    p.bof = m_bof;
    p.eof = m_eof;
    if (m_state == TDataSetState::Edit && m_recNo >= 0 && m_recNo < p.count)
        p.key = m_result->key(m_recNo);
    p.values = m_current;
    p.assigned = m_assigned;
    p.modified = m_modified;
    return p;
}

void TDAODataset::writePost()
{
    // The rules before and after the write and the write itself are stored together or not
    // at all, and the rules see the row as stored.
    TDAODatabase::Transaction transaction(*m_database);
    runHandler(BeforePost);
    asDaoError([this] { writeRow(); });
    clearEditing();
    m_shown.clear();
    setState(TDataSetState::Browse);
    m_result->invalidate();
    readCurrent();
    m_bof = m_eof = false;
    runHandler(AfterPost);
    transaction.commit();
}

void TDAODataset::Post()
{
    UpdateRecord();
    dataEvent(TDataEvent::CheckBrowseMode);
    checkRequired();
    const PendingRow pending = pendingRow();
    // What is bound hears of the post once it is stored, so that a post undone at its end is
    // never seen (a detail list would otherwise run again and drop the rows added to it).
    DisableControls();
    try {
        writePost();
    } catch (...) {
        restorePending(pending);
        releaseQuietly();
        try {
            throw;
        } catch (const std::exception& e) {
            if (OnPostError)
                OnPostError(*this, e);
        }
        throw;
    }
    // The change is stored now: whatever fails from here on is said to follow a saved change,
    // so that nobody takes it for unsaved and enters it again.
    std::exception_ptr failure;
    try {
        EnableControls();
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        m_database->runAfterCommit();
    } catch (...) {
        if (!failure)
            failure = std::current_exception();
    }
    if (!failure)
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const ESavedError&) {
        throw;
    } catch (const EDatabaseError& e) {
        throw ESavedError(e.message());
    }
}

void TDAODataset::releaseQuietly()
{
    if (m_disableCount > 0)
        --m_disableCount;
}

void TDAODataset::restorePending(const PendingRow& p) noexcept
{
    if (!Active() || !m_result)
        return;
    try {
        if (m_result.get() != p.result) {
            // A rule ran the query again inside the undone work: read it once more.
            replaceResult();
            m_appendedFrom = m_result->count();
        }
        if (p.state == TDataSetState::Insert) {
            while (m_result->count() > p.count)
                m_result->removeAt(m_result->count() - 1);
        }
        m_result->invalidate();
        m_state = p.state;
        m_recNo = p.state == TDataSetState::Insert ? m_result->count() : p.recNo;
        if (p.state == TDataSetState::Edit) {
            const int at = m_result->indexOfKey(p.key);
            if (at >= 0)
                m_recNo = at;
        }
        m_savedRecNo = p.savedRecNo;
        m_bof = p.bof;
        m_eof = p.eof;
        m_current = p.values;
        m_currentError.clear();
        m_assigned = p.assigned;
        m_modified = p.modified;
        m_shown.clear();
    } catch (...) {
        // Reading the query again failed: the record keeps what the user entered all the same.
        m_state = p.state;
        m_current = p.values;
        m_assigned = p.assigned;
        m_modified = p.modified;
    }
}

void TDAODataset::afterRollback() noexcept
{
    if (!Active() || !m_result)
        return;
    m_shown.clear();
    try {
        m_result->invalidate();
        dropRolledBackKeys();
        if (editing(m_state))
            return;
        const int n = m_result->count();
        m_recNo = n == 0 ? -1 : std::clamp(m_recNo, 0, n - 1);
        readCurrent();
    } catch (...) {
        // The current row is read again at the next move; nothing here may stop a rollback.
    }
}

void TDAODataset::tableAboutToChange(const QString& table)
{
    if (m_result && m_result->tableName().compare(table, Qt::CaseInsensitive) == 0)
        m_result->loadAll();
}

void TDAODataset::dropRolledBackKeys()
{
    if (!m_result->updatable() || m_appendedFrom >= m_result->count())
        return;
    auto exists = m_database->statement(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?1")
                                            .arg(SqlText::quoteIdentifier(m_result->tableName()),
                                                 SqlText::quoteIdentifier(m_result->keyColumn())));
    for (int i = m_result->count() - 1; i >= m_appendedFrom; --i) {
        exists->bindInt64(1, m_result->key(i));
        const bool there = exists->step();
        exists->reset();
        if (there)
            continue;
        m_result->removeAt(i);
        if (m_recNo > i)
            --m_recNo;
    }
}

void TDAODataset::Cancel()
{
    if (!Active() || !editing(m_state))
        return;
    dataEvent(TDataEvent::CheckBrowseMode);
    runHandler(BeforeCancel);
    if (m_state == TDataSetState::Insert) {
        const int n = m_result->count();
        m_recNo = n == 0 ? -1 : std::clamp(m_savedRecNo, 0, n - 1);
        m_eof = n == 0;
        m_bof = n == 0;
    }
    clearEditing();
    m_shown.clear();
    setState(TDataSetState::Browse);
    if (m_recNo >= 0)
        m_result->invalidateKey(m_result->key(m_recNo));
    readCurrent();
    dataEvent(TDataEvent::DataSetChange);
    runHandler(AfterCancel);
}

void TDAODataset::Delete()
{
    checkActive();
    if (m_state == TDataSetState::Insert) {
        Cancel();
        return;
    }
    if (IsEmpty())
        misuse(QStringLiteral("Cannot perform this operation on an empty dataset"));
    if (!CanModify())
        misuse(QStringLiteral("Cannot modify a read-only dataset"));
    m_database->checkWritable();
    dataEvent(TDataEvent::CheckBrowseMode);
    {
        // The rules that run before the row goes (a movie's cast, an album's songs) and the
        // row itself succeed or fail together.
        TDAODatabase::Transaction transaction(*m_database);
        runHandler(BeforeDelete);
        runHandler(BeforeScroll);
        try {
            asDaoError([this] { deleteRow(); });
            transaction.commit();
        } catch (const std::exception& e) {
            if (OnDeleteError)
                OnDeleteError(*this, e);
            throw;
        }
    }
    m_result->removeAt(m_recNo);
    if (m_recNo < m_appendedFrom)
        --m_appendedFrom;
    const int n = m_result->count();
    if (m_recNo >= n)
        m_recNo = n - 1;
    m_eof = n == 0;
    m_bof = n == 0;
    clearEditing();
    m_shown.clear();
    setState(TDataSetState::Browse);
    m_result->invalidate();
    readCurrent();
    dataEvent(TDataEvent::DataSetChange);
    m_database->runAfterCommit(); // what the rules before the delete kept for after it
    runHandler(AfterDelete);
    runHandler(AfterScroll);
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
    auto stmt = m_database->statement(QStringLiteral("DELETE FROM %1 WHERE %2 = ?1")
                                          .arg(SqlText::quoteIdentifier(m_result->tableName()),
                                               SqlText::quoteIdentifier(m_result->keyColumn())));
    stmt->bindInt64(1, m_result->key(m_recNo));
    stmt->execute();
}

void TDAODataset::setFilter(const QString& value)
{
    m_filter = value;
}

void TDAODataset::setFiltered(bool value)
{
    m_filtered = value;
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
