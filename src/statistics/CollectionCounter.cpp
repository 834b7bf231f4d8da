#include "CollectionCounter.h"

#include "EEngineError.h"
#include "SqlText.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "TextFold.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace {

const QString kNoCategory = QStringLiteral("(No category)");
const QString kNoMedia = QStringLiteral("(No media type)");
const QString kUnknownYear = QStringLiteral("Unknown");
const QString kOther = QStringLiteral("Other");

bool blank(const SqliteStatement& s, int column)
{
    return s.columnIsNull(column) || s.columnText(column).trimmed().isEmpty();
}

// Largest first; equal counts in the catalogue's order of their labels.
void sortByCount(std::vector<StatisticsChart::Entry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        if (a.value != b.value)
            return a.value > b.value;
        return TextFold::compare(a.label, b.label) < 0;
    });
}

} // namespace

CollectionCounter::CollectionCounter(const QString& cataloguePath)
{
    const QString path = QFileInfo(cataloguePath).absoluteFilePath();
    const int rc
        = sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw EEngineError(QStringLiteral("Could not open file '%1' (%2)").arg(path, message), rc);
    }
    SqliteFunctions::install(m_db);
    // The program's own connection may be writing at the same moment.
    sqlite3_busy_timeout(m_db, 5000);
    sqlite3_progress_handler(m_db, 2000, &CollectionCounter::progress, this);
}

CollectionCounter::~CollectionCounter()
{
    sqlite3_close_v2(m_db);
}

int CollectionCounter::progress(void* self)
{
    const auto* counter = static_cast<CollectionCounter*>(self);
    return counter->m_cancel && counter->m_cancel->load() ? 1 : 0;
}

QString CollectionCounter::where(const QString& condition, const QString& column) const
{
    QStringList parts;
    if (!condition.isEmpty())
        parts << condition;
    if (m_category)
        parts << column + QStringLiteral(" = ?1");
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

SqliteStatement CollectionCounter::query(const QString& sql) const
{
    SqliteStatement s(m_db, sql);
    if (m_category)
        s.bindText(1, *m_category);
    return s;
}

StatisticsTotals CollectionCounter::totals(const StatisticsFolder& folder)
{
    const QString table = SqlText::quoteIdentifier(folder.table);
    StatisticsTotals t;
    {
        SqliteStatement s = query(QStringLiteral("SELECT count(*) FROM %1%2").arg(table, where()));
        if (s.step())
            t.items = s.columnInt64(0);
    }
    {
        SqliteStatement s = query(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM %1%2 GROUP BY Category)")
                                      .arg(table, where(QStringLiteral("trim(Category) <> ''"))));
        if (s.step())
            t.categories = s.columnInt64(0);
    }
    if (folder.hasYear) {
        const QString title = SqlText::quoteIdentifier(folder.titleColumn);
        for (const bool first : {true, false}) {
            SqliteStatement s = query(QStringLiteral("SELECT %1, Year FROM %2%3 ORDER BY Year %4, Id %4 LIMIT 1")
                                          .arg(title, table, where(QStringLiteral("Year > 0")),
                                               first ? QStringLiteral("ASC") : QStringLiteral("DESC")));
            if (!s.step())
                continue;
            StatisticsTotals::Dated d{int(s.columnInt64(1)), s.columnText(0)};
            (first ? t.oldest : t.newest) = d;
        }
    }
    if (folder.playingTime != StatisticsFolder::PlayingTime::None) {
        t.hasPlayingTime = true;
        // Few distinct texts: each is read once and weighed by its count.
        SqliteStatement s = query(QStringLiteral("SELECT Tot_time, count(*) FROM %1%2 GROUP BY Tot_time COLLATE BINARY")
                                      .arg(table, where(QStringLiteral("Tot_time IS NOT NULL"))));
        while (s.step()) {
            const std::optional<qint64> seconds = playingSeconds(s.columnText(0), folder.playingTime);
            if (!seconds)
                continue;
            t.playingSeconds += *seconds * s.columnInt64(1);
            t.timedItems += s.columnInt64(1);
        }
    }
    return t;
}

