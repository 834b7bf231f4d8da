#include "BoundFixture.h"
#include "Procedury.h"
#include "TDBCheckBoxGroup.h"
#include "TDBEdit.h"

#include <QCheckBox>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

namespace {

const QStringList kProperties{QStringLiteral("color"), QStringLiteral("stereo"), QStringLiteral("widescreen"),
                              QStringLiteral("HiFi"), QStringLiteral("dolby surround")};

QString movieWithProp(const QString& prop)
{
    return QStringLiteral("insert into Movies (Category, Title, Media_type, Prop) values ('Drama', 'Alpha', 'DVD', %1)")
        .arg(prop);
}

QString ticks(const TDBCheckBoxGroup* group)
{
    QString bits;
    for (const QCheckBox* box : group->boxes())
        bits += box->isChecked() ? QLatin1Char('1') : QLatin1Char('0');
    return bits;
}

// Where a click toggles the box: on its mark.
QPoint mark(const QCheckBox* box)
{
    QStyleOptionButton option;
    option.initFrom(box);
    return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
}

void click(QCheckBox* box)
{
    QTest::mouseClick(box, Qt::LeftButton, {}, mark(box));
}

TDBCheckBoxGroup* properties(BoundFixture& f)
{
    return f.add(new TDBCheckBoxGroup(QStringLiteral("Properties"), kProperties, 2), f.dm.dsMovies,
                 QStringLiteral("Prop"));
}

} // namespace

