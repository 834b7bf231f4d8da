#include "BoundFixture.h"
#include "KoltDialog.h"
#include "LayoutCheck.h"
#include "ModalDriver.h"
#include "OtherProgram.h"
#include "Procedury.h"
#include "TDBComboBox.h"
#include "TDBEdit.h"
#include "TItemAllForm.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <memory>

using OtherProgram::fileColumn;

namespace {

const QString kCategories = QStringLiteral("insert into Movies_C (Name) values ('Drama'), ('Western');"
                                           "insert into Music_C (Name) values ('Jazz');");

QStringList movieCategories(const BoundFixture& f)
{
    return fileColumn(f.cat.path(), QStringLiteral("select Name from Movies_C order by Id"));
}

// Opens the name-entry dialog over the current row of `source`'s table, as the lookup lists
// do, and runs `step` on it while it is up.
void enterName(BoundFixture& f, TDataSource& source, const std::function<void(TItemAllForm*)>& step)
{
    whenModalOpens([step](QWidget* dialog) {
        auto* form = qobject_cast<TItemAllForm*>(dialog);
        QVERIFY(form);
        step(form);
    });
    TItemAllForm::enterName(&f.window, QStringLiteral("Add category"), source);
    QTRY_VERIFY(!ItemAllForm); // gone once closed
}

void addName(BoundFixture& f, TDAOTable& table, TDataSource& source, const std::function<void(TItemAllForm*)>& step)
{
    Procedury::ReopenDataSet(table);
    table.Insert();
    enterName(f, source, step);
}

} // namespace