StatisticsChart CollectionCounter::categories(const StatisticsFolder& folder)
{
    StatisticsChart chart = StatisticsChart::headed(QStringLiteral("categories"), QStringLiteral("Items per category"),
                                                    QStringLiteral("Category"), QStringLiteral("Items"),
                                                    StatisticsChart::Shape::HorizontalBars);

    // Grouped by the column's own collation: texts differing in letter case are one category.
    SqliteStatement s = query(QStringLiteral("SELECT min(Category), count(*) FROM %1%2 GROUP BY Category")
                                  .arg(SqlText::quoteIdentifier(folder.table), where()));
    std::vector<StatisticsChart::Entry> all;
    qint64 none = 0;
    while (s.step()) {
        if (blank(s, 0)) {
            none += s.columnInt64(1);
            continue;
        }
        const QString name = s.columnText(0);
        all.push_back({name, s.columnInt64(1), name});
    }
    if (none > 0)
        all.push_back({kNoCategory, none, QString()});
    sortByCount(all);
    if (all.size() > size_t(kCategoryBars)) {
        qint64 rest = 0;
        for (size_t i = kCategoryBars; i < all.size(); ++i)
            rest += all[i].value;
        all.resize(kCategoryBars);
        all.push_back({kOther, rest, QString()});
    }
    chart.entries = std::move(all);
    return chart;
}

StatisticsChart CollectionCounter::decades(const StatisticsFolder& folder)
{
    StatisticsChart chart
        = StatisticsChart::headed(QStringLiteral("decades"), QStringLiteral("Items per decade"),
                                  QStringLiteral("Decade"), QStringLiteral("Items"), StatisticsChart::Shape::Histogram);

    // Grouped by year along its index; the few groups are gathered into decades here.
    SqliteStatement s = query(QStringLiteral("SELECT Year, count(*) FROM %1%2 GROUP BY Year")
                                  .arg(SqlText::quoteIdentifier(folder.table), where()));
    std::map<qint64, qint64> perDecade;
    qint64 unknown = 0;
    while (s.step()) {
        const qint64 year = s.columnIsNull(0) ? 0 : s.columnInt64(0);
        if (year <= 0) {
            unknown += s.columnInt64(1);
            continue;
        }
        perDecade[year / 10 * 10] += s.columnInt64(1);
    }
    if (!perDecade.empty()) {
        // A histogram shows the empty decades between the first and the last too.
        for (qint64 d = perDecade.begin()->first; d <= perDecade.rbegin()->first; d += 10)
            chart.entries.push_back({QStringLiteral("%1s").arg(d), perDecade.count(d) ? perDecade[d] : 0, QString()});
    }
    if (unknown > 0)
        chart.entries.push_back({kUnknownYear, unknown, QString()});
    return chart;
}

StatisticsChart CollectionCounter::media(const StatisticsFolder& folder)
{
    StatisticsChart chart
        = StatisticsChart::headed(QStringLiteral("media"), QStringLiteral("Items per media type"),
                                  QStringLiteral("Media type"), QStringLiteral("Items"), StatisticsChart::Shape::Bars);

    SqliteStatement s = query(QStringLiteral("SELECT min(Media_type), count(*) FROM %1%2 GROUP BY Media_type")
                                  .arg(SqlText::quoteIdentifier(folder.table), where()));
    qint64 none = 0;
    while (s.step()) {
        if (blank(s, 0))
            none += s.columnInt64(1);
        else
            chart.entries.push_back({s.columnText(0), s.columnInt64(1), QString()});
    }
    if (none > 0)
        chart.entries.push_back({kNoMedia, none, QString()});
    sortByCount(chart.entries);
    return chart;
}

