#include "CatalogueFile.h"
#include "CatalogueWriter.h"
#include "CollectionCounter.h"
#include "ColumnText.h"
#include "EEngineError.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "StatisticsFolder.h"
#include "TextFold.h"

#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

const StatisticsFolder& movies()
{
    return StatisticsFolder::all()[0];
}

// A catalogue filled by `sql`, with a connection of the test's own (the catalogue's text
// rules installed) to ask it the same questions directly.
class Fixture
{
public:
    explicit Fixture(const QString& sql)
    {
        m_path = m_dir.filePath(QStringLiteral("koltDB.mdb"));
        CatalogueWriter::create(m_path);
        sqlite3_open_v2(m_path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
        SqliteFunctions::install(m_db);
        SqliteStatement::exec(m_db, sql);
    }
    ~Fixture() { sqlite3_close_v2(m_db); }

    // The indexes a large folder gets, whatever its size here, so that the counts go along them.
    void indexAsLarge()
    {
        for (const CatalogueFile::LargeTableIndex& index : CatalogueFile::largeTableIndexes())
            SqliteStatement::exec(
                m_db, QStringLiteral("CREATE INDEX \"%1\" ON %2 (%3)").arg(index.name, index.table, index.columns));
    }

    // The rows of `sql` as "label=count", the label in the catalogue's folded form.
    QStringList rows(const QString& sql)
    {
        SqliteStatement s(m_db, sql);
        QStringList out;
        while (s.step())
            out << QStringLiteral("%1=%2").arg(folded(s.columnText(0))).arg(s.columnInt64(1));
        return out;
    }
    static QString folded(const QString& text)
    {
        const std::u32string key = TextFold::equalityKey(text);
        return QString::fromUcs4(key.data(), qsizetype(key.size()));
    }

    qint64 count(const QString& sql, const QVariantList& values = {})
    {
        SqliteStatement s(m_db, sql);
        for (int i = 0; i < values.size(); ++i)
            s.bind(i + 1, values[i]);
        return s.step() ? s.columnInt64(0) : -1;
    }
    const QString& path() const { return m_path; }
    QStringList column(const QString& sql) { return columnText(m_db, sql); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    sqlite3* m_db = nullptr;
};

QString labels(const StatisticsChart& chart)
{
    QStringList out;
    for (const auto& e : chart.entries)
        out << QStringLiteral("%1=%2").arg(e.label).arg(e.value);
    return out.join(QLatin1Char(' '));
}

const QString kMovies = QStringLiteral(
    "INSERT INTO Movies (Category, Title, Year, Media_type, Director, Tot_time, Date_aq) VALUES "
    "('Drama', 'A', 1931, 'DVD', 'Lang', '1:30', '2001-03-05 00:00:00'),"
    "('drama', 'B', 1939, 'dvd', 'lang', '90 min', '2001-03-20 00:00:00'),"
    "('DRAMA', 'C', 1955, 'VHS', 'Ford', 'long', '2002-01-01 00:00:00'),"
    "('Ärzte', 'D', NULL, NULL, '', NULL, NULL),"
    "('ärzte', 'E', 0, '', NULL, '', '2001-03-01'),"
    "('Arzte', 'F', 1999, 'CD', 'Ford', '100', 'not a date'),"
    "(NULL, 'G', 2020, 'CD', 'Ford', '2:00', '2003-07-07 00:00:00'),"
    "('  ', 'H', 2021, 'CD', NULL, NULL, NULL);"
    "INSERT INTO Movies_C (Name) VALUES ('Western'), ('Drama');"
    "INSERT INTO Mv_Cast (P_Id, Name) VALUES (1, 'Kim'), (1, 'kim'), (2, 'Kim'), (3, 'Lee'), (0, 'Lee'), (0, 'Lee'),"
    "(0, 'Lee'), (4, ''), (99, 'Lee');");

QStringList foldedEntries(const StatisticsChart& chart)
{
    QStringList out;
    for (const auto& e : chart.entries)
        out << QStringLiteral("%1=%2").arg(Fixture::folded(e.label)).arg(e.value);
    return out;
}

// Movies with the spellings, blanks, gaps and strays a catalogue gathers: cast rows of movies
// that are gone (99, 11) or not saved yet (0), one name twice on a movie in two spellings, a
// name only on gone movies, names equal but for case in several scripts, keys that are no
// number, dates with times, cut short or of another kind, and playing times that differ only
// in their bytes.
const QString kStrays = QStringLiteral(
    "INSERT INTO Movies (Id, Category, Title, Year, Media_type, Director, Tot_time, Date_aq) VALUES "
    "(1, 'Drama', 'A', 1931, 'DVD', 'Lang', '1:30', '2001-03-05 00:00:00'),"
    "(2, 'drama', 'B', 1939, 'dvd', 'lang', '90 min', '2001-03-20 00:00:00'),"
    "(3, 'DRAMA', 'C', 1955, 'VHS', 'Ford', 'long', '2002-01-01 00:00:00'),"
    "(4, 'Ärzte', 'D', NULL, NULL, '', NULL, NULL),"
    "(5, 'ärzte', 'E', 0, '', '  ', '', '2001-03-01'),"
    "(6, 'Arzte', 'F', 1999, 'CD', 'Ford', '100', 'not a date'),"
    "(7, NULL, 'G', 2020, 'CD', 'Émile', '2:00', '2003-07-07 12:30:00'),"
    "(8, '  ', 'H', 2021, 'CD', 'ÉMILE', NULL, '2003-7-07'),"
    "(9, 'Western', 'I', 1960, 'VHS', 'Emile', '1:45', 2003),"
    "(10, 'western', 'J', 1961, 'VHS', NULL, '1:45', '20030707'),"
    "(12, 'Western', 'K', 1962, 'vhs', 'Ford', '1:45 ', '2003-07');"
    "INSERT INTO Mv_Cast (P_Id, Name) VALUES (1, 'Kim'), (1, 'kim'), (2, 'Kim'), (3, 'Lee'), (0, 'Lee'),"
    "(0, 'Lee'), (0, 'Lee'), (4, ''), (4, '  '), (4, NULL), (99, 'Lee'), (99, 'KIM'), (11, 'Orphan Only'),"
    "(7, 'Émile Zola'), (8, 'ÉMILE ZOLA'), (9, 'Emile Zola'), (99, 'émile zola'), (10, 'Żółw'), (12, 'ŻÓŁW'),"
    "('abc', 'Żółw'), (NULL, 'Kim'), (12, 'Lee'), (9, 'lee');");

} // namespace

class TestCollectionCounter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void categoriesGroupAsTheCatalogueCompares()
    {
        Fixture f(kMovies);
        CollectionCounter counter(f.path());
        const StatisticsChart chart = counter.categories(movies());
        // Letter case folds together, accents do not; blank and missing categories are one
        // bucket; a category of the list that no item has is no bar.
        QCOMPARE(labels(chart).replace(QStringLiteral("DRAMA"), QStringLiteral("Drama")),
                 QStringLiteral("Drama=3 (No category)=2 Ärzte=2 Arzte=1"));
        for (const auto& e : chart.entries) {
            if (e.category.isEmpty())
                QCOMPARE(e.value, f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE trim(Category) = '' "
                                                         "OR Category IS NULL")));
            else
                QCOMPARE(e.value,
                         f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Category = ?1"), {e.category}));
        }
    }

    void categoriesBeyondTwentyFoldIntoOther_data()
    {
        QTest::addColumn<int>("categories");
        QTest::addColumn<int>("bars");
        QTest::addColumn<qint64>("other");
        QTest::newRow("twenty") << 20 << 20 << qint64(-1);
        QTest::newRow("twenty-one") << 21 << 21 << qint64(1);
        QTest::newRow("twenty-five") << 25 << 21 << qint64(1 + 2 + 3 + 4 + 5);
    }
    void categoriesBeyondTwentyFoldIntoOther()
    {
        QFETCH(int, categories);
        QFETCH(int, bars);
        QFETCH(qint64, other);
        // Category k holds k items: the smallest are folded.
        QString sql = QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < %1) "
                                     "INSERT INTO Movies (Category, Title) SELECT 'C' || a.k, 'T' FROM n AS a, n AS b "
                                     "WHERE b.k <= a.k")
                          .arg(categories);
        Fixture f(sql);
        const StatisticsChart chart = CollectionCounter(f.path()).categories(movies());
        QCOMPARE(int(chart.entries.size()), bars);
        QCOMPARE(chart.entries.front().label, QStringLiteral("C%1").arg(categories));
        QCOMPARE(chart.entries.front().value, qint64(categories));
        if (other < 0) {
            QVERIFY(chart.entries.back().label != QLatin1String("Other"));
            return;
        }
        QCOMPARE(chart.entries.back().label, QStringLiteral("Other"));
        QVERIFY(chart.entries.back().category.isEmpty());
        QCOMPARE(chart.entries.back().value, other);
        qint64 sum = 0;
        for (const auto& e : chart.entries)
            sum += e.value;
        QCOMPARE(sum, f.count(QStringLiteral("SELECT count(*) FROM Movies")));
    }

    void decadesMediaGrowthAndPeople()
    {
        Fixture f(kMovies);
        CollectionCounter counter(f.path());
        const StatisticsChart decades = counter.decades(movies());
        // Empty decades between the first and the last are shown; no year, or 0, is "Unknown".
        QCOMPARE(decades.entries.size(), size_t(10) + 1);
        for (const auto& e : decades.entries) {
            if (e.label == QLatin1String("Unknown")) {
                QCOMPARE(e.value,
                         f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Year IS NULL OR Year <= 0")));
                continue;
            }
            const int start = e.label.chopped(1).toInt();
            QCOMPARE(e.value,
                     f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Year BETWEEN ?1 AND ?1 + 9"), {start}));
        }
        QCOMPARE(decades.entries.front().label, QStringLiteral("1930s"));
        QCOMPARE(decades.entries.back().value, 2);

        const StatisticsChart media = counter.media(movies());
        QCOMPARE(labels(media).toLower(), QStringLiteral("cd=3 (no media type)=2 dvd=2 vhs=1"));

        const StatisticsChart growth = counter.growth(movies());
        QCOMPARE(labels(growth), QStringLiteral("2001-03=3 2002-01=4 2003-07=5"));
        for (const auto& e : growth.entries)
            QCOMPARE(e.value, f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Date_aq GLOB '[0-9]*' "
                                                     "AND substr(Date_aq, 1, 7) <= ?1"),
                                      {e.label}));

        // A name twice on one movie counts it once; names of no movie (P_Id 0, gone) count none.
        QCOMPARE(labels(counter.people(movies(), movies().people[0])).toLower(), QStringLiteral("kim=2 lee=1"));
        QCOMPARE(labels(counter.people(movies(), movies().people[1])).toLower(), QStringLiteral("ford=3 lang=2"));
    }

    // Every chart as SQL run straight on the fixture counts it, whether the counts go along the
    // indexes of a large folder or not.
    void everyChartAsSqlCountsIt_data()
    {
        QTest::addColumn<bool>("indexed");
        QTest::newRow("small folder") << false;
        QTest::newRow("large folder's indexes") << true;
    }
    void everyChartAsSqlCountsIt()
    {
        QFETCH(bool, indexed);
        Fixture f(kStrays);
        if (indexed)
            f.indexAsLarge();
        CollectionCounter counter(f.path());

        // A name twice on one movie counts it once; names of no movie (gone, not saved yet, a
        // key that is no number) count none, however they are spelled.
        const StatisticsChart actors = counter.people(movies(), movies().people[0]);
        QCOMPARE(
            foldedEntries(actors),
            f.rows(QStringLiteral("SELECT min(Name), count(DISTINCT P_Id) AS n FROM Mv_Cast WHERE trim(Name) <> '' "
                                  "AND P_Id IN (SELECT Id FROM Movies) GROUP BY Name ORDER BY n DESC, Name "
                                  "LIMIT 10")));
        QCOMPARE(foldedEntries(actors).join(QLatin1Char(' ')),
                 Fixture::folded(QStringLiteral("lee=3 émile zola=2 kim=2 żółw=2 emile zola=1")));
        QCOMPARE(foldedEntries(counter.people(movies(), movies().people[1])),
                 f.rows(QStringLiteral("SELECT min(Director), count(*) AS n FROM Movies WHERE trim(Director) <> '' "
                                       "GROUP BY Director ORDER BY n DESC, Director LIMIT 10")));

        const StatisticsChart growth = counter.growth(movies());
        QCOMPARE(labels(growth), QStringLiteral("2001-03=3 2002-01=4 2003-07=6"));
        for (const auto& e : growth.entries)
            QCOMPARE(e.value,
                     f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Date_aq GLOB "
                                            "'[0-9][0-9][0-9][0-9]-[0-9][0-9]*' AND substr(Date_aq, 1, 7) <= ?1"),
                             {e.label}));

        const StatisticsTotals t = counter.totals(movies());
        QCOMPARE(t.items, f.count(QStringLiteral("SELECT count(*) FROM Movies")));
        QCOMPARE(t.categories, f.count(QStringLiteral("SELECT count(*) FROM (SELECT 1 FROM Movies WHERE "
                                                      "trim(Category) <> '' GROUP BY Category)")));
        QCOMPARE(t.categories, 4); // drama, ärzte, arzte, western
        QCOMPARE(t.oldest->title, QStringLiteral("A"));
        QCOMPARE(t.newest->title, QStringLiteral("H"));
        // 1:30, 90 min, 100, 2:00 and three times 1:45 (one with a space after it).
        QCOMPARE(t.timedItems, 7);
        QCOMPARE(t.playingSeconds, qint64((90 + 90 + 100 + 120 + 3 * 105) * 60));

        const StatisticsChart categories = counter.categories(movies());
        qint64 sum = 0;
        for (const auto& e : categories.entries) {
            sum += e.value;
            if (!e.category.isEmpty())
                QCOMPARE(e.value,
                         f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Category = ?1"), {e.category}));
        }
        QCOMPARE(sum, t.items);
        const StatisticsChart media = counter.media(movies());
        QCOMPARE(labels(media).toLower(), QStringLiteral("vhs=4 cd=3 (no media type)=2 dvd=2"));
        const StatisticsChart decades = counter.decades(movies());
        for (const auto& e : decades.entries) {
            if (e.label != QLatin1String("Unknown"))
                QCOMPARE(e.value,
                         f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Year BETWEEN ?1 AND ?1 + 9"),
                                 {e.label.chopped(1).toInt()}));
        }
    }

    // A cast counted in two halves and the names of no item, split at any name, gives the
    // chart counted whole: every spelling of a name falls in one half.
    void aCastInPartsCountsAsWhole()
    {
        Fixture f(kStrays);
        f.indexAsLarge();
        CollectionCounter counter(f.path());
        const StatisticsFolder::People& actors = movies().people[0];
        const QStringList whole = foldedEntries(counter.people(movies(), actors));
        const std::map<std::u32string, qint64> gone = counter.castOfNoItem(movies(), actors);
        QVERIFY(!gone.empty());
        std::vector<std::optional<QString>> middles{std::nullopt, counter.castMiddle(actors)};
        for (const QString& name : f.column(QStringLiteral("SELECT DISTINCT Name FROM Mv_Cast")))
            middles.push_back(name);
        for (const std::optional<QString>& middle : middles) {
            std::vector<StatisticsChart::Entry> names = counter.castNames(actors, std::nullopt, middle);
            if (middle) {
                const std::vector<StatisticsChart::Entry> second = counter.castNames(actors, middle, std::nullopt);
                names.insert(names.end(), second.begin(), second.end());
            }
            QCOMPARE(foldedEntries(CollectionCounter::peopleChart(actors, names, gone)), whole);
        }
    }

    // Only the items shown: the category's items, along its index or not.
    void aCategoryOfStraysCountsOnlyItsItems_data() { everyChartAsSqlCountsIt_data(); }
    void aCategoryOfStraysCountsOnlyItsItems()
    {
        QFETCH(bool, indexed);
        Fixture f(kStrays);
        if (indexed)
            f.indexAsLarge();
        CollectionCounter counter(f.path());
        counter.setCategory(QStringLiteral("WESTERN"));
        QCOMPARE(
            foldedEntries(counter.people(movies(), movies().people[0])),
            f.rows(QStringLiteral("SELECT min(Name), count(DISTINCT P_Id) AS n FROM Mv_Cast WHERE trim(Name) <> '' "
                                  "AND P_Id IN (SELECT Id FROM Movies WHERE Category = 'western') GROUP BY Name "
                                  "ORDER BY n DESC, Name LIMIT 10")));
        QCOMPARE(labels(counter.growth(movies())), QStringLiteral("2003-07=1"));
        QCOMPARE(counter.totals(movies()).items, 3);
    }

    void topNamesStopAtTen()
    {
        Fixture f(QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 12) "
                                 "INSERT INTO Music (Artist, Title) SELECT 'A' || a.k, 'T' FROM n AS a, n AS b "
                                 "WHERE b.k <= a.k"));
        const StatisticsFolder& music = StatisticsFolder::all()[1];
        const StatisticsChart top = CollectionCounter(f.path()).people(music, music.people[0]);
        QCOMPARE(int(top.entries.size()), CollectionCounter::kTopNames);
        QCOMPARE(top.entries.front().label, QStringLiteral("A12"));
        QCOMPARE(top.entries.back().label, QStringLiteral("A3"));
    }

    void aCategoryCountsOnlyItsItems()
    {
        Fixture f(kMovies);
        CollectionCounter counter(f.path());
        counter.setCategory(QStringLiteral("dRaMa"));
        const StatisticsTotals t = counter.totals(movies());
        QCOMPARE(t.items, f.count(QStringLiteral("SELECT count(*) FROM Movies WHERE Category = 'drama'")));
        QCOMPARE(t.categories, 1);
        QCOMPARE(labels(counter.categories(movies())).toLower(), QStringLiteral("drama=3"));
        QCOMPARE(labels(counter.people(movies(), movies().people[0])).toLower(), QStringLiteral("kim=2 lee=1"));
        QCOMPARE(labels(counter.growth(movies())), QStringLiteral("2001-03=2 2002-01=3"));
        QCOMPARE(t.oldest->title, QStringLiteral("A"));
        QCOMPARE(t.newest->title, QStringLiteral("C"));
    }

    void totals()
    {
        Fixture f(kMovies);
        const StatisticsTotals t = CollectionCounter(f.path()).totals(movies());
        QCOMPARE(t.items, 8);
        QCOMPARE(t.categories, 3); // drama, ärzte, arzte
        QCOMPARE(t.oldest->year, 1931);
        QCOMPARE(t.newest->year, 2021);
        // 1:30 + 90 min + 100 + 2:00 (hours and minutes for movies); "long" is unknown.
        QCOMPARE(t.timedItems, 4);
        QCOMPARE(t.playingSeconds, qint64((90 + 90 + 100 + 120) * 60));
        QVERIFY(t.text().contains(QStringLiteral("8 items in 3 categories")));
        QVERIFY(t.text().contains(QStringLiteral("6 hours 40 minutes")));
    }

    void playingTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("music");
        QTest::addColumn<qint64>("seconds"); // -1: unreadable
        QTest::newRow("minutes") << "105 min" << false << qint64(105 * 60);
        QTest::newRow("bare number") << " 95 " << true << qint64(95 * 60);
        QTest::newRow("movie h:mm") << "1:45" << false << qint64(105 * 60);
        QTest::newRow("album m:ss") << "45:30" << true << qint64(45 * 60 + 30);
        QTest::newRow("h:mm:ss") << "1:02:03" << true << qint64(3723);
        QTest::newRow("hours and minutes") << "2h 5m" << false << qint64(125 * 60);
        QTest::newRow("words") << "about an hour" << false << qint64(-1);
        QTest::newRow("empty") << "" << false << qint64(-1);
    }
    void playingTimes()
    {
        QFETCH(QString, text);
        QFETCH(bool, music);
        QFETCH(qint64, seconds);
        const auto kind
            = music ? StatisticsFolder::PlayingTime::MinutesSeconds : StatisticsFolder::PlayingTime::HoursMinutes;
        const std::optional<qint64> read = CollectionCounter::playingSeconds(text, kind);
        QCOMPARE(read.value_or(-1), seconds);
    }

    void aCancelledCountStops()
    {
        Fixture f(QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < 5000) "
                                 "INSERT INTO Movies (Category, Title) SELECT 'C' || (k % 7), 'T' FROM n"));
        CollectionCounter counter(f.path());
        std::atomic_bool cancel{false};
        counter.setCancelFlag(&cancel);
        QCOMPARE(counter.totals(movies()).items, 5000);
        cancel = true;
        QVERIFY_THROWS_EXCEPTION(EEngineError, counter.totals(movies()));
    }

    void aMissingFileIsReported()
    {
        QTemporaryDir dir;
        QVERIFY_THROWS_EXCEPTION(EEngineError, CollectionCounter(dir.filePath(QStringLiteral("none.mdb"))));
    }
};

QTEST_GUILESS_MAIN(TestCollectionCounter)
#include "tst_collectioncounter.moc"
