#include "MessageRecorder.h"
#include "ProceduryWindows.h"
#include "SqliteStatement.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QTest>

class TestProcedury : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MessageService::setTitle(QStringLiteral("KOLT")); }

    void confirmDelete_data()
    {
        QTest::addColumn<bool>("empty");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("questions");
        QTest::addColumn<int>("moviesLeft");
        QTest::addColumn<int>("castLeft");
        QTest::addColumn<int>("current");
        QTest::newRow("No keeps the record and the position")
            << false << int(MessageService::Answer::No) << 1 << 3 << 2 << 1;
        QTest::newRow("Yes deletes it and its cast") << false << int(MessageService::Answer::Yes) << 1 << 2 << 1 << 1;
        QTest::newRow("empty asks nothing") << true << int(MessageService::Answer::Yes) << 0 << 0 << 0 << -1;
    }

    void confirmDelete()
    {
        QFETCH(bool, empty);
        QFETCH(int, answer);
        QFETCH(int, questions);
        QFETCH(int, moviesLeft);
        QFETCH(int, castLeft);
        QFETCH(int, current);
        TempCatalogue cat;
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        if (!empty)
            SqliteStatement::exec(dm.dbKOLT.handle(),
                                  QStringLiteral("insert into Movies (Category, Title, Media_type) values ('D', 'A', "
                                                 "'CD'), ('D', 'B', 'CD'), ('D', 'C', 'CD');"
                                                 "insert into Mv_Cast (P_Id, Name) values (2, 'b1'), (1, 'a1');"));
        dm.qrMovies.Open();
        if (!empty)
            dm.qrMovies.MoveTo(1); // "B"
        MessageRecorder rec;
        rec.answers = {MessageService::Answer(answer)};
        Procedury::ConfirmDelete(dm.qrMovies);
        QCOMPARE(rec.questions().size(), questions);
        if (questions) {
            QCOMPARE(rec.questions().front(), QStringLiteral("Delete item?"));
            QCOMPARE(rec.requests.front().caption, QStringLiteral("KOLT"));
        }
        QCOMPARE(dm.qrMovies.RecordCount(), moviesLeft);
        QCOMPARE(dm.qrMovies.RecNo(), current);
        SqliteStatement count(dm.dbKOLT.handle(), QStringLiteral("select count(*) from Mv_Cast"));
        count.step();
        QCOMPARE(int(count.columnInt64(0)), castLeft);
    }
};

QTEST_MAIN(TestProcedury)
#include "tst_procedury.moc"
