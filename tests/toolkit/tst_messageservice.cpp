#include "EDatabaseError.h"
#include "ErrorGuard.h"
#include "MessageRecorder.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <stdexcept>

class TestMessageService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MessageService::setTitle(QStringLiteral("KOLT")); }

    void fullStop_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Field 'Title' must have a value"
                                << "Field 'Title' must have a value.";
        QTest::newRow("full stop already") << "Not a valid password."
                                           << "Not a valid password.";
        QTest::newRow("closing quote sorts before the full stop") << "Could not find file 'x'"
                                                                  << "Could not find file 'x'";
        QTest::newRow("bracket sorts after") << "Index for field(s) [Name]"
                                             << "Index for field(s) [Name].";
        QTest::newRow("digit sorts after") << "error 42"
                                           << "error 42.";
        QTest::newRow("slash sorts after") << "path/"
                                           << "path/.";
        QTest::newRow("minus sorts before") << "minus -"
                                            << "minus -";
        QTest::newRow("non-ascii sorts after") << "café"
                                               << "café.";
        QTest::newRow("empty stays empty") << ""
                                           << "";
    }

    void fullStop()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        MessageRecorder rec;
        MessageService::showError(text);
        QCOMPARE(rec.errors(), QStringList{shown});
        QCOMPARE(rec.requests.front().caption, QStringLiteral("KOLT"));
    }

    void questionsCarryTheirTextUnchanged()
    {
        MessageRecorder rec;
        rec.answers = {MessageService::Answer::Yes, MessageService::Answer::No};
        QVERIFY(MessageService::ask(QStringLiteral(" Do you want exit? ")));
        QVERIFY(!MessageService::ask(QStringLiteral("Delete item?")));
        QCOMPARE(rec.questions(), (QStringList{" Do you want exit? ", "Delete item?"}));
        QVERIFY(!MessageService::confirm(QStringLiteral("Delete record?")));
    }

    void guardShowsEveryErrorAndStopsTheHandler()
    {
        MessageRecorder rec;
        bool after = false;
        QVERIFY(!ErrorGuard::run([&] {
            throw EDatabaseError(QStringLiteral("qrMovies: Cannot perform this operation on a closed dataset"));
            after = true;
        }));
        QVERIFY(!after);
        QVERIFY(!ErrorGuard::run([] { throw std::runtime_error("disk full"); }));
        QVERIFY(!ErrorGuard::run([] { throw 42; }));
        QVERIFY(ErrorGuard::run([] {}));
        QCOMPARE(rec.errors(), (QStringList{"qrMovies: Cannot perform this operation on a closed dataset.",
                                            "disk full.", "An unexpected error occurred."}));
    }

    void realBoxesUseTheCaptionAndDefaults()
    {
        // With no handler the real box appears: answer it as a person would, with Enter,
        // which must pick the default button (No).
        QTimer::singleShot(0, [] {
            QWidget* box = QApplication::activeModalWidget();
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("KOLT"));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!MessageService::ask(QStringLiteral(" Do you want exit? ")));
    }
};

QTEST_MAIN(TestMessageService)
#include "tst_messageservice.moc"
