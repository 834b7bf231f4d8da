#pragma once

#include "TDataEvent.h"
#include "TField.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TDAODatabase;
class TDataSource;
class ResultSet;

enum class TDataSetState { Inactive, Browse, Edit, Insert, CalcFields };

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = int;

// A dataset over one engine result: a current row, typed fields, the states inactive, browse,
// edit and insert, and events around every operation. Events are plain handlers; an
// exception thrown by one aborts the operation exactly where it was raised.
class TDAODataset
{
public:
    using Handler = std::function<void(TDAODataset&)>;

    explicit TDAODataset(QString name);
    virtual ~TDAODataset();
    TDAODataset(const TDAODataset&) = delete;
    TDAODataset& operator=(const TDAODataset&) = delete;

    const QString& Name() const { return m_name; }
    TDAODatabase* Database() const { return m_database; }
    void setDatabase(TDAODatabase* database);

    // Fields. Declared fields are bound to the result's columns by name when the dataset
    // opens; without declarations every column gets a field of its own type.
    TField& AddField(const QString& name, TFieldType type, int size = 0, bool required = false);
    TField& AddCalcField(const QString& name, TFieldType type, int size = 0);
    const std::vector<std::unique_ptr<TField>>& Fields() const { return m_fields; }
    TField* FindField(const QString& name) const;
    TField& FieldByName(const QString& name) const;

    bool Active() const { return m_state != TDataSetState::Inactive; }
    void setActive(bool value);
    TDataSetState State() const { return m_state; }
    bool Modified() const { return m_modified; }
    // True when the result can be written (it comes from one table and carries its key).
    bool CanModify() const;

    void Open();
    void Close();
    // Runs the statement again with the filter off and starts on the first row, as closing and
    // opening would; but the dataset stays open and keeps the rows it shows when the new run
    // cannot be read (the error is raised), so a view never goes blank for a busy file.
    void Reread();
    void First();
    void Next();
    void Prior();
    void Last();
    // Makes row `index` (0-based, in result order) current.
    void MoveTo(int index);
    bool Eof() const { return m_eof; }
    bool Bof() const { return m_bof; }
    bool IsEmpty() const;
    // Rows reached so far (all of them: the keys are read when the dataset opens); -1 while
    // closed.
    int RecordCount() const;
    // 0-based position of the current row, -1 when there is none.
    int RecNo() const;

    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Leaves edit state: posts a modified row, cancels an unmodified one.
    void CheckBrowseMode();
    // Asks everything bound to store its pending input.
    void UpdateRecord();

    // Moves to the first row, in result order, whose fields (separated by ";") match the
    // values. Answers whether one was found; the current row stays otherwise.
    virtual bool Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options);

    const QString& Filter() const { return m_filter; }
    virtual void setFilter(const QString& value);
    bool Filtered() const { return m_filtered; }
    virtual void setFiltered(bool value);

    // Holding back notifications nests; the final release tells everything bound once.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // Events.
    Handler BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    Handler BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    Handler BeforePost, AfterPost, BeforeCancel, AfterCancel;
    Handler BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    Handler OnNewRecord, OnCalcFields;
    // Error notifications: they see the error before it is raised; they cannot swallow it.
    std::function<void(TDAODataset&, const std::exception&)> OnPostError, OnEditError, OnDeleteError;

    // Rules other parts of the program keep beside the record rules (a trash, an index, what
    // hangs on an item): they run inside the same transaction, a post's after AfterPost with
    // the row as stored, a delete's before BeforeDelete, while the rows that hang on the item
    // (a movie's cast) are still there, so that they are stored or undone with it. A rule that
    // raises undoes the change. `owner` names the rules for removeRules().
    void addPostRule(const void* owner, Handler rule);
    void addDeleteRule(const void* owner, Handler rule);
    void removeRules(const void* owner);
    // While a post's rules run: whether the post stored a new row (rather than changing one).
    bool PostInserted() const { return m_postInserted; }

    // For grids and other bound views: every row of the result, plus the pending new row in
    // insert state (always the last one).
    int RowCount() const;
    // Which run of the statement the rows come from: it changes when the dataset is opened or
    // its statement runs anew (a new order, a filter, a re-read), not when a row is posted,
    // cancelled or deleted.
    quint64 ResultSerial() const { return m_resultSerial; }
    int CurrentRow() const { return RecNo(); }
    QVariant rowValue(int row, const TField& field);
    // Why a row could not be read (a damaged page of the file): its values are then empty but
    // for its key, it matches no search and cannot be edited. Empty for a row that was read.
    QString rowError(int row);
    // Raises the error of the current row when it could not be read, with the engine's code.
    void checkReadable();
    // Whether the current row was deleted by another program since the result was read.
    bool RecordDeleted();
    bool rowIsNew(int row) const;

    // For fields, data sources and links.
    QVariant fieldValue(const TField& field) const;
    void checkWritable(const TField& field) const;
    void setFieldValue(const TField& field, const QVariant& value);
    void addDataSource(TDataSource* source);
    void removeDataSource(TDataSource* source);
    const std::vector<TDataSource*>& dataSources() const { return m_dataSources; }

    // Raises "<name>: <message>".
    [[noreturn]] void misuse(const QString& message) const;

    // For the connection: a transaction was rolled back, so rows read or added inside it may
    // be gone or different. Cached rows are dropped and added rows that are gone leave.
    void afterRollback() noexcept;
    // For the connection: `table` is about to be written; the result reads what it still has
    // to read of it.
    void tableAboutToChange(const QString& table);

