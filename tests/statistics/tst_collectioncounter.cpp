#include "CatalogueWriter.h"
#include "CollectionCounter.h"
#include "EEngineError.h"
#include "SqliteFunctions.h"
#include "SqliteStatement.h"
#include "StatisticsFolder.h"

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

    qint64 count(const QString& sql, const QVariantList& values = {})
    {
        SqliteStatement s(m_db, sql);
        for (int i = 0; i < values.size(); ++i)
            s.bind(i + 1, values[i]);
        return s.step() ? s.columnInt64(0) : -1;
    }
    const QString& path() const { return m_path; }

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
