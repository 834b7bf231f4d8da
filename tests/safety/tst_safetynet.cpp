#include "BackupRotation.h"
#include "CatalogueBackup.h"
#include "CatalogueFile.h"
#include "CatalogueSearch.h"
#include "CatalogueUpgrade.h"
#include "EventLoop.h"
#include "MainWindowFixture.h"
#include "ModalDriver.h"
#include "OtherProgram.h"
#include "PictureEncoder.h"
#include "PictureStore.h"
#include "RestoreDialog.h"
#include "SafetyNet.h"
#include "SafetySettings.h"
#include "SearchEverywhere.h"
#include "SearchIndex.h"
#include "SearchQuery.h"
#include "SearchResults.h"
#include "TrashBin.h"
#include "TrashDialog.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTreeWidget>

namespace {

const char* kSetup = "insert into Movies (Category, Title, Media_type) values ('Drama', 'One', 'CD'), "
                     "('Drama', 'Two', 'CD'), ('Comedy', 'Three', 'CD');";

QStringList backups(const MainWindowFixture& f)
{
    return QDir(f.cat.filePath(QStringLiteral("Backups"))).entryList({QStringLiteral("koltDB-*.mdb")}, QDir::Files);
}

qint64 moviesInFile(const QString& path)
{
    return OtherProgram::fileColumn(path, QStringLiteral("select count(*) from Movies")).value(0).toLongLong();
}

// With KOLT_SCREENSHOTS set to a folder, the dialogs are saved there as they are seen.
void keepPicture(QWidget* dialog, const char* name)
{
    const QString folder = qEnvironmentVariable("KOLT_SCREENSHOTS");
    if (!folder.isEmpty())
        dialog->grab().save(QDir(folder).filePath(QLatin1String(name)));
}

// Picks the newest backup in the restore dialog once its checks are read, and restores it.
void restoreNewest()
{
    whenModalOpens([](QWidget* top) {
        auto* dialog = qobject_cast<RestoreDialog*>(top);
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->allRead());
        dialog->list()->setCurrentItem(dialog->list()->topLevelItem(0));
        keepPicture(dialog, "restore-dialog.png");
        for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
            if (b->text() == QLatin1String("&Restore")) {
                QVERIFY(b->isEnabled());
                b->click();
            }
        }
    });
}

} // namespace

