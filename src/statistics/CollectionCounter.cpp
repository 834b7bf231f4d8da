#include "CollectionCounter.h"

#include "EEngineError.h"
#include "SqlText.h"
#include "SqliteStatement.h"
#include "TextFold.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <functional>
#include <map>
#include <set>
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

// What SQL's trim() leaves empty: nothing, or spaces only.
bool spacesOnly(const SqliteStatement& s, int column)
{
    if (s.columnIsNull(column))
        return true;
    const QString text = s.columnText(column);
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c == QLatin1Char(' '); });
}

bool byCountThenLabel(const StatisticsChart::Entry& a, const StatisticsChart::Entry& b)
{
    if (a.value != b.value)
        return a.value > b.value;
    return TextFold::compare(a.label, b.label) < 0;
}

// Largest first; equal counts in the catalogue's order of their labels.
void sortByCount(std::vector<StatisticsChart::Entry>& entries)
{
    std::stable_sort(entries.begin(), entries.end(), byCountThenLabel);
}

// The `n` largest, ordered as sortByCount() orders them. Only the entries that reach the n-th
// largest count are compared by their labels, which is what costs.
std::vector<StatisticsChart::Entry> largest(std::vector<StatisticsChart::Entry> all, size_t n)
{
    if (all.size() > n) {
        std::vector<qint64> counts;
        counts.reserve(all.size());
        for (const auto& e : all)
            counts.push_back(e.value);
        std::nth_element(counts.begin(), counts.begin() + qsizetype(n - 1), counts.end(), std::greater<>());
        const qint64 least = counts[n - 1];
        std::erase_if(all, [least](const StatisticsChart::Entry& e) { return e.value < least; });
    }
    sortByCount(all);
    if (all.size() > n)
        all.resize(n);
    return all;
}

// "yyyy-MM" of a stored date acquired, as GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]*' accepts it.
std::optional<QString> monthOf(const QString& text)
{
    if (text.size() < 7)
        return std::nullopt;
    for (int i = 0; i < 7; ++i) {
        const char16_t c = text[i].unicode();
        if (i == 4 ? c != u'-' : (c < u'0' || c > u'9'))
            return std::nullopt;
    }
    return text.left(7);
}

} // namespace

CollectionCounter::CollectionCounter(const QString& cataloguePath)
    : m_connection(QFileInfo(cataloguePath).absoluteFilePath(), SideConnection::Mode::ReadOnly)
{
    sqlite3* db = m_connection.handle();
    // The program's own connection may be writing at the same moment.
    sqlite3_busy_timeout(db, 5000);
    // The counts walk whole indexes once: read through the mapped file rather than copying
    // every page into the page cache first. The mapping goes with the connection.
    SqliteStatement::exec(db, QStringLiteral("PRAGMA mmap_size = 268435456; PRAGMA cache_size = -65536"));
    sqlite3_progress_handler(db, 2000, &CollectionCounter::progress, this);
}

int CollectionCounter::progress(void* self)
{
    const auto* counter = static_cast<CollectionCounter*>(self);
    return counter->m_cancel && counter->m_cancel->load() ? 1 : 0;
}

void CollectionCounter::checkCancelled() const
{
    if (m_cancel && m_cancel->load())
        throw EEngineError(QStringLiteral("interrupted"), SQLITE_INTERRUPT);
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
    SqliteStatement s(m_connection.handle(), sql);
    if (m_category)
        s.bindText(1, *m_category);
    return s;
}

