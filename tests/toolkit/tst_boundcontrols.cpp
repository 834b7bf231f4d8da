#include "BoundFixture.h"
#include "EDatabaseError.h"
#include "EventLoop.h"
#include "Procedury.h"
#include "TDBCheckBoxGroup.h"
#include "TDBComboBox.h"
#include "TDBDateEdit.h"
#include "TDBEdit.h"
#include "TDBRichEdit.h"
#include "TDBSpinEdit.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QTest>

// Bound controls, driven through real keys and focus changes, and the file looked at after.
class TestBoundControls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Whoever lays a control out names it after its label; showing records never renames it.
    void keepsTheAccessibleNameOfItsLabel_data()
    {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"edit", "combo", "date", "rich", "checks", "spin"})
            QTest::newRow(kind) << QString::fromLatin1(kind);
    }

    void keepsTheAccessibleNameOfItsLabel()
    {
        QFETCH(QString, kind);
        BoundFixture f(
            QStringLiteral("insert into Books (Category, Title, Year) values ('Novel', 'A', 1), ('Novel', 'B', 2)"));
        f.openBooks();
        QWidget* control = nullptr;
        auto bind = [&](auto* c) {
            c->setAccessibleName(QStringLiteral("Label:"));
            control = f.add(c, f.dm.dsBooks, QStringLiteral("Year"));
        };
        if (kind == QLatin1String("edit"))
            bind(new TDBEdit);
        else if (kind == QLatin1String("combo"))
            bind(new TDBComboBox);
        else if (kind == QLatin1String("date"))
            bind(new TDBDateEdit);
        else if (kind == QLatin1String("rich"))
            bind(new TDBRichEdit);
        else if (kind == QLatin1String("checks"))
            bind(new TDBCheckBoxGroup(QStringLiteral("Group"), {QStringLiteral("one"), QStringLiteral("two")}, 1));
        else
            bind(new TDBSpinEdit);
        f.show();
        f.dm.qrBooks.Next();
        f.dm.qrBooks.Edit();
        f.dm.qrBooks.Cancel();
        QCOMPARE(control->accessibleName(), QStringLiteral("Label:"));
    }

    void firstKeystrokeEntersEditStateAndLands()
    {
        BoundFixture f;
        f.openBooks();
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        f.show();
        QCOMPARE(title->text(), QStringLiteral("Emma"));
        title->setFocus();
        title->end(false);
        QTest::keyClicks(title, QStringLiteral(" II"));
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Edit);
        QCOMPARE(title->text(), QStringLiteral("Emma II")); // nothing wiped by entering edit state
        QVERIFY(title->modified());
        QCOMPARE(f.dm.qrBooks.FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Emma"));
        f.leave(); // written back when left
        QCOMPARE(f.dm.qrBooks.FieldByName(QStringLiteral("Title")).AsString(), QStringLiteral("Emma II"));
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(QStringLiteral("select Title from Books")).toString(), QStringLiteral("Emma II"));
    }

    void untouchedControlWritesNothing()
    {
        BoundFixture f;
        f.dm.qrBooks.Open();
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        auto* year = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Year"));
        f.show();
        year->setFocus();
        f.leave();
        title->setFocus();
        f.leave();
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
        f.dm.qrBooks.Edit();
        f.dm.qrBooks.CheckBrowseMode(); // nothing was written: the edit is cancelled, not posted
        QVERIFY(!f.dm.qrBooks.Modified());
        QVERIFY(f.messages.errors().isEmpty());
    }

    // However the post is started, and with the views held back, what a control still holds
    // goes into the record.
    void postTakesPendingInputWhileHeld()
    {
        BoundFixture f;
        f.openBooks();
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        f.show();
        title->setFocus();
        title->selectAll();
        QTest::keyClicks(title, QStringLiteral("Persuasion"));
        f.dm.qrBooks.DisableControls();
        f.dm.qrBooks.Post();
        f.dm.qrBooks.EnableControls();
        QCOMPARE(f.stored(QStringLiteral("select Title from Books")).toString(), QStringLiteral("Persuasion"));
        QVERIFY(!title->modified());
    }

    void followsMovesAndCancel()
    {
        BoundFixture f(QStringLiteral("insert into Books (Category, Title) values ('Novel', 'A'), ('Novel', 'B')"));
        f.dm.qrBooks.Open();
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        f.show();
        f.dm.qrBooks.Next();
        QCOMPARE(title->text(), QStringLiteral("B"));
        title->setFocus();
        QTest::keyClicks(title, QStringLiteral("x"));
        f.dm.qrBooks.Cancel();
        QCOMPARE(title->text(), QStringLiteral("B"));
        QVERIFY(!title->modified());
        f.leave();
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
    }

    void textIsCutToTheFieldsSize_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("shown");
        const QString nine(9, QLatin1Char('x'));
        // Publishers holds 30 characters.
        QTest::newRow("typing stops at the size")
            << QString(35, QLatin1Char('a')) << QString() << QString(30, QLatin1Char('a'));
        QTest::newRow("a long paste keeps what fits")
            << QString(25, QLatin1Char('a')) << "bcdefghij" << QString(25, QLatin1Char('a')) + "bcdef";
        QTest::newRow("never half a character") << QString(28, QLatin1Char('a')) << QStringLiteral("e\u0301z")
                                                << QString(28, QLatin1Char('a')) + QStringLiteral("e\u0301");
        QTest::newRow("a flag that does not fit stays out")
            << QString(27, QLatin1Char('a')) << QStringLiteral("b\U0001F1F5\U0001F1F1")
            << QString(27, QLatin1Char('a')) + "b";
    }

    void textIsCutToTheFieldsSize()
    {
        QFETCH(QString, typed);
        QFETCH(QString, pasted);
        QFETCH(QString, shown);
        BoundFixture f;
        f.openBooks();
        auto* box = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Publishers"));
        f.show();
        box->setFocus();
        QTest::keyClicks(box, typed);
        if (!pasted.isEmpty()) {
            QGuiApplication::clipboard()->setText(pasted);
            QTest::keySequence(box, QKeySequence::Paste);
        }
        QCOMPARE(box->text(), shown);
        f.leave();
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(QStringLiteral("select Publishers from Books")).toString(), shown);
    }

    // A text box holds exactly what it would hold without its limit, cut to the limit inside
    // what was just put in, wherever that went and whatever it replaced.
    void limitCutsWhatWasPutInWhereItWent_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("from"); // the selection replaced, or the cursor when from == to
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("shown");
        const QString longTitle = QStringLiteral("A long pasted text to use as a title, far too long to fit "
                                                 "the box, and it ends with a t");
        QVERIFY(longTitle.size() > 70 && longTitle.endsWith(QLatin1Char('t')));
        QTest::newRow("into an empty box") << "" << 0 << 0 << longTitle << longTitle.left(70);
        QTest::newRow("over the whole text, ending as it did")
            << "The Last Night" << 0 << 14 << longTitle << longTitle.left(70);
        QTest::newRow("over the end of the text")
            << "The Last Night" << 9 << 14 << longTitle << QStringLiteral("The Last ") + longTitle.left(61);
        QTest::newRow("over the middle, ending as what follows")
            << "The Last Night" << 4 << 8 << longTitle
            << QStringLiteral("The ") + longTitle.left(60) + QStringLiteral(" Night");
        QTest::newRow("at the cursor in the middle")
            << "The Last Night" << 4 << 4 << longTitle
            << QStringLiteral("The ") + longTitle.left(56) + QStringLiteral("Last Night");
        QTest::newRow("at the start") << "Night" << 0 << 0 << longTitle << longTitle.left(65) + QStringLiteral("Night");
        QTest::newRow("short, fits whole") << "The Night" << 4 << 4 << "Last "
                                           << "The Last Night";
    }

    void limitCutsWhatWasPutInWhereItWent()
    {
        QFETCH(QString, stored);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, pasted);
        QFETCH(QString, shown);
        BoundFixture f(QStringLiteral("insert into Books (Category, Title) values ('Novel', '%1')").arg(stored));
        f.openBooks();
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        f.show();
        title->setFocus();
        if (from == to)
            title->setCursorPosition(from);
        else
            title->setSelection(from, to - from);
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keySequence(title, QKeySequence::Paste);
        QCOMPARE(title->text(), shown);
        f.leave();
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(QStringLiteral("select Title from Books")).toString(), shown);
    }

    void numberBoxRefusesWhatIsNoWholeNumber_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("error");
        QTest::newRow("letters are not typed") << "1a9b"
                                               << "19" << QString();
        QTest::newRow("a lone sign") << "-"
                                     << "-"
                                     << "'-' is not a valid integer value";
        QTest::newRow("out of range")
            << "40000"
            << "40000"
            << "40000 is not a valid value for field 'Tot_pg'. The allowed range is -32768 to 32767";
        QTest::newRow("a negative number") << "-12"
                                           << "-12" << QString();
    }

    void numberBoxRefusesWhatIsNoWholeNumber()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QString, error);
        BoundFixture f;
        f.openBooks();
        auto* pages = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Tot_pg"));
        f.show();
        pages->setFocus();
        QTest::keyClicks(pages, QStringLiteral("x"));
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse); // a letter changes nothing at all
        QTest::keyClicks(pages, typed);
        QCOMPARE(pages->text(), shown);
        f.leave();
        settle(); // the refusal comes from the event loop
        if (error.isEmpty()) {
            QVERIFY(f.messages.errors().isEmpty());
            return;
        }
        QCOMPARE(f.messages.errors(), QStringList{error + QLatin1Char('.')});
        QTRY_VERIFY(pages->hasFocus()); // the focus stays in the box
        // The same check runs at post, and the box keeps the focus.
        f.messages.requests.clear();
        f.other->setFocus();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, Procedury::PostRecord(f.dm.qrBooks));
        QTRY_VERIFY(pages->hasFocus());
        settle();
        QVERIFY(f.messages.errors().isEmpty()); // the post's own error is the one shown
    }

    void refusedRequiredFieldTakesTheFocus()
    {
        BoundFixture f;
        f.openBooks();
        auto* category = f.add(new TDBComboBox, f.dm.dsBooks, QStringLiteral("Category"));
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        f.show();
        f.dm.qrBooks.Insert();
        title->setFocus();
        QTest::keyClicks(title, QStringLiteral("Sense"));
        try {
            Procedury::PostRecord(f.dm.qrBooks);
            QFAIL("posted without a category");
        } catch (const EDatabaseError& e) {
            QCOMPARE(e.message(), QStringLiteral("Field 'Category' must have a value"));
        }
        QVERIFY(category->hasFocus());
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Insert);
        QCOMPARE(title->text(), QStringLiteral("Sense"));
    }

    void inputIsDroppedWhenTheRecordCannotBeEdited()
    {
        BoundFixture f;
        f.dm.qrBooks.Open();
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        f.show();
        // Another hand deletes the row: entering edit state fails.
        SqliteStatement::exec(f.dm.dbKOLT.handle(), QStringLiteral("delete from Books"));
        title->setFocus();
        QTest::keyClicks(title, QStringLiteral("xy"));
        QCOMPARE(title->text(), QStringLiteral("Emma"));
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
        QTRY_COMPARE(f.messages.errors().size(), 2); // once per refused key, never inside the key
        QCOMPARE(f.messages.errors().front(), QStringLiteral("Record is deleted."));
    }

    void editableListStoresItsTextCut()
    {
        BoundFixture f;
        f.openBooks();
        auto* category = f.add(new TDBComboBox, f.dm.dsBooks, QStringLiteral("Category"));
        category->setItems({QStringLiteral("Novel"), QStringLiteral("A category name longer than twenty")});
        f.show();
        QCOMPARE(category->currentText(), QStringLiteral("Novel"));
        category->setFocus();
        category->lineEdit()->selectAll();
        QTest::keyClicks(category->lineEdit(), QStringLiteral("Typed without any limit at all"));
        QCOMPARE(category->currentText(), QStringLiteral("Typed without any limit at all"));
        f.leave();
        QCOMPARE(category->currentText(), QStringLiteral("Typed without any li")); // what the field keeps
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(QStringLiteral("select Category from Books")).toString(),
                 QStringLiteral("Typed without any li"));
        // A picked item is cut the same way.
        category->setFocus();
        category->setCurrentIndex(0);
        QTest::keyClick(category, Qt::Key_Down); // the long item
        f.leave();
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(QStringLiteral("select Category from Books")).toString(),
                 QStringLiteral("A category name long"));
    }

    void fixedListKeepsAValueOutsideItsItems()
    {
        BoundFixture f(
            QStringLiteral("insert into Programs (Category, Name, Media_type) values ('Tools', 'Ed', 'Tape')"));
        f.dm.qrProg.Open();
        f.dm.tbC_Programs.Open();
        auto* media
            = f.add(new TDBComboBox(TDBComboBox::Style::DropDownList), f.dm.dsProg, QStringLiteral("Media_type"));
        media->setItems({QStringLiteral("CD"), QStringLiteral("DVD"), QStringLiteral("HDD")});
        f.show();
        QCOMPARE(media->currentIndex(), -1);
        media->setFocus();
        f.leave();
        Procedury::PostRecord(f.dm.qrProg);
        QCOMPARE(f.stored(QStringLiteral("select Media_type from Programs")).toString(), QStringLiteral("Tape"));
        media->setFocus();
        QTest::keyClick(media, Qt::Key_Down);
        f.leave();
        Procedury::PostRecord(f.dm.qrProg);
        QCOMPARE(f.stored(QStringLiteral("select Media_type from Programs")).toString(), QStringLiteral("CD"));
    }
};

QTEST_MAIN(TestBoundControls)
#include "tst_boundcontrols.moc"