// The editable check group over a bit set, driven by clicks and Space.
class TestDBCheckBoxGroup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void changeStoresTheSumOfTheTickedBoxes_data()
    {
        QTest::addColumn<QString>("prop");  // as stored
        QTest::addColumn<QString>("shown"); // the boxes, color first
        QTest::addColumn<int>("box");       // the box changed
        QTest::addColumn<bool>("space");    // by Space rather than a click
        QTest::addColumn<int>("stored");

        QTest::newRow("5 shows color and widescreen; stereo ticked") << "5"
                                                                     << "10100" << 1 << false << 7;
        QTest::newRow("37 shows the same; color cleared drops bit 5") << "37"
                                                                      << "10100" << 0 << false << 4;
        QTest::newRow("Space ticks HiFi") << "5"
                                          << "10100" << 3 << true << 13;
        QTest::newRow("Space clears widescreen") << "5"
                                                 << "10100" << 2 << true << 1;
        QTest::newRow("null shows all clear") << "null"
                                              << "00000" << 2 << false << 4;
        QTest::newRow("negative shows all clear") << "-3"
                                                  << "00000" << 4 << true << 16;
        QTest::newRow("all ticked") << "31"
                                    << "11111" << 4 << false << 15;
    }

    void changeStoresTheSumOfTheTickedBoxes()
    {
        QFETCH(QString, prop);
        QFETCH(QString, shown);
        QFETCH(int, box);
        QFETCH(bool, space);
        QFETCH(int, stored);
        BoundFixture f(movieWithProp(prop));
        f.openMovies();
        TDBCheckBoxGroup* group = properties(f);
        f.show();
        QCOMPARE(ticks(group), shown);
        QCheckBox* target = group->boxes()[box];
        if (space) {
            target->setFocus(Qt::TabFocusReason);
            QTest::keyClick(target, Qt::Key_Space);
        } else {
            click(target);
        }
        QCOMPARE(f.dm.qrMovies.State(), TDataSetState::Edit);
        QCOMPARE(target->isChecked(), shown[box] == QLatin1Char('0'));
        f.leave();
        QCOMPARE(f.dm.qrMovies.FieldByName(QStringLiteral("Prop")).AsInteger(), stored);
        Procedury::PostRecord(f.dm.qrMovies);
        QCOMPARE(f.stored(QStringLiteral("select Prop from Movies")).toInt(), stored);
    }

    // A movie whose boxes are never changed keeps no value, even when the boxes were visited
    // and the movie was changed elsewhere.
    void untouchedNullStaysNull()
    {
        BoundFixture f(movieWithProp(QStringLiteral("null")));
        f.openMovies();
        TDBCheckBoxGroup* group = properties(f);
        auto* title = f.add(new TDBEdit, f.dm.dsMovies, QStringLiteral("Title"));
        f.show();
        group->setFocus(Qt::TabFocusReason);
        QTest::keyClick(group->boxes()[0], Qt::Key_Tab); // to the next box
        QVERIFY(group->boxes()[1]->hasFocus());
        title->setFocus();
        title->end(false);
        QTest::keyClicks(title, QStringLiteral(" II"));
        f.leave();
        Procedury::PostRecord(f.dm.qrMovies);
        QVERIFY(f.stored(QStringLiteral("select Prop from Movies")).isNull());
        QCOMPARE(f.stored(QStringLiteral("select Title from Movies")).toString(), QStringLiteral("Alpha II"));
    }

    void boxDoesNotChangeWhenTheRecordCannotBeEdited()
    {
        BoundFixture f(movieWithProp(QStringLiteral("5")));
        f.openMovies();
        TDBCheckBoxGroup* group = properties(f);
        f.show();
        SqliteStatement::exec(f.dm.dbKOLT.handle(), QStringLiteral("delete from Movies"));
        click(group->boxes()[1]);
        group->boxes()[3]->setFocus(Qt::TabFocusReason);
        QTest::keyClick(group->boxes()[3], Qt::Key_Space);
        QCOMPARE(ticks(group), QStringLiteral("10100"));
        QVERIFY(!group->modified());
        QCOMPARE(f.dm.qrMovies.State(), TDataSetState::Browse);
        QTRY_COMPARE(f.messages.errors().size(), 2);
        QCOMPARE(f.messages.errors().front(), QStringLiteral("Record is deleted."));
    }

    // The space to the right of a short caption belongs to the box but does not toggle it.
    void clickBesideTheCaptionChangesNothing()
    {
        BoundFixture f(movieWithProp(QStringLiteral("5")));
        f.openMovies();
        TDBCheckBoxGroup* group = properties(f);
        f.show();
        QCheckBox* color = group->boxes()[0];
        QTest::mouseClick(color, Qt::LeftButton, {}, QPoint(color->width() - 2, color->height() / 2));
        QCOMPARE(ticks(group), QStringLiteral("10100"));
        QCOMPARE(f.dm.qrMovies.State(), TDataSetState::Browse);
    }

    void followsMovesAndCancel()
    {
        BoundFixture f(QStringLiteral("insert into Movies (Category, Title, Media_type, Prop) values "
                                      "('Drama', 'A', 'DVD', 3), ('Drama', 'B', 'DVD', 16)"));
        f.openMovies();
        TDBCheckBoxGroup* group = properties(f);
        f.show();
        click(group->boxes()[4]);
        QCOMPARE(ticks(group), QStringLiteral("11001"));
        f.dm.qrMovies.Cancel();
        QCOMPARE(ticks(group), QStringLiteral("11000"));
        f.dm.qrMovies.Next();
        QCOMPARE(ticks(group), QStringLiteral("00001"));
    }

    // Column by column, two boxes to a column: color and stereo, widescreen and HiFi, dolby.
    void boxesFillColumnsOfTheGivenRows()
    {
        BoundFixture f(movieWithProp(QStringLiteral("0")));
        f.openMovies();
        TDBCheckBoxGroup* group = properties(f);
        f.show();
        const QList<QCheckBox*>& b = group->boxes();
        QCOMPARE(b[1]->x(), b[0]->x());
        QVERIFY(b[1]->y() > b[0]->y());
        QCOMPARE(b[2]->y(), b[0]->y());
        QVERIFY(b[2]->x() > b[0]->x());
        QCOMPARE(b[3]->pos(), QPoint(b[2]->x(), b[1]->y()));
        QCOMPARE(b[4]->y(), b[0]->y());
        QVERIFY(b[4]->x() > b[2]->x());
    }
};

QTEST_MAIN(TestDBCheckBoxGroup)
#include "tst_dbcheckboxgroup.moc"
