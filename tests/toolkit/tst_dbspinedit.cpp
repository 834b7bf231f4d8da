#include "BoundFixture.h"
#include "Procedury.h"
#include "TDBSpinEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTest>
#include <QWheelEvent>

namespace {

enum class Input { Up, Down, PageUp, PageDown, WheelUp, WheelDown, UpArrow, DownArrow };

QString songWithTrack(const QString& track)
{
    return QStringLiteral("insert into Music (Id, Category, Title, Media_type) values (1, 'Rock', 'Album', 'CD');"
                          "insert into Mu_Songs (P_Id, Track, Title) values (1, %1, 'Song')")
        .arg(track);
}

// The centre of one of the box's arrow buttons, as the style draws them.
QPoint arrow(const QSpinBox* box, QStyle::SubControl which)
{
    QStyleOptionSpinBox option;
    option.initFrom(box);
    option.rect = box->rect();
    option.subControls
        = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxEditField;
    option.buttonSymbols = box->buttonSymbols();
    option.frame = box->hasFrame();
    return box->style()->subControlRect(QStyle::CC_SpinBox, &option, which, box).center();
}

void wheel(QWidget* widget, int notches)
{
    const QPointF at = widget->rect().center();
    QWheelEvent event(at, widget->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

void give(TDBSpinEdit* box, Input input)
{
    switch (input) {
    case Input::Up:
        QTest::keyClick(box, Qt::Key_Up);
        break;
    case Input::Down:
        QTest::keyClick(box, Qt::Key_Down);
        break;
    case Input::PageUp:
        QTest::keyClick(box, Qt::Key_PageUp);
        break;
    case Input::PageDown:
        QTest::keyClick(box, Qt::Key_PageDown);
        break;
    case Input::WheelUp:
        wheel(box, 1);
        break;
    case Input::WheelDown:
        wheel(box, -1);
        break;
    case Input::UpArrow:
        QTest::mouseClick(box, Qt::LeftButton, {}, arrow(box, QStyle::SC_SpinBoxUp));
        break;
    case Input::DownArrow:
        QTest::mouseClick(box, Qt::LeftButton, {}, arrow(box, QStyle::SC_SpinBoxDown));
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Input)

// The track spin box: the ways it may change, its limits and what it refuses.
class TestDBSpinEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void stepsWithinOneTo999_data()
    {
        QTest::addColumn<QString>("track"); // as stored
        QTest::addColumn<QString>("shown");
        QTest::addColumn<Input>("input");
        QTest::addColumn<QString>("after"); // shown after the input

        QTest::newRow("Up by 1") << "5"
                                 << "5" << Input::Up << "6";
        QTest::newRow("Down by 1") << "5"
                                   << "5" << Input::Down << "4";
        QTest::newRow("Page Up by 10") << "5"
                                       << "5" << Input::PageUp << "15";
        QTest::newRow("Page Down by 10") << "25"
                                         << "25" << Input::PageDown << "15";
        QTest::newRow("wheel up by 1") << "5"
                                       << "5" << Input::WheelUp << "6";
        QTest::newRow("wheel down by 1") << "5"
                                         << "5" << Input::WheelDown << "4";
        QTest::newRow("up arrow by 1") << "5"
                                       << "5" << Input::UpArrow << "6";
        QTest::newRow("down arrow by 1") << "5"
                                         << "5" << Input::DownArrow << "4";
        QTest::newRow("Page Up stops at 999") << "995"
                                              << "995" << Input::PageUp << "999";
        QTest::newRow("Page Down stops at 1") << "5"
                                              << "5" << Input::PageDown << "1";
        QTest::newRow("Up at 999") << "999"
                                   << "999" << Input::Up << "999";
        QTest::newRow("wheel up at 999") << "999"
                                         << "999" << Input::WheelUp << "999";
        QTest::newRow("up arrow at 999") << "999"
                                         << "999" << Input::UpArrow << "999";
        QTest::newRow("Down at 1") << "1"
                                   << "1" << Input::Down << "1";
        QTest::newRow("wheel down at 1") << "1"
                                         << "1" << Input::WheelDown << "1";
        QTest::newRow("down arrow at 1") << "1"
                                         << "1" << Input::DownArrow << "1";
        QTest::newRow("above the range shows 999") << "1500"
                                                   << "999" << Input::Down << "998";
        QTest::newRow("no track shows empty; Up gives 1") << "null"
                                                          << "" << Input::Up << "1";
        QTest::newRow("no track: Down does nothing") << "null"
                                                     << "" << Input::Down << "";
    }

    void stepsWithinOneTo999()
    {
        QFETCH(QString, track);
        QFETCH(QString, shown);
        QFETCH(Input, input);
        QFETCH(QString, after);
        BoundFixture f(songWithTrack(track));
        f.openMusic();
        auto* box = f.add(new TDBSpinEdit, f.dm.dsMu_Songs, QStringLiteral("Track"));
        f.show();
        QCOMPARE(box->text().trimmed(), shown);
        box->setFocus();
        give(box, input);
        QCOMPARE(box->text().trimmed(), after);
        const QString stored = QStringLiteral("select Track from Mu_Songs");
        if (after == shown) {
            // Nothing changed: the record is left as it was, and the file too.
            QCOMPARE(f.dm.qrMu_Songs.State(), TDataSetState::Browse);
            f.leave();
            QCOMPARE(f.dm.qrMu_Songs.State(), TDataSetState::Browse);
            QCOMPARE(f.stored(stored).toString(), track == QLatin1String("null") ? QString() : track);
            return;
        }
        QCOMPARE(f.dm.qrMu_Songs.State(), TDataSetState::Edit);
        f.leave();
        QCOMPARE(f.dm.qrMu_Songs.FieldByName(QStringLiteral("Track")).AsString(), after);
        Procedury::PostRecord(f.dm.qrMu_Songs);
        QCOMPARE(f.stored(stored).toString(), after);
    }

    // Typing, deleting, pasting and cutting change nothing, not even the record's state.
    void refusesTypingDeletingAndTheClipboard_data()
    {
        QTest::addColumn<QKeySequence>("keys");
        QTest::newRow("a digit") << QKeySequence(Qt::Key_7);
        QTest::newRow("a letter") << QKeySequence(Qt::Key_A);
        QTest::newRow("Backspace") << QKeySequence(Qt::Key_Backspace);
        QTest::newRow("Delete") << QKeySequence(Qt::Key_Delete);
        QTest::newRow("paste") << QKeySequence(QKeySequence::Paste);
        QTest::newRow("cut") << QKeySequence(QKeySequence::Cut);
    }

    void refusesTypingDeletingAndTheClipboard()
    {
        QFETCH(QKeySequence, keys);
        BoundFixture f(songWithTrack(QStringLiteral("5")));
        f.openMusic();
        auto* box = f.add(new TDBSpinEdit, f.dm.dsMu_Songs, QStringLiteral("Track"));
        f.show();
        QApplication::clipboard()->setText(QStringLiteral("42"));
        box->setFocus();
        box->selectAll();
        QTest::keySequence(box, keys);
        QCOMPARE(box->text(), QStringLiteral("5"));
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("42"));
        QCOMPARE(f.dm.qrMu_Songs.State(), TDataSetState::Browse);
        // Still a working box: the next step lands.
        QTest::keyClick(box, Qt::Key_Up);
        QCOMPARE(box->text(), QStringLiteral("6"));
    }

    void stepIsDroppedWhenTheRecordCannotBeEdited()
    {
        BoundFixture f(songWithTrack(QStringLiteral("5")));
        f.openMusic();
        auto* box = f.add(new TDBSpinEdit, f.dm.dsMu_Songs, QStringLiteral("Track"));
        f.show();
        SqliteStatement::exec(f.dm.dbKOLT.handle(), QStringLiteral("delete from Mu_Songs"));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Up);
        wheel(box, 1);
        QTest::mouseClick(box, Qt::LeftButton, {}, arrow(box, QStyle::SC_SpinBoxUp));
        QCOMPARE(box->text(), QStringLiteral("5"));
        QVERIFY(!box->modified());
        QCOMPARE(f.dm.qrMu_Songs.State(), TDataSetState::Browse);
        QTRY_COMPARE(f.messages.errors().size(), 3);
        QCOMPARE(f.messages.errors().front(), QStringLiteral("Record is deleted."));
    }
};

QTEST_MAIN(TestDBSpinEdit)
#include "tst_dbspinedit.moc"
