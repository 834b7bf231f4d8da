#include "BoundFixture.h"
#include "Procedury.h"
#include "RtfReader.h"
#include "TDBEdit.h"
#include "TDBRichEdit.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

namespace {

const QString kPlainMemo = QStringLiteral("Line one\nLine two");

// Books titled A, B, ... in turn with these memos (a null string: no memo).
QString booksWithMemos(const QStringList& memos)
{
    QStringList rows;
    for (const QString& memo : memos) {
        QString value = QStringLiteral("null");
        if (!memo.isNull())
            value
                = QLatin1Char('\'') + QString(memo).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
        rows << QStringLiteral("('Novel', '%1', %2)").arg(QChar(char16_t(u'A' + rows.size())), value);
    }
    return QStringLiteral("insert into Books (Category, Title, Description) values ") + rows.join(QLatin1String(", "));
}

QString bookWithMemo(const QString& memo)
{
    return booksWithMemos({memo});
}

// What a memo reads as, whether RTF or plain text.
QString memoText(const QString& memo)
{
    QTextDocument document;
    RtfReader::loadMemo(memo, document);
    return document.toPlainText();
}

// Whether the first occurrence of `word` in the memo is set in bold.
bool boldIn(const QString& memo, const QString& word)
{
    QTextDocument document;
    RtfReader::loadMemo(memo, document);
    const QTextCursor found = document.find(word);
    return !found.isNull() && found.charFormat().fontWeight() >= QFont::Bold;
}

void putOnClipboard(const QString& mime, const QString& data)
{
    auto* content = new QMimeData;
    if (mime == QLatin1String("text/html"))
        content->setHtml(data);
    else
        content->setText(data);
    QGuiApplication::clipboard()->setMimeData(content);
}

} // namespace

