#pragma once

#include "SideConnection.h"
#include "SqliteStatement.h"
#include "StatisticsChart.h"
#include "StatisticsFolder.h"
#include "StatisticsTotals.h"

#include <QString>
#include <QVariant>
#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Counts a folder's items for the statistics, every figure by SQL aggregates over the table's
// indexes (grouped along an index where a large folder has one), never by reading the items
// into the program. It works on a read-only connection of its own to the catalogue file, with
// the catalogue's text rules, so that it can run on a thread of its own while the program goes
// on with its connection. Errors are raised as EEngineError; a count stopped through the
// cancel flag raises too.
class CollectionCounter
{
public:
    static constexpr int kCategoryBars = 20; // more categories fold into "Other"
    static constexpr int kTopNames = 10;

    explicit CollectionCounter(const QString& cataloguePath);
    CollectionCounter(const CollectionCounter&) = delete;
    CollectionCounter& operator=(const CollectionCounter&) = delete;

    // Counts only the items of one category (compared as the catalogue compares text);
    // nothing: the whole folder.
    void setCategory(std::optional<QString> category) { m_category = std::move(category); }
    // While `*flag` is true, a count in progress stops at its next step. The flag may be set
    // from another thread.
    void setCancelFlag(const std::atomic_bool* flag) { m_cancel = flag; }

    StatisticsTotals totals(const StatisticsFolder& folder);
    StatisticsChart categories(const StatisticsFolder& folder);
    StatisticsChart decades(const StatisticsFolder& folder);
    StatisticsChart media(const StatisticsFolder& folder);
    StatisticsChart growth(const StatisticsFolder& folder);
    StatisticsChart people(const StatisticsFolder& folder, const StatisticsFolder::People& list);
    // A whole folder's cast (people of a detail table) counted in parts that counters of their
    // own can do at once: the names before and from the name in the middle of the cast, and the
    // names of items that are not there (gone, or not saved yet), which peopleChart() takes off.
    std::optional<QString> castMiddle(const StatisticsFolder::People& list);
    std::vector<StatisticsChart::Entry> castNames(const StatisticsFolder::People& list,
                                                  const std::optional<QString>& from,
                                                  const std::optional<QString>& before);
    std::map<std::u32string, qint64> castOfNoItem(const StatisticsFolder& folder, const StatisticsFolder::People& list);
    static StatisticsChart peopleChart(const StatisticsFolder::People& list, std::vector<StatisticsChart::Entry> names,
                                       const std::map<std::u32string, qint64>& gone);
    // The chart of that id ("categories", "decades", "media", "growth" or a list of people).
    StatisticsChart chart(const StatisticsFolder& folder, const QString& id);

    // Reads a playing time as the folder writes it ("105 min", "1:45", "45:30", "1:02:03");
    // nothing when it cannot be read.
    static std::optional<qint64> playingSeconds(const QString& text, StatisticsFolder::PlayingTime kind);

private:
    // A statement with the category, when there is one, bound to ?1.
    SqliteStatement query(const QString& sql) const;
    QString where(const QString& condition = QString(), const QString& column = QStringLiteral("Category")) const;
    // The keys that rows of `detailTable` point at and no item of `table` has.
    std::vector<QVariant> orphanKeys(const QString& table, const QString& detailTable);
    std::vector<StatisticsChart::Entry> monthsAlongTheIndex(const QString& table);
    void checkCancelled() const;
    static int progress(void* self);

    SideConnection m_connection;
    std::optional<QString> m_category;
    const std::atomic_bool* m_cancel = nullptr;
};
