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

#include <QScopedValueRollback>
#include <QStringList>
#include <algorithm>
#include <exception>
#include <sqlite3.h>

namespace {

// Runs a write and reports engine failures as EDAOError, as every write of a row does.
template <typename F> void asDaoError(F&& write)
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

bool TDAODataset::editing(TDataSetState s)
{
    return s == TDataSetState::Edit || s == TDataSetState::Insert;
}

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

void TDAODataset::runRules(const std::vector<OwnedRule>& rules, TDAODataset& dataSet)
{
    // A copy: a rule may add or remove rules.
    const std::vector<OwnedRule> running = rules;
    for (const OwnedRule& r : running)
        r.rule(dataSet);
}

void TDAODataset::addPostRule(const void* owner, Handler rule)
{
    m_postRules.push_back({owner, std::move(rule)});
}

void TDAODataset::addDeleteRule(const void* owner, Handler rule)
{
    m_deleteRules.push_back({owner, std::move(rule)});
}

void TDAODataset::removeRules(const void* owner)
{
    const auto owned = [owner](const OwnedRule& r) { return r.owner == owner; };
    std::erase_if(m_postRules, owned);
    std::erase_if(m_deleteRules, owned);
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
        beforeRerun();
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

void TDAODataset::resultReordered(std::optional<qint64> keep)
{
    m_shown.clear();
    ++m_resultSerial;
    const int n = m_result->count();
    m_appendedFrom = n;
    const int kept = keep ? m_result->indexOfKey(*keep) : -1;
    m_recNo = kept >= 0 ? kept : (n > 0 ? 0 : -1);
    m_bof = m_recNo <= 0;
    m_eof = n == 0;
    try {
        readCurrent();
    } catch (...) {
        dataEvent(TDataEvent::DataSetChange); // the rows moved all the same
        throw;
    }
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

void TDAODataset::writePost()
{
    // The rules before and after the write and the write itself are stored together or not
    // at all, and the rules see the row as stored.
    TDAODatabase::Transaction transaction(*m_database);
    const bool inserting = m_state == TDataSetState::Insert;
    runHandler(BeforePost);
    asDaoError([this] { writeRow(); });
    clearEditing();
    m_shown.clear();
    setState(TDataSetState::Browse);
    m_result->invalidate();
    readCurrent();
    m_bof = m_eof = false;
    runHandler(AfterPost);
    {
        const QScopedValueRollback told(m_postInserted, inserting);
        runRules(m_postRules, *this);
    }
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
        runRules(m_deleteRules, *this);
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

void TDAODataset::setFilter(const QString& value)
{
    m_filter = value;
}

void TDAODataset::setFiltered(bool value)
{
    m_filtered = value;
}