// The rich-text box: what it loads, what it writes back and when, driven by real keys.
class TestDBRichEdit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsRtfAndPlainText()
    {
        BoundFixture f(
            booksWithMemos({QStringLiteral("{\\rtf1\\ansi {\\b Bold} words}"), QStringLiteral("Plain {\\b text}")}));
        f.openBooks();
        auto* box = f.add(new TDBRichEdit, f.dm.dsBooks, QStringLiteral("Description"));
        f.show();
        QCOMPARE(box->toPlainText(), QStringLiteral("Bold words"));
        QVERIFY(box->document()->find(QStringLiteral("Bold")).charFormat().fontWeight() >= QFont::Bold);
        f.dm.qrBooks.Next();
        QCOMPARE(box->toPlainText(), QStringLiteral("Plain {\\b text}")); // no RTF document: plain text, as it is
    }

    // However the box is changed, the record is in edit state before the change lands, and
    // the whole content goes back as an RTF document.
    void firstChangeEntersEditStateAndWritesRtf_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("selectAll");
        QTest::addColumn<QString>("mime"); // what is on the clipboard
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("expected");

        const int none = Qt::NoModifier;
        const int ctrl = Qt::ControlModifier;
        QTest::newRow("a letter") << int(Qt::Key_X) << none << false << QString() << QString() << kPlainMemo + "x";
        QTest::newRow("Enter") << int(Qt::Key_Return) << none << false << QString() << QString() << kPlainMemo + "\n";
        QTest::newRow("Enter on the keypad")
            << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << QString() << QString() << kPlainMemo + "\n";
        QTest::newRow("Tab") << int(Qt::Key_Tab) << none << false << QString() << QString() << kPlainMemo + "\t";
        QTest::newRow("Backspace") << int(Qt::Key_Backspace) << none << false << QString() << QString()
                                   << kPlainMemo.chopped(1);
        QTest::newRow("Delete all") << int(Qt::Key_Delete) << none << true << QString() << QString() << QString();
        QTest::newRow("paste plain text") << int(Qt::Key_V) << ctrl << false << "text/plain"
                                          << " and <b>three</b>" << kPlainMemo + " and <b>three</b>";
        // As a web browser puts a selection on the clipboard.
        QTest::newRow("paste HTML")
            << int(Qt::Key_V) << ctrl << false << "text/html"
            << "<meta charset=\"utf-8\"><span style=\"color: rgb(0, 0, 0);\">, and </span><b>three</b>"
            << kPlainMemo + ", and three";
        QTest::newRow("cut") << int(Qt::Key_X) << ctrl << true << QString() << QString() << QString();
    }

    void firstChangeEntersEditStateAndWritesRtf()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, selectAll);
        QFETCH(QString, mime);
        QFETCH(QString, clipboard);
        QFETCH(QString, expected);
        BoundFixture f(bookWithMemo(kPlainMemo));
        f.openBooks();
        auto* box = f.add(new TDBRichEdit, f.dm.dsBooks, QStringLiteral("Description"));
        f.show();
        QCOMPARE(box->toPlainText(), kPlainMemo);
        if (!mime.isEmpty())
            putOnClipboard(mime, clipboard);
        box->setFocus();
        box->moveCursor(QTextCursor::End);
        if (selectAll)
            box->selectAll();
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
        QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Edit);
        QCOMPARE(box->toPlainText(), expected); // nothing wiped by entering edit state
        QVERIFY(box->hasFocus());               // Tab stays in the box
        f.leave();
        const QString memo = f.dm.qrBooks.FieldByName(QStringLiteral("Description")).AsString();
        QVERIFY(RtfReader::isRtf(memo));
        QCOMPARE(memoText(memo), expected);
        Procedury::PostRecord(f.dm.qrBooks);
        const QString stored = f.stored(QStringLiteral("select Description from Books")).toString();
        QVERIFY(RtfReader::isRtf(stored));
        QCOMPARE(memoText(stored), expected);
        if (mime == QLatin1String("text/html"))
            QVERIFY(boldIn(stored, QStringLiteral("three"))); // pasted HTML keeps its formatting
        else if (mime == QLatin1String("text/plain"))
            QVERIFY(!boldIn(stored, QStringLiteral("three"))); // plain text is not read as markup
    }

    void undoTakesBackTheUsersSteps()
    {
        BoundFixture f(bookWithMemo(QStringLiteral("{\\rtf1\\ansi Line one\\par Line two}")));
        f.openBooks();
        auto* box = f.add(new TDBRichEdit, f.dm.dsBooks, QStringLiteral("Description"));
        f.show();
        box->setFocus();
        // Nothing to undo: loading the memo is no step, and the record stays as it is.
        QTest::keySequence(box, QKeySequence::Undo);
        QCOMPARE(box->toPlainText(), kPlainMemo);
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral(" three"));
        QTest::keySequence(box, QKeySequence::Undo);
        QCOMPARE(box->toPlainText(), kPlainMemo);
        QTest::keySequence(box, QKeySequence::Redo);
        QCOMPARE(box->toPlainText(), kPlainMemo + " three");
        f.leave();
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(memoText(f.stored(QStringLiteral("select Description from Books")).toString()), kPlainMemo + " three");
    }

    // A memo kept as plain text stays plain text while the box is not changed, even when the
    // record is edited through other controls, left and posted.
    void untouchedBoxWritesNothing()
    {
        BoundFixture f(bookWithMemo(kPlainMemo));
        f.openBooks();
        auto* title = f.add(new TDBEdit, f.dm.dsBooks, QStringLiteral("Title"));
        auto* box = f.add(new TDBRichEdit, f.dm.dsBooks, QStringLiteral("Description"));
        f.show();
        box->setFocus();
        QTest::keyClick(box, Qt::Key_End, Qt::ControlModifier); // moving is no change
        title->setFocus();
        title->end(false);
        QTest::keyClicks(title, QStringLiteral(" II"));
        f.window.setFont(QFont(QStringLiteral("Serif"), 14)); // nor is a new font
        QCOMPARE(box->toPlainText(), kPlainMemo);
        box->setFocus();
        f.leave();
        QVERIFY(!box->modified());
        Procedury::PostRecord(f.dm.qrBooks);
        QCOMPARE(f.stored(QStringLiteral("select Title from Books")).toString(), QStringLiteral("A II"));
        QCOMPARE(f.stored(QStringLiteral("select Description from Books")).toString(), kPlainMemo);
    }

    void followsMovesAndCancel()
    {
        BoundFixture f(booksWithMemos({QStringLiteral("First"), QString()}));
        f.openBooks();
        auto* box = f.add(new TDBRichEdit, f.dm.dsBooks, QStringLiteral("Description"));
        f.show();
        box->setFocus();
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral(" changed"));
        f.dm.qrBooks.Cancel();
        QCOMPARE(box->toPlainText(), QStringLiteral("First"));
        QVERIFY(!box->modified());
        f.dm.qrBooks.Next();
        QCOMPARE(box->toPlainText(), QString());
        f.dm.qrBooks.Prior();
        QCOMPARE(box->toPlainText(), QStringLiteral("First"));
        f.leave();
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
    }

    void inputIsDroppedWhenTheRecordCannotBeEdited()
    {
        BoundFixture f(bookWithMemo(kPlainMemo));
        f.openBooks();
        auto* box = f.add(new TDBRichEdit, f.dm.dsBooks, QStringLiteral("Description"));
        f.show();
        SqliteStatement::exec(f.dm.dbKOLT.handle(), QStringLiteral("delete from Books"));
        putOnClipboard(QStringLiteral("text/plain"), QStringLiteral("pasted"));
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keySequence(box, QKeySequence::Paste);
        QCOMPARE(box->toPlainText(), kPlainMemo);
        QCOMPARE(f.dm.qrBooks.State(), TDataSetState::Browse);
        QTRY_COMPARE(f.messages.errors().size(), 2);
        QCOMPARE(f.messages.errors().front(), QStringLiteral("Record is deleted."));
    }
};

QTEST_MAIN(TestDBRichEdit)
#include "tst_dbrichedit.moc"
