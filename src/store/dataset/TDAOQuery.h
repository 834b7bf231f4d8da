#pragma once

#include "ChangeLog.h"
#include "FilterExpression.h"
#include "KeyWalk.h"
#include "TDAODataset.h"
#include "TParam.h"

#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class KeysetResult;
class TDataSource;
class TMasterDataLink;

// A dataset over an SQL text, with parameters, and optionally the detail of a master dataset:
// it runs again whenever the master's current row changes.
class TDAOQuery : public TDAODataset
{
public:
    explicit TDAOQuery(QString name);
    ~TDAOQuery() override;

    const QStringList& SQL() const { return m_sql; }
    // Replacing the text closes nothing; it takes effect at the next opening.
    void setSQL(const QStringList& lines);
    void clearSQL();
    void addSQL(const QString& line);

    TParams& Params() { return m_params; }
    const TParams& Params() const { return m_params; }
    TParam& ParamByName(const QString& name) { return m_params.ParamByName(name); }

    // The master's data source; parameters the program has not set follow its current row.
    TDataSource* DataSource() const { return m_masterSource; }
    void setDataSource(TDataSource* master);

    void setFilter(const QString& value) override;
    void setFiltered(bool value) override;
    bool Locate(const QString& keyFields, const QVariantList& values, TLocateOptions options) override;

    // Runs the detail again for the master's current row (closes and opens, notifications held back).
    void refreshFromMaster();

    // From this many rows on (as the highest key tells), a whole table in an order that no
    // index serves (a catalogue that could not be given its indexes, being read-only) is
    // sorted beside the program: the query opens at once on the rows it showed before, in
    // their old order, when they are the same rows (a new sort), and on none otherwise, and
    // shows the new order once it is read, on the first row, or on the row the user moved to
    // meanwhile. 0 (the default): the statement runs here, however long it takes.
    void setOrderBesideFrom(qint64 rows) { m_orderBesideFrom = rows; }
    // Whether the rows shown still wait for their order.
    bool OrderPending() const;
    // Waits for the order being read beside and shows it; returns at once when none is.
    void waitForOrder();
    // Told of an error met while taking in an order read beside (the rows shown then stay, and
    // the order is read again): the program shows it.
    std::function<void(TDAODataset&, const std::exception&)> OnOrderError;

protected:
    std::unique_ptr<ResultSet> openResult() override;
    void closeResult() override;
    void beforeRerun() override;

private:
    struct Plan;
    // What does not change from run to run of the same text and filter: the statement, its
    // columns, how keys are read. Detail queries run at every move of their master.
    Plan& plan();
    std::vector<QVariant> parameterValues(const Plan& plan) const;
    // The filter as a condition over the table, its markers numbered from `firstIndex`.
    FilterExpression::Result filterCondition(const Plan& plan, int firstIndex) const;
    std::unique_ptr<ResultSet> openWholeTable(Plan& plan, const std::vector<QVariant>& binds);
    struct ExtentSeen;
    // How many rows pass the walk's condition and the highest key among them: the count of the
    // last opening when nothing changed the table since it was taken, read again otherwise.
    KeyWalk::Extent extent(const Plan& plan, const ChangeLog::Mark& now);
    // Whether a filtered whole table is better walked along its order's index than read whole,
    // `passing` of its rows passing the filter.
    bool worthWalking(const Plan& plan, int passing);
    // The keys of the last run, brought up to date, when they can be.
    std::optional<std::vector<qint64>> keptKeys(Plan& plan, const std::vector<QVariant>& binds);
    // The ORDER BY that gives a search's matches in result order, when the result is in the
    // order of `column` and no row changed since it was read; empty otherwise.
    QString resultOrderFor(const QString& column) const;
    void takeParamsFromMaster();
    // Whether the whole table of `plan` is large enough to be sorted beside the program.
    bool sortedBeside(const Plan& plan);
    struct ShownRows;
    std::unique_ptr<ResultSet> openPreparing(Plan& plan, const std::vector<QVariant>& binds,
                                             std::vector<QVariant> keyBinds, const ChangeLog::Mark& mark,
                                             ShownRows shown);
    KeysetResult* preparingResult() const;
    void watchOrder();
    void checkOrder() noexcept;
    void showPreparedOrder(bool wait);

    QStringList m_sql;
    TParams m_params;
    TDataSource* m_masterSource = nullptr;
    std::unique_ptr<TMasterDataLink> m_masterLink;
    std::unique_ptr<Plan> m_plan;
    std::unique_ptr<ExtentSeen> m_extentSeen; // kept across plans: another order, the same rows

    // How often an order read beside is looked for: soon after it is there, at no cost.
    static constexpr int kOrderWatchInterval = 10;
    qint64 m_orderBesideFrom = 0;
    // The rows of the last result closed, in its order, for a new order of the same rows to
    // show meanwhile; with the moment from which they were the table's rows.
    struct ShownRows
    {
        bool valid = false;
        QString table;
        bool filtered = false;
        QString filter;
        std::vector<QVariant> binds;
        std::vector<qint64> keys;
        ChangeLog::Mark mark;
    } m_shownRows;
    ChangeLog::Mark m_rowsMark;           // when the open result's rows were the table's
    std::unique_ptr<QTimer> m_orderWatch; // looks for an order read beside, while one is
    bool m_showingOrder = false;
};