class TestSafetyNet : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aBackupIsMadeAtCloseOnlyAfterChanges()
    {
        MainWindowFixture f{QString::fromLatin1(kSetup)};
        f.window->show();
        f.window->safetyNet()->backUpIfChanged();
        QVERIFY(backups(f).isEmpty());
        f.exec(QStringLiteral("update Movies set Title = 'Uno' where Title = 'One'"));
        f.messages.answers = {MessageService::Answer::Yes}; // " Do you want exit? "
        QVERIFY(f.window->close());
        QCOMPARE(backups(f).size(), 1);
        const QString copy = QDir(f.cat.filePath(QStringLiteral("Backups"))).filePath(backups(f).first());
        QCOMPARE(OtherProgram::fileColumn(copy, QStringLiteral("select Title from Movies where Id = 1")),
                 QStringList{"Uno"});
        // Nothing changed since that copy: no other one.
        f.window->safetyNet()->backUpIfChanged();
        QCOMPARE(backups(f).size(), 1);
        QVERIFY(f.messages.errors().isEmpty());
    }

    void aFailedBackupIsSaidOnceAndChangesNothing()
    {
        MainWindowFixture f(QString::fromLatin1(kSetup), [](const QString& path) {
            SafetySettings s;
            s.backupFolder = path + QStringLiteral("/cannot-be-a-folder");
            s.save(path);
        });
        for (int round = 0; round < 2; ++round) {
            f.exec(QStringLiteral("insert into Movies (Category, Title, Media_type) values ('Drama', 'More', 'CD')"));
            const QByteArray before = f.cat.bytes();
            f.window->safetyNet()->backUpIfChanged();
            QCOMPARE(f.cat.bytes(), before);
        }
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY2(f.messages.errors().first().startsWith(QLatin1String("The catalogue could not be backed up")),
                 qPrintable(f.messages.errors().first()));
        QVERIFY(f.dm().dbKOLT.Connected());
    }

    void restoreAsksKeepsTheCurrentCatalogueAndShowsTheCopy()
    {
        MainWindowFixture f{QString::fromLatin1(kSetup)};
        f.window->show();
        f.exec(QStringLiteral("update Movies set Year = 1999"));
        f.window->safetyNet()->backUpIfChanged();
        QCOMPARE(backups(f).size(), 1);
        f.exec(QStringLiteral("delete from Movies where Title <> 'Three'"));
        f.dm().qrMovies.Reread();
        QCOMPARE(f.dm().qrMovies.RowCount(), 1);

        // No: nothing happens.
        restoreNewest();
        f.window->miRestoreClick();
        QCOMPARE(f.messages.questions().size(), 1);
        QCOMPARE(moviesInFile(f.cat.path()), 1);

        f.messages.answers = {MessageService::Answer::Yes};
        restoreNewest();
        f.window->miRestoreClick();
        QVERIFY2(f.messages.questions().last().startsWith(QLatin1String("Restore the catalogue as it was on")),
                 qPrintable(f.messages.questions().last()));
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(moviesInFile(f.cat.path()), 3);
        QCOMPARE(backups(f).size(), 2); // the catalogue as it was, kept first
        QCOMPARE(f.dm().qrMovies.RowCount(), 3);
        QVERIFY(f.dm().dbKOLT.Connected());
    }

    void restoreIsRefusedWhileAnotherProgramReads()
    {
        MainWindowFixture f{QString::fromLatin1(kSetup)};
        f.window->show();
        f.exec(QStringLiteral("update Movies set Year = 1999"));
        f.window->safetyNet()->backUpIfChanged();
        f.exec(QStringLiteral("delete from Movies"));
        OtherProgram::Reader reader(f.cat.path());
        f.messages.answers = {MessageService::Answer::Yes};
        restoreNewest();
        f.window->miRestoreClick();
        QCOMPARE(f.messages.errors().size(), 1);
        QVERIFY2(f.messages.errors().first().contains(QLatin1String("in use by another program")),
                 qPrintable(f.messages.errors().first()));
        reader.stop();
        QCOMPARE(moviesInFile(f.cat.path()), 0);
        QVERIFY(f.dm().dbKOLT.Connected());
        QVERIFY(f.dm().qrMovies.Active());
    }

    void theTrashWindowPutsADeletedItemBack()
    {
        MainWindowFixture f{QString::fromLatin1(kSetup)};
        f.window->show();
        f.messages.answers = {MessageService::Answer::Yes}; // "Delete item?"
        f.window->tbDeleteClick();
        QCOMPARE(f.dm().qrMovies.RowCount(), 2);
        whenModalOpens([](QWidget* top) {
            auto* dialog = qobject_cast<TrashDialog*>(top);
            QVERIFY(dialog);
            QCOMPARE(dialog->list()->topLevelItemCount(), 1);
            QCOMPARE(dialog->list()->topLevelItem(0)->text(1), QStringLiteral("Movies"));
            dialog->list()->topLevelItem(0)->setSelected(true);
            keepPicture(dialog, "trash-dialog.png");
            dialog->putBackChosen();
            QCOMPARE(dialog->list()->topLevelItemCount(), 0);
            dialog->close();
        });
        f.window->miTrashClick();
        QCOMPARE(f.dm().qrMovies.RowCount(), 3);
        QVERIFY(f.messages.errors().isEmpty());
    }

    void aDeletedItemsPictureComesBackWithIt()
    {
        MainWindowFixture f{QString::fromLatin1(kSetup)};
        f.window->show();
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        const qint64 id = f.dm().qrMovies.FieldByName(QStringLiteral("Id")).AsInteger();
        PictureStore(f.dm().dbKOLT).store(0, id, PictureEncoder::prepare(image));
        const QByteArray thumbnail = PictureStore(f.dm().dbKOLT).thumbnail(0, id);
        QVERIFY(!thumbnail.isEmpty());

        f.messages.answers = {MessageService::Answer::Yes}; // "Delete item?"
        f.window->tbDeleteClick();
        QVERIFY(PictureStore(f.dm().dbKOLT).thumbnail(0, id).isEmpty());
        // Taken meanwhile: the item comes back under a fresh number, its picture with it.
        f.exec(
            QStringLiteral("insert into Movies (Id, Category, Title, Media_type) values (%1, 'Drama', 'Other', 'CD')")
                .arg(id));
        const qint64 back = f.window->safetyNet()->trash().putBack(f.window->safetyNet()->trash().entries()[0].id);
        QVERIFY(back != id);
        QCOMPARE(PictureStore(f.dm().dbKOLT).thumbnail(0, back), thumbnail);
        QVERIFY(PictureStore(f.dm().dbKOLT).thumbnail(0, id).isEmpty());
        QCOMPARE(f.column(QStringLiteral("select count(*) from kolt_trash_pictures")), QStringList{"0"});
    }

    void searchEverywhereFindsWhatThePutBackAndTheRestoreBring()
    {
        MainWindowFixture f{QString::fromLatin1(kSetup)};
        f.window->show();
        const auto found = [&f](const QString& typed) {
            SearchIndex* index = f.window->searchEverywhere()->index();
            CatalogueSearch search(f.dm().dbKOLT.handle(), index);
            QStringList titles;
            for (const SearchFolderResult& folder : search.run(SearchQuery::parse(typed)).folders) {
                for (const SearchHit& hit : folder.hits)
                    titles << hit.title;
            }
            return titles;
        };
        QCOMPARE(found(QStringLiteral("three")), QStringList{"Three"});
        QVERIFY(f.window->searchEverywhere()->index()->isCurrent());

        f.window->safetyNet()->backUpIfChanged(); // nothing changed: no copy
        f.exec(QStringLiteral("update Movies set Year = 1999"));
        f.window->safetyNet()->backUpIfChanged();
        QVERIFY(f.dm().qrMovies.Locate(QStringLiteral("Title"), {QStringLiteral("Three")}, {}));
        f.messages.answers = {MessageService::Answer::Yes}; // "Delete item?"
        f.window->tbDeleteClick();
        QCOMPARE(found(QStringLiteral("three")), QStringList());
        f.window->safetyNet()->trash().putBack(f.window->safetyNet()->trash().entries()[0].id);
        QVERIFY(f.window->searchEverywhere()->index()->isCurrent());
        QCOMPARE(found(QStringLiteral("three")), QStringList{"Three"});

        f.exec(QStringLiteral("delete from Movies where Title = 'Three'"));
        f.messages.answers = {MessageService::Answer::Yes};
        restoreNewest();
        f.window->miRestoreClick();
        QVERIFY(f.messages.errors().isEmpty());
        QCOMPARE(found(QStringLiteral("three")), QStringList{"Three"});
    }

    void aCopyIsKeptBeforeTheOpeningBuildsIndexes()
    {
        MessageRecorder messages;
        SafetyNet::guardUpgrades();
        TempCatalogue cat(CatalogueFile::kIndexedFrom + 10);
        const QString indexes = QStringLiteral("select count(*) from sqlite_schema where type = 'index' and name "
                                               "like 'Movies$%'");
        QCOMPARE(OtherProgram::fileColumn(cat.path(), indexes), QStringList{"0"});
        {
            TDM dm(cat.folder());
            dm.DataModuleCreate();
        }
        CatalogueUpgrade::setBeforeUpgrade({});
        QVERIFY(OtherProgram::fileColumn(cat.path(), indexes).value(0).toInt() > 0);
        const QDir folder(cat.filePath(QStringLiteral("Backups")));
        const QStringList copies = folder.entryList({QStringLiteral("koltDB-*.mdb")}, QDir::Files);
        QCOMPARE(copies.size(), 1);
        QCOMPARE(OtherProgram::fileColumn(folder.filePath(copies.first()), indexes), QStringList{"0"});
        QVERIFY(messages.errors().isEmpty());
    }

    void aDamagedCatalogueIsFoundAndReplacedByTheNewestWholeBackup()
    {
        MainWindowFixture f{QString::fromLatin1(kSetup)};
        f.window->show();
        f.window->miCheckClick();
        QCOMPARE(f.messages.notices(), QStringList{"The catalogue is whole: no fault was found in it."});
        f.exec(QStringLiteral("create index kolt_test on Movies (Title)"));
        f.window->safetyNet()->backUpIfChanged();
        // An index that no longer matches its table, as a damaged disk leaves one.
        OtherProgram::rawExec(f.cat.path(),
                              QStringLiteral("PRAGMA writable_schema = ON; UPDATE sqlite_schema SET sql = "
                                             "'CREATE INDEX kolt_test ON Movies (Category)' WHERE name "
                                             "= 'kolt_test'"));
        f.messages.answers = {MessageService::Answer::Yes};
        f.window->miCheckClick();
        QCOMPARE(f.messages.questions().size(), 1);
        QVERIFY2(f.messages.questions().first().startsWith(QLatin1String("The catalogue file is damaged")),
                 qPrintable(f.messages.questions().first()));
        QCOMPARE(CatalogueBackup::problem(f.cat.path()), QString());
        const QStringList kept
            = QDir(f.cat.filePath(QStringLiteral("Backups"))).entryList({QStringLiteral("*-damaged.mdb")}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(f.dm().qrMovies.RowCount(), 3);
    }
};

KOLT_TEST_MAIN_WITH_READER(QApplication, TestSafetyNet)
#include "tst_safetynet.moc"
