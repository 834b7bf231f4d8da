#include "HelpViewer.h"
#include "MessageRecorder.h"
#include "Program.h"
#include "SpoiltCatalogue.h"
#include "SqliteStatement.h"
#include "TAboutForm.h"
#include "TDM.h"
#include "TKOLTForm.h"
#include "TempCatalogue.h"

#include <QDir>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <sqlite3.h>

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MessageService::setTitle(QStringLiteral("KOLT")); }
    void cleanup() { Program::shutdown(); }

    void goodCatalogueOpensWithoutMessages()
    {
        TempCatalogue cat(3);
        MessageRecorder rec;
        Program::createDataModule(cat.folder());
        QVERIFY(DM->dbKOLT.Connected());
        QVERIFY(DM->dbKOLT.DataSets().empty()); // creating the module opens no dataset
        TKOLTForm* window = Program::createMainWindow(cat.folder());
        QVERIFY(DM->qrMovies.Active()); // the window prepares the Movies folder
        QCOMPARE(window->windowTitle(), QStringLiteral("Tarvena"));
        QCOMPARE(window->HelpFile(), QDir(cat.folder()).filePath(QStringLiteral("KOLT.HLP")));
        QVERIFY(rec.requests.empty());
    }

    void badCatalogueIsReportedAndTheWindowStillOpens_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        for (const auto& [kind, message] : SpoiltCatalogue::kinds())
            QTest::newRow(qPrintable(kind)) << kind << message;
    }

    void badCatalogueIsReportedAndTheWindowStillOpens()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        TempCatalogue cat(kind == QLatin1String("truncated") ? 40 : -1);
        const QString path = cat.path();
        SpoiltCatalogue::make(kind, path);
        const QByteArray before = SpoiltCatalogue::bytesOf(path);

        MessageRecorder rec;
        Program::createDataModule(cat.folder());
        TKOLTForm* window = Program::createMainWindow(cat.folder());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        // The data module reports it, and so does the window when it tries to fill its first
        // folder; both go on.
        QCOMPARE(rec.errors().size(), 2);
        for (const QString& error : rec.errors())
            QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(rec.requests.front().caption, QStringLiteral("KOLT"));
        QVERIFY(!DM->dbKOLT.Connected());
        QCOMPARE(SpoiltCatalogue::bytesOf(path), before);
    }

    void exitQuestion()
    {
        TempCatalogue cat;
        MessageRecorder rec;
        Program::createDataModule(cat.folder());
        TKOLTForm* window = Program::createMainWindow(cat.folder());
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        rec.answers = {MessageService::Answer::No};
        window->tbExitClick();
        QVERIFY(window->isVisible());
        QVERIFY(DM->dbKOLT.Connected());
        QCOMPARE(rec.questions(), QStringList{" Do you want exit? "});

        rec.answers = {MessageService::Answer::No};
        QVERIFY(!window->close()); // the close box asks the same
        QVERIFY(window->isVisible());

        rec.answers = {MessageService::Answer::Yes};
        QVERIFY(window->close());
        QVERIFY(!window->isVisible());
        QCOMPARE(rec.questions().size(), 3);
    }

    void minimisedWindowIsBroughtBack()
    {
        TempCatalogue cat;
        Program::createDataModule(cat.folder());
        TKOLTForm* window = Program::createMainWindow(cat.folder());
        window->showMinimized();
        window->bringToFront();
        QVERIFY(!window->isMinimized());
        QVERIFY(window->isVisible());
    }

    void aboutBoxIsFreshEachTimeAndIgnoresEscape()
    {
        TempCatalogue cat;
        Program::createDataModule(cat.folder());
        TKOLTForm* window = Program::createMainWindow(cat.folder());
        window->show();
        QList<TAboutForm*> seen;
        for (int i = 0; i < 2; ++i) {
            QString title;
            bool okFocused = false;
            bool openAfterEscape = false;
            QTimer::singleShot(0, [&] {
                TAboutForm* box = AboutForm;
                if (!box)
                    return;
                seen << box;
                title = box->windowTitle();
                okFocused = box->focusWidget() == box->okButton();
                QTest::keyClick(box, Qt::Key_Escape);
                openAfterEscape = box->isVisible();
                QTest::mouseClick(box->okButton(), Qt::LeftButton); // OK closes it
            });
            window->H_AboutClick();
            QCOMPARE(title, QStringLiteral("About..."));
            QVERIFY(okFocused);
            QVERIFY(openAfterEscape);
            QVERIFY(AboutForm == nullptr); // freed when closed
        }
        QCOMPARE(seen.size(), 2);
    }

    void helpOpensAtContentsOrReportsAMissingFile()
    {
        TempCatalogue cat;
        Program::createDataModule(cat.folder());
        TKOLTForm* window = Program::createMainWindow(cat.folder());

        window->tbHelpClick(); // no help file in this folder
        QVERIFY(HelpViewer::current());
        QVERIFY(!HelpViewer::current()->loaded());
        QVERIFY(HelpViewer::current()->browser()->toPlainText().contains(QLatin1String("cannot be opened")));

        QFile::copy(QStringLiteral(KOLT_SOURCE_DIR "/help/KOLT.HLP"), window->HelpFile());
        window->tbHelpClick();
        QVERIFY(HelpViewer::current()->loaded());
        QVERIFY(HelpViewer::current()->browser()->toPlainText().contains(QLatin1String("Contents")));
        Program::shutdown(); // the viewer quits with the program
        QVERIFY(!HelpViewer::current());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
