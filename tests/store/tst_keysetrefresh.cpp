#include "StoreFixture.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// What an order shows: the sort columns of every row, in result order. Two results in the
// right order show the same, whatever they did with ties.
QStringList shown(TDAODataset& ds, const QStringList& columns)
{
    QStringList out;
    for (int r = 0; r < ds.RowCount(); ++r) {
        QStringList parts;
        for (const QString& c : columns) {
            const QVariant v = ds.rowValue(r, ds.FieldByName(c));
            parts << (v.isNull() ? QStringLiteral("<null>") : v.toString().toCaseFolded());
        }
        out << parts.join(QLatin1Char('|'));
    }
    return out;
}

const QStringList kWords{"alpha", "Émile", "ÉMILE", "zebra", "Łódź", "lodz", "Bravo", "", "charlie", "Żółw"};

} // namespace

class TestKeysetRefresh : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void matchesAFreshRun_data()
    {
        QTest::addColumn<QString>("orderBy");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("title") << "Title" << QStringList{"Title"};
        QTest::newRow("title descending") << "Title DESC" << QStringList{"Title"};
        QTest::newRow("year then title") << "Year DESC, Title" << QStringList{"Year", "Title"};
        QTest::newRow("category then year") << "Category, Year" << QStringList{"Category", "Year"};
        QTest::newRow("media type") << "Media_type" << QStringList{"Media_type"};
    }

    void matchesAFreshRun()
    {
        QFETCH(QString, orderBy);
        QFETCH(QStringList, columns);
        StoreFixture f;
        QRandomGenerator rng(4242);
        auto word = [&] { return kWords[rng.bounded(int(kWords.size()))]; };
        auto text
            = [&](const QString& w) { return w.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(w); };
        for (int i = 0; i < 60; ++i)
            f.exec(QStringLiteral("insert into Movies (Category, Title, Year, Media_type) values (%1, %2, %3, 'CD')")
                       .arg(text(word()), text(word() + QLatin1Char(' ') + word()))
                       .arg(rng.bounded(5) == 0 ? QStringLiteral("NULL") : QString::number(1990 + rng.bounded(10))));

        const QStringList sql{QStringLiteral("select * from Movies order by ") + orderBy};
        auto kept = f.query(QStringLiteral("qrKept"), sql);
        kept->Open();
        for (int round = 0; round < 40; ++round) {
            // A few changes of every kind, through the layer and straight in SQL.
            const int what = rng.bounded(6);
            if (what == 0) {
                kept->Insert();
                kept->FieldByName(QStringLiteral("Title")).SetAsString(word() + QStringLiteral(" new"));
                kept->FieldByName(QStringLiteral("Category")).SetAsString(word());
                kept->Post();
            } else if (what == 1 && !kept->IsEmpty()) {
                kept->MoveTo(rng.bounded(kept->RecordCount()));
                kept->Edit();
                kept->FieldByName(QStringLiteral("Year")).SetAsInteger(1980 + rng.bounded(30));
                kept->FieldByName(QStringLiteral("Title")).SetAsString(word());
                kept->Post();
            } else if (what == 2 && !kept->IsEmpty()) {
                kept->MoveTo(rng.bounded(kept->RecordCount()));
                kept->Delete();
            } else if (what == 3) {
                f.exec(QStringLiteral("update Movies set Category = %1 where Id % 7 = %2")
                           .arg(text(word()))
                           .arg(rng.bounded(7)));
            } else if (what == 4) {
                f.exec(
                    QStringLiteral("delete from Movies where Id in (select Id from Movies order by random() limit 2)"));
            } else {
                f.exec(QStringLiteral("insert into Movies (Title, Year, Media_type) values (%1, NULL, 'DVD')")
                           .arg(text(word())));
            }
            kept->Close();
            kept->Open();
            auto fresh = f.query(QStringLiteral("qrFresh"), sql);
            fresh->Open();
            QCOMPARE(shown(*kept, columns), shown(*fresh, columns));
            // Equal rows come in key order both ways, so the rows themselves agree too.
            QCOMPARE(shown(*kept, {QStringLiteral("Id")}), shown(*fresh, {QStringLiteral("Id")}));
        }
    }

    void changesItCannotSeeMeanAFullRun()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into Books (Category, Title) values ('a', 'One'), ('a', 'Two')"));
        auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books order by Title")});
        q->Open();
        // A table emptied in one go does not pass through the change hook.
        f.exec(QStringLiteral("delete from Books"));
        q->Close();
        q->Open();
        QCOMPARE(q->RecordCount(), 0);

        // Another program writing the file.
        f.exec(QStringLiteral("insert into Books (Category, Title) values ('a', 'Three')"));
        q->Close();
        q->Open();
        TDAODatabase other;
        other.setDatabaseName(f.cat.path());
        other.setPassword(QStringLiteral("trobel72"));
        other.Open();
        SqliteStatement::exec(other.handle(),
                              QStringLiteral("insert into Books (Category, Title) values ('a', 'Four')"));
        q->Close();
        q->Open();
        QCOMPARE(q->RecordCount(), 2);
        QCOMPARE(shown(*q, {QStringLiteral("Title")}), (QStringList{"four", "three"}));
    }

    void editedRowKeepsItsPlaceAmongEquals()
    {
        StoreFixture f;
        f.exec(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('a', 'Alien', 'CD'), "
                              "('a', 'Alien', 'CD'), ('a', 'Alien', 'CD')"));
        const QStringList sql{QStringLiteral("select * from Movies order by Title")};
        auto q = f.query(QStringLiteral("qrMovies"), sql);
        q->Open();
        q->Edit();
        q->FieldByName(QStringLiteral("Year")).SetAsInteger(1979);
        q->Post();
        q->Close();
        q->Open();
        QCOMPARE(shown(*q, {QStringLiteral("Id")}), (QStringList{"1", "2", "3"}));
    }

    void aNewConnectionReadsTheTableAgain()
    {
        StoreFixture f;
        auto q = f.query(QStringLiteral("qrMovies"), {QStringLiteral("select * from Movies order by Title")});
        f.exec(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('a', 'Mine', 'CD')"));
        q->Open();
        QCOMPARE(q->RecordCount(), 1);
        f.db.Close();
        // Another program writes while this one is not connected.
        sqlite3* other = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(f.cat.path()).constData(), &other), SQLITE_OK);
        sqlite3_exec(other, "insert into Movies (Category, Title, Media_type) values ('a', 'Theirs', 'CD')", nullptr,
                     nullptr, nullptr);
        sqlite3_close(other);
        f.db.Open();
        f.exec(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('a', 'Mine again', 'CD')"));
        q->Open();
        QCOMPARE(q->RecordCount(), 3);
        QCOMPARE(shown(*q, {QStringLiteral("Title")}), (QStringList{"mine", "mine again", "theirs"}));
    }

    void manyChangesRunTheQueryAgain()
    {
        StoreFixture f;
        auto q = f.query(QStringLiteral("qrBooks"), {QStringLiteral("select * from Books order by Title DESC")});
        q->Open();
        f.exec(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < 600) "
                              "insert into Books (Category, Title) select 'c', printf('T%04d', i) from n"));
        q->Close();
        q->Open();
        QCOMPARE(q->RecordCount(), 600);
        QCOMPARE(q->FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("T0600"));
    }
};

QTEST_GUILESS_MAIN(TestKeysetRefresh)
#include "tst_keysetrefresh.moc"
