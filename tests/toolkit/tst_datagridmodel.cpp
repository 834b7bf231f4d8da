#include "BoundFixture.h"
#include "DataGridModel.h"
#include "TField.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <functional>

// The grid's model tells its view what changed: a row edited, added or taken away, not a reset
// that would lose the view's place and repaint everything.
class TestDataGridModel : public QObject
{
    Q_OBJECT

private:
    struct Spies
    {
        explicit Spies(DataGridModel& model)
            : resets(&model, &QAbstractItemModel::modelReset)
            , inserted(&model, &QAbstractItemModel::rowsInserted)
            , removed(&model, &QAbstractItemModel::rowsRemoved)
            , changed(&model, &QAbstractItemModel::dataChanged)
        {
        }
        QSignalSpy resets, inserted, removed, changed;
    };

    static QStringList titles(const DataGridModel& model)
    {
        QStringList out;
        for (int row = 0; row < model.rowCount(); ++row)
            out << model.data(model.index(row, 0), Qt::DisplayRole).toString();
        return out;
    }

private Q_SLOTS:
    void changesAreFineGrained_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("resets");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("removed");
        QTest::addColumn<QStringList>("after");
        const QStringList all{"Alpha", "Bravo", "Charlie"};
        QTest::newRow("edit and post") << "edit" << 0 << 0 << 0 << QStringList{"Alpha", "Bravo", "Changed"};
        QTest::newRow("edit and cancel") << "editCancel" << 0 << 0 << 0 << all;
        QTest::newRow("insert") << "insert" << 0 << 1 << 0 << QStringList{"Alpha", "Bravo", "Charlie", ""};
        QTest::newRow("insert and cancel") << "insertCancel" << 0 << 1 << 1 << all;
        QTest::newRow("insert and post") << "insertPost" << 0 << 1 << 0
                                         << QStringList{"Alpha", "Bravo", "Charlie", "Delta"};
        QTest::newRow("delete") << "delete" << 0 << 0 << 1 << QStringList{"Alpha", "Bravo"};
    }

    void changesAreFineGrained()
    {
        QFETCH(QString, action);
        QFETCH(int, resets);
        QFETCH(int, inserted);
        QFETCH(int, removed);
        QFETCH(QStringList, after);

        BoundFixture f(QStringLiteral("insert into Books (Category, Title) values "
                                      "('Novel', 'Alpha'), ('Novel', 'Bravo'), ('Novel', 'Charlie')"));
        f.openBooks();
        TDAOQuery& books = f.dm.qrBooks;
        DataGridModel model;
        model.setDataSource(&f.dm.dsBooks);
        model.setColumns({GridColumn(QStringLiteral("Title"), QStringLiteral("Title"), 100)});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        books.Last();
        Spies spies(model);

        const std::map<QString, std::function<void()>> actions{
            {"edit",
             [&] {
                 books.Edit();
                 books.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Changed"));
                 books.Post();
             }},
            {"editCancel",
             [&] {
                 books.Edit();
                 books.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Changed"));
                 books.Cancel();
             }},
            {"insert", [&] { books.Insert(); }},
            {"insertCancel",
             [&] {
                 books.Insert();
                 books.Cancel();
             }},
            {"insertPost",
             [&] {
                 books.Insert();
                 books.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
                 books.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Delta"));
                 books.Post();
             }},
            {"delete", [&] { books.Delete(); }},
        };
        actions.at(action)();

        QCOMPARE(spies.resets.count(), resets);
        QCOMPARE(spies.inserted.count(), inserted);
        QCOMPARE(spies.removed.count(), removed);
        QVERIFY(spies.changed.count() >= 1);
        QCOMPARE(model.rowCount(), books.RowCount());
        QCOMPARE(titles(model), after);
        QCOMPARE(model.currentRow(), books.CurrentRow());
    }

    void aNewResultResets()
    {
        BoundFixture f(QStringLiteral("insert into Books (Category, Title) values "
                                      "('Novel', 'Alpha'), ('Poem', 'Bravo'), ('Novel', 'Charlie')"));
        f.openBooks();
        DataGridModel model;
        model.setDataSource(&f.dm.dsBooks);
        model.setColumns({GridColumn(QStringLiteral("Title"), QStringLiteral("Title"), 100)});
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        f.dm.qrBooks.Close();
        f.dm.qrBooks.setSQL({QStringLiteral("select * from Books where Category = 'Poem'")});
        f.dm.qrBooks.Open();
        QVERIFY(resets.count() >= 1);
        QCOMPARE(titles(model), QStringList{"Bravo"});
    }
};

QTEST_MAIN(TestDataGridModel)
#include "tst_datagridmodel.moc"