class TestItemAll : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typedNameIsStoredOnOk()
    {
        BoundFixture f(kCategories);
        f.show();
        addName(f, f.dm.tbC_Movies, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            QCOMPARE(ItemAllForm, form);
            QCOMPARE(form->windowTitle(), QStringLiteral("Add category"));
            QVERIFY(form->DBEdit1->isVisible());
            QVERIFY(form->DBEdit1->hasFocus());
            QVERIFY(!form->DBComboBox1->isVisible());
            QVERIFY(!form->DBComboBox1->dataSource()); // only the box in use is bound
            QTest::keyClicks(form->DBEdit1, QStringLiteral("Comedy"));
            QTest::mouseClick(form->btOK, Qt::LeftButton);
        });
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        QCOMPARE(movieCategories(f), (QStringList{"Drama", "Western", "Comedy"}));
    }

    // A new row whose name was never typed is refused; the dialog stays with the row, and
    // Cancel then gives it up.
    void okWithoutANameIsRefused()
    {
        BoundFixture f(kCategories);
        f.show();
        addName(f, f.dm.tbC_Movies, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            QTest::keyClick(form->DBEdit1, Qt::Key_Tab);
            QVERIFY(form->btOK->hasFocus());
            QTest::keyClick(form->btOK, Qt::Key_Return);
            QCOMPARE(f.messages.errors(), QStringList{"Field 'Name' must have a value."});
            QVERIFY(form->isVisible());
            QCOMPARE(ItemAllForm, form);
            QTRY_VERIFY(form->DBEdit1->hasFocus());
            QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Insert);
            QTest::mouseClick(form->btCancel, Qt::LeftButton);
        });
        QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        QCOMPARE(f.dm.tbC_Movies.RecordCount(), 2);
        QCOMPARE(movieCategories(f), (QStringList{"Drama", "Western"}));
    }

    // "Edit" and "OK" with nothing changed post the row as it was: its post rules run, and the
    // name stays what it was.
    void unchangedNameIsWrittenBack()
    {
        BoundFixture f(kCategories);
        f.show();
        f.dm.tbC_Movies.Open();
        QVERIFY(f.dm.tbC_Movies.Locate(QStringLiteral("Name"), {QStringLiteral("Western")}, 0));
        int posted = 0;
        f.dm.tbC_Movies.AfterPost = [&](TDAODataset&) { ++posted; };
        const QByteArray before = f.cat.bytes();
        enterName(f, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            QCOMPARE(form->DBEdit1->text(), QStringLiteral("Western"));
            QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
            QTest::mouseClick(form->btOK, Qt::LeftButton);
        });
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(posted, 1);
        QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        QCOMPARE(f.dm.tbC_Movies.FieldByName(QStringLiteral("Name")).AsString(), QStringLiteral("Western"));
        QCOMPARE(f.cat.bytes(), before);
    }

    // However the dialog closes without a successful "OK", what it holds is given up.
    void closingWithoutOkGivesUpTheRow_data()
    {
        QTest::addColumn<bool>("newRow");
        QTest::addColumn<QString>("closedBy");
        for (const bool newRow : {true, false}) {
            for (const char* how : {"close box", "Cancel", "Enter on Cancel"})
                QTest::addRow("%s, %s", newRow ? "new row" : "rename", how) << newRow << QString::fromLatin1(how);
        }
    }

    void closingWithoutOkGivesUpTheRow()
    {
        QFETCH(bool, newRow);
        QFETCH(QString, closedBy);
        BoundFixture f(kCategories);
        f.show();
        Procedury::ReopenDataSet(f.dm.tbC_Movies);
        if (newRow)
            f.dm.tbC_Movies.Insert();
        const QByteArray before = f.cat.bytes();
        enterName(f, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            form->DBEdit1->end(false);
            QTest::keyClicks(form->DBEdit1, QStringLiteral("Noir"));
            QCOMPARE(f.dm.tbC_Movies.State(), newRow ? TDataSetState::Insert : TDataSetState::Edit);
            if (closedBy == QLatin1String("close box")) {
                form->close(); // what the window manager does
            } else if (closedBy == QLatin1String("Cancel")) {
                QTest::mouseClick(form->btCancel, Qt::LeftButton);
            } else {
                form->btCancel->setFocus();
                QTest::keyClick(form->btCancel, Qt::Key_Enter);
            }
        });
        QVERIFY(f.messages.requests.empty());
        QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        QCOMPARE(f.dm.tbC_Movies.FieldByName(QStringLiteral("Name")).AsString(), QStringLiteral("Drama"));
        QCOMPARE(f.cat.bytes(), before);
    }

    // No default and no cancel button: Escape does nothing, Enter acts only on a focused button.
    void escapeAndEnter()
    {
        BoundFixture f(kCategories);
        f.show();
        addName(f, f.dm.tbC_Movies, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            QTest::keyClicks(form->DBEdit1, QStringLiteral("Noir"));
            QTest::keyClick(form->DBEdit1, Qt::Key_Escape);
            QTest::keyClick(form->DBEdit1, Qt::Key_Return);
            QTest::keyClick(form->DBEdit1, Qt::Key_Enter);
            settle();
            QVERIFY(form->isVisible());
            QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Insert);
            QCOMPARE(form->DBEdit1->text(), QStringLiteral("Noir"));
            QTest::keyClick(form->DBEdit1, Qt::Key_Tab);
            QTest::keyClick(form->btOK, Qt::Key_Escape);
            QVERIFY(form->isVisible());
            QTest::keyClick(form->btOK, Qt::Key_Return);
        });
        QCOMPARE(movieCategories(f), (QStringList{"Drama", "Western", "Noir"}));
    }

    // The box takes no more than the list's field holds, whole characters only.
    void longNameIsCut_data()
    {
        QTest::addColumn<bool>("music");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QString>("stored");
        const QString sixty = QString(60, QLatin1Char('n'));
        QTest::newRow("movie category, 50") << false << sixty << sixty.left(50);
        QTest::newRow("music category, 30") << true << sixty << sixty.left(30);
        QTest::newRow("an accent is not cut off its letter")
            << true << QString(29, QLatin1Char('n')) + QStringLiteral("e\u0301") << QString(29, QLatin1Char('n'));
        QTest::newRow("nor a character made of two units")
            << false << QString(49, QLatin1Char('n')) + QStringLiteral("\U0001F3AC") << QString(49, QLatin1Char('n'));
    }

    void longNameIsCut()
    {
        QFETCH(bool, music);
        QFETCH(QString, pasted);
        QFETCH(QString, stored);
        BoundFixture f(kCategories);
        f.show();
        TDAOTable& table = music ? f.dm.tbC_Music : f.dm.tbC_Movies;
        addName(f, table, music ? f.dm.dsT_Music : f.dm.dsT_Movies, [&](TItemAllForm* form) {
            QGuiApplication::clipboard()->setText(pasted);
            QTest::keySequence(form->DBEdit1, QKeySequence::Paste);
            QCOMPARE(form->DBEdit1->text(), stored);
            QTest::mouseClick(form->btOK, Qt::LeftButton);
        });
        QVERIFY(f.messages.requests.empty());
        const QString sql = QStringLiteral("select Name from %1 order by Id desc limit 1").arg(table.TableName());
        QCOMPARE(fileColumn(f.cat.path(), sql), QStringList{stored});
    }

    // A post the file refuses shows why; the dialog stays with the row as typed, and Cancel
    // leaves the file as it was.
    void refusedPostLosesNothing_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("otherProgramReading");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("error");
        QTest::newRow("a name the list's index already holds")
            << "drop index \"Movies_C$Name\"; create unique index \"Movies_C$Name\" on Movies_C (Name);" << false
            << "drama"
            << "The change was not saved: table Movies_C already holds a row with the same Name, and its index "
               "allows no duplicates (UNIQUE constraint failed: Movies_C.Name)";
        QTest::newRow("the file in use by another program") << "" << true << "Noir"
                                                            << "in use by another program";
    }

    void refusedPostLosesNothing()
    {
        QFETCH(QString, setup);
        QFETCH(bool, otherProgramReading);
        QFETCH(QString, typed);
        QFETCH(QString, error);
        BoundFixture f(kCategories + setup);
        f.show();
        Procedury::ReopenDataSet(f.dm.tbC_Movies);
        const QByteArray before = f.cat.bytes();
        std::unique_ptr<OtherProgram::Reader> reader;
        if (otherProgramReading)
            reader = std::make_unique<OtherProgram::Reader>(f.cat.path());
        f.dm.tbC_Movies.Insert();
        enterName(f, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            QTest::keyClicks(form->DBEdit1, typed);
            QTest::mouseClick(form->btOK, Qt::LeftButton);
            QCOMPARE(f.messages.errors().size(), 1);
            QVERIFY2(f.messages.errors().front().contains(error), qPrintable(f.messages.errors().front()));
            QVERIFY(form->isVisible());
            QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Insert);
            QCOMPARE(form->DBEdit1->text(), typed);
            QTest::mouseClick(form->btCancel, Qt::LeftButton);
        });
        reader.reset();
        QCOMPARE(f.dm.tbC_Movies.State(), TDataSetState::Browse);
        QCOMPARE(f.dm.tbC_Movies.RecordCount(), 2);
        QCOMPARE(f.cat.bytes(), before);
    }

    // Once the other program lets go, the same "OK" stores the name that waited.
    void busyPostSucceedsOnceTheFileIsFree()
    {
        BoundFixture f(kCategories);
        f.show();
        Procedury::ReopenDataSet(f.dm.tbC_Movies);
        auto reader = std::make_unique<OtherProgram::Reader>(f.cat.path());
        f.dm.tbC_Movies.Insert();
        enterName(f, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            QTest::keyClicks(form->DBEdit1, QStringLiteral("Noir"));
            QTest::mouseClick(form->btOK, Qt::LeftButton);
            QCOMPARE(f.messages.errors().size(), 1);
            reader.reset();
            QTest::mouseClick(form->btOK, Qt::LeftButton);
        });
        QCOMPARE(f.messages.errors().size(), 1);
        QCOMPARE(movieCategories(f), (QStringList{"Drama", "Western", "Noir"}));
    }

    void frameIsFixedCentredAndModal()
    {
        BoundFixture f(kCategories);
        f.show();
        QPointer<TItemAllForm> shown;
        addName(f, f.dm.tbC_Movies, f.dm.dsT_Movies, [&](TItemAllForm* form) {
            shown = form;
            const Qt::WindowFlags flags = form->windowFlags();
            QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
            QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
            QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
            QCOMPARE(form->minimumSize(), form->maximumSize());
            QVERIFY(form->width() >= form->scaledWidth(298) && form->height() >= form->scaledHeight(72));
            QVERIFY(form->isModal());
            const QPoint offCentre = form->frameGeometry().center() - form->screen()->availableGeometry().center();
            QVERIFY(qAbs(offCentre.x()) <= 2 && qAbs(offCentre.y()) <= 2);
            const QString fault
                = layoutFault(form, {form->findChild<QLabel*>(), form->DBEdit1, form->btOK, form->btCancel});
            QVERIFY2(fault.isEmpty(), qPrintable(fault));
            form->close();
        });
        QVERIFY(!shown); // destroyed once closed
    }
};

KOLT_TEST_MAIN_WITH_READER(QApplication, TestItemAll)

#include "tst_itemall.moc"