StatisticsChart CollectionCounter::chart(const StatisticsFolder& folder, const QString& id)
{
    if (id == QLatin1String("categories"))
        return categories(folder);
    if (id == QLatin1String("decades"))
        return decades(folder);
    if (id == QLatin1String("media"))
        return media(folder);
    if (id == QLatin1String("growth"))
        return growth(folder);
    for (const StatisticsFolder::People& p : folder.people)
        if (p.id == id)
            return people(folder, p);
    return {};
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
        // Grouped along the category's index; blank ones are told apart here, once per group.
        SqliteStatement s = query(QStringLiteral("SELECT Category FROM %1%2 GROUP BY Category").arg(table, where()));
        while (s.step())
            if (!spacesOnly(s, 0))
                ++t.categories;
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

std::vector<StatisticsChart::Entry> CollectionCounter::monthsAlongTheIndex(const QString& table)
{
    // Every date that can pass begins with a digit; along an index of the dates the texts
    // between "0" and ":" are one range, grouped by the whole date (a few thousand days) and
    // gathered into months here.
    SqliteStatement s = query(QStringLiteral("SELECT Date_aq, count(*) FROM %1 WHERE Date_aq >= '0' AND "
                                             "Date_aq < ':' GROUP BY Date_aq")
                                  .arg(table));
    std::vector<StatisticsChart::Entry> months;
    while (s.step()) {
        const std::optional<QString> month = monthOf(s.columnText(0));
        if (!month)
            continue;
        if (months.empty() || months.back().label != *month)
            months.push_back({*month, 0, QString()});
        months.back().value += s.columnInt64(1);
    }
    return months;
}

StatisticsChart CollectionCounter::growth(const StatisticsFolder& folder)
{
    StatisticsChart chart = StatisticsChart::headed(
        QStringLiteral("growth"), QStringLiteral("Growth of the collection"), QStringLiteral("Month acquired"),
        QStringLiteral("Items by then"), StatisticsChart::Shape::Line);

    const QString table = SqlText::quoteIdentifier(folder.table);
    std::vector<StatisticsChart::Entry> months;
    if (m_category) {
        // Dates are stored as "yyyy-MM-dd ..." texts: the first seven characters are the month.
        SqliteStatement s = query(QStringLiteral("SELECT substr(Date_aq, 1, 7) AS month, count(*) FROM %1%2 "
                                                 "GROUP BY month ORDER BY month")
                                      .arg(table, where(QStringLiteral("Date_aq GLOB "
                                                                       "'[0-9][0-9][0-9][0-9]-[0-9][0-9]*'"))));
        while (s.step())
            months.push_back({s.columnText(0), s.columnInt64(1), QString()});
    } else {
        months = monthsAlongTheIndex(table);
    }
    qint64 total = 0;
    for (StatisticsChart::Entry& e : months) {
        total += e.value;
        e.value = total;
    }
    chart.entries = std::move(months);
    return chart;
}

std::vector<QVariant> CollectionCounter::orphanKeys(const QString& table, const QString& detailTable)
{
    // Both lists are read along narrow indexes and compared here: asking the table for every
    // key of the detail table would read its wide rows.
    std::vector<qint64> keys;
    {
        SqliteStatement s(m_connection.handle(), QStringLiteral("SELECT Id FROM %1").arg(table));
        while (s.step())
            keys.push_back(s.columnInt64(0));
    }
    checkCancelled();
    std::sort(keys.begin(), keys.end());
    std::vector<QVariant> orphans;
    // Along the index of the detail's keys (a condition here would have it sorted again).
    SqliteStatement s(m_connection.handle(), QStringLiteral("SELECT DISTINCT P_Id FROM %1").arg(detailTable));
    while (s.step()) {
        const int type = sqlite3_column_type(s.handle(), 0);
        if (type == SQLITE_NULL)
            continue;
        // A key that is no whole number (a text another program wrote) belongs to no item.
        if (type != SQLITE_INTEGER || !std::binary_search(keys.begin(), keys.end(), s.columnInt64(0)))
            orphans.push_back(s.column(0));
    }
    return orphans;
}

std::optional<QString> CollectionCounter::castMiddle(const StatisticsFolder::People& list)
{
    const QString column = SqlText::quoteIdentifier(list.column);
    const QString detailTable = SqlText::quoteIdentifier(list.table);
    SqliteStatement count(m_connection.handle(), QStringLiteral("SELECT count(*) FROM %1").arg(detailTable));
    const qint64 rows = count.step() ? count.columnInt64(0) : 0;
    SqliteStatement s(m_connection.handle(),
                      QStringLiteral("SELECT %1 FROM %2 WHERE %1 IS NOT NULL ORDER BY %1 LIMIT 1 OFFSET ?1")
                          .arg(column, detailTable));
    s.bindInt64(1, rows / 2);
    if (!s.step())
        return std::nullopt;
    return s.columnText(0);
}

std::vector<StatisticsChart::Entry> CollectionCounter::castNames(const StatisticsFolder::People& list,
                                                                 const std::optional<QString>& from,
                                                                 const std::optional<QString>& before)
{
    // Along the index of (name, item): each name's items, a name listed twice for one item
    // counted once, including items that are gone or not saved yet. A range of names holds
    // every spelling of each, as the collation bounds it.
    const QString column = SqlText::quoteIdentifier(list.column);
    QStringList range;
    if (from)
        range << column + QStringLiteral(" >= ?1");
    if (before)
        range << column + QStringLiteral(" < ?2");
    SqliteStatement s(
        m_connection.handle(),
        QStringLiteral("SELECT %1, count(DISTINCT P_Id) FROM %2%3 GROUP BY %1")
            .arg(column, SqlText::quoteIdentifier(list.table),
                 range.isEmpty() ? QString() : QStringLiteral(" WHERE ") + range.join(QStringLiteral(" AND "))));
    if (from)
        s.bindText(1, *from);
    if (before)
        s.bindText(2, *before);
    std::vector<StatisticsChart::Entry> names;
    while (s.step())
        if (!spacesOnly(s, 0))
            names.push_back({s.columnText(0), s.columnInt64(1), QString()});
    return names;
}

std::map<std::u32string, qint64> CollectionCounter::castOfNoItem(const StatisticsFolder& folder,
                                                                 const StatisticsFolder::People& list)
{
    const QString column = SqlText::quoteIdentifier(list.column);
    const QString detailTable = SqlText::quoteIdentifier(list.table);
    const std::vector<QVariant> orphans = orphanKeys(SqlText::quoteIdentifier(folder.table), detailTable);
    std::map<std::u32string, qint64> gone;
    SqliteStatement s(m_connection.handle(),
                      QStringLiteral("SELECT %1 FROM %2 WHERE P_Id = ?1 AND %1 IS NOT NULL").arg(column, detailTable));
    for (const QVariant& key : orphans) {
        s.bind(1, key);
        // Each name once per item, as it was counted.
        std::set<std::u32string> names;
        while (s.step())
            names.insert(TextFold::equalityKey(s.columnText(0)));
        s.reset();
        for (const std::u32string& name : names)
            ++gone[name];
    }
    return gone;
}

StatisticsChart CollectionCounter::peopleChart(const StatisticsFolder::People& list,
                                               std::vector<StatisticsChart::Entry> names,
                                               const std::map<std::u32string, qint64>& gone)
{
    StatisticsChart chart = StatisticsChart::headed(list.id, list.title, QStringLiteral("Name"),
                                                    QStringLiteral("Items"), StatisticsChart::Shape::HorizontalBars);
    // Those counted for items that are not there are taken off again, matched as the
    // catalogue compares names.
    if (!gone.empty()) {
        for (StatisticsChart::Entry& e : names)
            if (const auto found = gone.find(TextFold::equalityKey(e.label)); found != gone.end())
                e.value -= found->second;
        std::erase_if(names, [](const StatisticsChart::Entry& e) { return e.value <= 0; });
    }
    chart.entries = largest(std::move(names), kTopNames);
    return chart;
}

StatisticsChart CollectionCounter::people(const StatisticsFolder& folder, const StatisticsFolder::People& list)
{
    if (!list.table.isEmpty() && !m_category)
        return peopleChart(list, castNames(list, std::nullopt, std::nullopt), castOfNoItem(folder, list));

    const QString table = SqlText::quoteIdentifier(folder.table);
    const QString column = SqlText::quoteIdentifier(list.column);
    QString sql;
    if (list.table.isEmpty()) {
        // Grouped along the column's index where the folder has one.
        sql = QStringLiteral("SELECT %1, count(*) FROM %2%3 GROUP BY %1").arg(column, table, where());
    } else {
        // A name listed twice for one item counts that item once; names of no item of the
        // category count none.
        sql = QStringLiteral("SELECT %1, count(DISTINCT P_Id) FROM %2 WHERE P_Id IN (SELECT Id FROM %3%4) "
                             "GROUP BY %1")
                  .arg(column, SqlText::quoteIdentifier(list.table), table, where());
    }
    SqliteStatement s = query(sql);
    std::vector<StatisticsChart::Entry> names;
    while (s.step())
        if (!spacesOnly(s, 0))
            names.push_back({s.columnText(0), s.columnInt64(1), QString()});
    return peopleChart(list, std::move(names), {});
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