StatisticsChart CollectionCounter::growth(const StatisticsFolder& folder)
{
    StatisticsChart chart = StatisticsChart::headed(
        QStringLiteral("growth"), QStringLiteral("Growth of the collection"), QStringLiteral("Month acquired"),
        QStringLiteral("Items by then"), StatisticsChart::Shape::Line);

    // Dates are stored as "yyyy-MM-dd ..." texts: the first seven characters are the month.
    SqliteStatement s = query(QStringLiteral("SELECT substr(Date_aq, 1, 7) AS month, count(*) FROM %1%2 "
                                             "GROUP BY month ORDER BY month")
                                  .arg(SqlText::quoteIdentifier(folder.table),
                                       where(QStringLiteral("Date_aq GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]*'"))));
    qint64 total = 0;
    while (s.step()) {
        total += s.columnInt64(1);
        chart.entries.push_back({s.columnText(0), total, QString()});
    }
    return chart;
}

StatisticsChart CollectionCounter::people(const StatisticsFolder& folder, const StatisticsFolder::People& list)
{
    StatisticsChart chart = StatisticsChart::headed(list.id, list.title, QStringLiteral("Name"),
                                                    QStringLiteral("Items"), StatisticsChart::Shape::HorizontalBars);

    const QString table = SqlText::quoteIdentifier(folder.table);
    const QString column = SqlText::quoteIdentifier(list.column);
    QString sql;
    if (list.table.isEmpty()) {
        sql = QStringLiteral("SELECT min(%1), count(*) AS n FROM %2%3 GROUP BY %1 ORDER BY n DESC, %1 LIMIT %4")
                  .arg(column, table, where(QStringLiteral("trim(%1) <> ''").arg(column)))
                  .arg(kTopNames);
    } else {
        // A name listed twice for one item counts that item once; names of no item count
        // none. The items' keys are gathered once (along an index) rather than looked up in
        // the wide table for every name.
        sql = QStringLiteral("SELECT min(%1), count(DISTINCT P_Id) AS n FROM %2 WHERE trim(%1) <> '' "
                             "AND P_Id IN (SELECT Id FROM %3%4) GROUP BY %1 ORDER BY n DESC, %1 LIMIT %5")
                  .arg(column, SqlText::quoteIdentifier(list.table), table, where())
                  .arg(kTopNames);
    }
    SqliteStatement s = query(sql);
    while (s.step())
        chart.entries.push_back({s.columnText(0), s.columnInt64(1), QString()});
    return chart;
}

std::optional<qint64> CollectionCounter::playingSeconds(const QString& text, StatisticsFolder::PlayingTime kind)
{
    static const QRegularExpression minutes(QStringLiteral("^(\\d+)\\s*(?:min|mins|minutes|m)?\\.?$"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression hoursMinutes(QStringLiteral("^(\\d+)\\s*h\\s*(?:(\\d+)\\s*(?:min|m)?)?$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression twoParts(QStringLiteral("^(\\d+):(\\d{1,2})$"));
    static const QRegularExpression threeParts(QStringLiteral("^(\\d+):(\\d{1,2}):(\\d{1,2})$"));
    const QString t = text.trimmed();
    auto n = [](const QRegularExpressionMatch& m, int i) { return m.captured(i).toLongLong(); };
    if (const auto m = minutes.match(t); m.hasMatch())
        return n(m, 1) * 60;
    if (const auto m = hoursMinutes.match(t); m.hasMatch())
        return n(m, 1) * 3600 + n(m, 2) * 60;
    if (const auto m = threeParts.match(t); m.hasMatch())
        return n(m, 1) * 3600 + n(m, 2) * 60 + n(m, 3);
    if (const auto m = twoParts.match(t); m.hasMatch()) {
        if (kind == StatisticsFolder::PlayingTime::HoursMinutes)
            return n(m, 1) * 3600 + n(m, 2) * 60;
        return n(m, 1) * 60 + n(m, 2);
    }
    return std::nullopt;
}
