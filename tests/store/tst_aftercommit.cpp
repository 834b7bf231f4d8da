#include "TDAODatabase.h"
#include "TempCatalogue.h"

#include <QTest>

// Work kept for after the commit, and work that later work of its key replaces.
class TestAfterCommit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void replacedOnlyWhereBothStand_data();
    void replacedOnlyWhereBothStand();
};

void TestAfterCommit::replacedOnlyWhereBothStand_data()
{
    QTest::addColumn<bool>("innerCommitted");
    QTest::addColumn<QString>("ran");
    // Within one transaction: "a" is noted in a level committed into the outer one, "b" (no
    // key) and "c" (another key) beside it; then "r" replaces the work of key k in a level of
    // its own.
    QTest::newRow("replacing work committed") << true << QStringLiteral("b c r");
    // Undone, the replacing work leaves the work it would have replaced.
    QTest::newRow("replacing work undone") << false << QStringLiteral("a b c");
}

void TestAfterCommit::replacedOnlyWhereBothStand()
{
    QFETCH(bool, innerCommitted);
    QFETCH(QString, ran);
    TempCatalogue cat;
    TDAODatabase db;
    db.setDatabaseName(cat.path());
    db.setPassword(QStringLiteral("trobel72"));
    db.Open();
    QStringList done;
    const auto note = [&done](const char* what) { return [&done, what] { done << QLatin1String(what); }; };
    {
        TDAODatabase::Transaction outer(db);
        {
            TDAODatabase::Transaction level(db);
            db.afterCommit(note("a"), QStringLiteral("k"), false);
            db.afterCommit(note("b"));
            db.afterCommit(note("c"), QStringLiteral("other"), false);
            level.commit();
        }
        {
            TDAODatabase::Transaction level(db);
            db.afterCommit(note("r"), QStringLiteral("k"), true);
            // Before its level is committed, the earlier work still stands.
            if (innerCommitted)
                level.commit();
            else
                level.rollback();
        }
        outer.commit();
    }
    QVERIFY(done.isEmpty()); // nothing runs before it is asked to
    db.runAfterCommit();
    QCOMPARE(done.join(u' '), ran);
}

QTEST_GUILESS_MAIN(TestAfterCommit)
#include "tst_aftercommit.moc"