protected:
    // Opens the engine result (subclasses build the statement).
    virtual std::unique_ptr<ResultSet> openResult() = 0;
    virtual void closeResult() { }
    // Before the statement runs again while the rows shown stay: what the shown result knows
    // may serve the new run.
    virtual void beforeRerun() { }
    // Re-runs the result with the same settings, keeping the dataset open (filter changes).
    void reopenResult();
    // The result now holds its rows in another order (read beside the program): the views start
    // again as after a new run, on the row with key `keep` when it is there, else on the first.
    void resultReordered(std::optional<qint64> keep);
    // Runs the statement again and binds the fields to the new result.
    void replaceResult();

    ResultSet* result() const { return m_result.get(); }
    void checkActive() const;
    static bool editing(TDataSetState s);
    void dataEvent(TDataEvent event, std::intptr_t info = 0);
    // Sets the current row and tells the bound views it moved.
    void setCurrent(int index, bool notify);
    void bindFields();
    void runHandler(const Handler& handler);

    QString m_filter;
    bool m_filtered = false;

private:
    struct OwnedRule
    {
        const void* owner;
        Handler rule;
    };
    static void runRules(const std::vector<OwnedRule>& rules, TDAODataset& dataSet);
    std::vector<OwnedRule> m_postRules;
    std::vector<OwnedRule> m_deleteRules;

    // The record as it was before a post, to be put back when the post is undone.
    struct PendingRow
    {
        const ResultSet* result = nullptr;
        int count = 0;
        TDataSetState state = TDataSetState::Inactive;
        int recNo = -1;
        int savedRecNo = -1;
        bool bof = true;
        bool eof = true;
        qint64 key = 0;
        std::vector<QVariant> values;
        std::vector<bool> assigned;
        bool modified = false;
    };
    PendingRow pendingRow() const;
    void restorePending(const PendingRow& pending) noexcept;
    // Refuses a post with a required field that is null, after giving its control the focus.
    void checkRequired();
    void writePost();
    void dropRolledBackKeys();
    void releaseQuietly();

    void setState(TDataSetState state);
    void readCurrent();
    // A freshly read result: no pending edit, its first row current.
    void startOnFirstRow();
    void calculate(std::vector<QVariant>& values);
    // Reads row `row` into `values` and answers why it could not be read (empty when it was).
    // Nothing of what `values` held before stays, even when the read fails.
    QString fillRow(int row, std::vector<QVariant>& values);
    void writeRow();
    void deleteRow();
    void clearEditing();
    bool hasCalcFields() const;
    void leaveEditState();
    TField& addField(const QString& name, TFieldType type, int size, bool required, TFieldKind kind);

    QString m_name;
    TDAODatabase* m_database = nullptr;
    std::vector<std::unique_ptr<TField>> m_fields;
    int m_declaredFields = 0; // fields beyond these were made from the result and go at close
    std::vector<TDataSource*> m_dataSources;
    std::unique_ptr<ResultSet> m_result;
    quint64 m_resultSerial = 0;

    TDataSetState m_state = TDataSetState::Inactive;
    int m_recNo = -1;
    int m_savedRecNo = -1; // the row current before an insert
    bool m_eof = true;
    bool m_bof = true;
    bool m_postInserted = false;
    int m_appendedFrom = 0; // rows from here on were added through the dataset, not read

    std::vector<QVariant> m_current; // values of the current row (data, then calculated)
    QString m_currentError;          // why the current row could not be read
    std::vector<QVariant>* m_active = &m_current;
    std::vector<bool> m_assigned; // fields written since edit or insert began
    bool m_modified = false;
    bool m_inNewRecord = false;

    int m_disableCount = 0;
    TDataSetState m_disableState = TDataSetState::Inactive;

    // Rows shown by views (with their calculated fields), until the result changes.
    struct ShownRow
    {
        std::vector<QVariant> values;
        QString error;
    };
    const ShownRow& shownRow(int row);
    QHash<int, ShownRow> m_shown;
};
