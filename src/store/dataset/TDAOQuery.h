#pragma once

#include "ChangeLog.h"
#include "FilterExpression.h"
#include "KeyWalk.h"
#include "TDAODataset.h"
#include "TParam.h"

#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

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

    QStringList m_sql;
    TParams m_params;
    TDataSource* m_masterSource = nullptr;
    std::unique_ptr<TMasterDataLink> m_masterLink;
    std::unique_ptr<Plan> m_plan;
    std::unique_ptr<ExtentSeen> m_extentSeen; // kept across plans: another order, the same rows
};
