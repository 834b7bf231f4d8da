#include "ErrorText.h"
#include "ModuleSteps.h"
#include "OtherProgram.h"
#include "Procedury.h"
#include "TDM.h"
#include "TempCatalogue.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <iostream>
#include <string>

// Cast and songs entered for a movie or album not saved yet wait in their tables with parent 0.
// A post takes only the rows entered for its own item, a cancel removes them (later, when the
// file refused at first), and an opening removes only what copies that are gone left behind.
namespace {

using ModuleSteps::addCast;
using ModuleSteps::openMovies;
using OtherProgram::fileColumn;
using OtherProgram::Reader;

struct Folder
{
    QString name;    // "movies" or "albums"
    QString table;   // the detail table
    QString parents; // the folder's table
};

TDAOQuery& parentQuery(TDM& dm, const Folder& f)
{
    return f.name == QLatin1String("movies") ? dm.qrMovies : dm.qrMusic;
}

void open(TDM& dm, const Folder& f)
{
    if (f.name == QLatin1String("movies")) {
        openMovies(dm);
        return;
    }
    for (TDAODataset* ds :
         std::initializer_list<TDAODataset*>{&dm.qrMusic, &dm.qrMu_Songs, &dm.tbC_Music, &dm.tbA_Music})
        ds->Open();
}

// A cast member or a song for the item being entered, as the editors add them.
void addDetail(TDM& dm, const Folder& f, const QString& name)
{
    if (f.name == QLatin1String("movies")) {
        addCast(dm, name);
        return;
    }
    dm.qrMu_Songs.Insert();
    dm.qrMu_Songs.FieldByName(QStringLiteral("Title")).SetAsString(name);
    Procedury::PostRecord(dm.qrMu_Songs);
}

void startItem(TDM& dm, const Folder& f, const QString& title)
{
    TDAOQuery& q = parentQuery(dm, f);
    q.Insert();
    q.FieldByName(QStringLiteral("Title")).SetAsString(title);
    q.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Any"));
}

// The details the file gives the item of that title, and how many rows still wait.
QStringList detailsOf(const QString& path, const Folder& f, const QString& title)
{
    const QString column = f.name == QLatin1String("movies") ? QStringLiteral("Name") : QStringLiteral("Title");
    return fileColumn(path, QStringLiteral("select d.%1 from %2 d join %3 p on d.P_Id = p.Id where p.Title = '%4' "
                                           "order by d.Id")
                                .arg(column, f.table, f.parents, title));
}

QString waiting(const QString& path, const Folder& f)
{
    return fileColumn(path, QStringLiteral("select count(*) from %1 where P_Id = 0").arg(f.table)).value(0);
}

const Folder kMovies{QStringLiteral("movies"), QStringLiteral("Mv_Cast"), QStringLiteral("Movies")};
const Folder kAlbums{QStringLiteral("albums"), QStringLiteral("Mu_Songs"), QStringLiteral("Music")};

// The helper mode: another copy of the program, entering an item with one detail. It says
// "waiting", then posts the item when told "post" and says "posted".
int secondCopyMode(int argc, char** argv)
{
    if (argc != 4 || QByteArray(argv[1]) != "--second-copy")
        return -1;
    QCoreApplication app(argc, argv);
    const Folder f = QByteArray(argv[3]) == "movies" ? kMovies : kAlbums;
    TDM dm(QString::fromLocal8Bit(argv[2]));
    dm.DataModuleCreate();
    open(dm, f);
    startItem(dm, f, QStringLiteral("From the second copy"));
    addDetail(dm, f, QStringLiteral("Second's"));
    std::cout << "waiting" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    if (line != "post")
        return 1;
    Procedury::PostRecord(parentQuery(dm, f));
    std::cout << "posted" << std::endl;
    return 0;
}

class SecondCopy
{
public:
    SecondCopy(const QString& folder, const Folder& f)
    {
        m_process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--second-copy"), folder, f.name});
        if (!m_process.waitForReadyRead(20000) || m_process.readLine().trimmed() != "waiting")
            qFatal("the second copy did not start: %s", m_process.readAllStandardError().constData());
    }
    ~SecondCopy()
    {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
    bool post()
    {
        m_process.write("post\n");
        return m_process.waitForReadyRead(20000) && m_process.readLine().trimmed() == "posted";
    }
    void killHard()
    {
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(10000);
    }

private:
    QProcess m_process;
};

} // namespace

class TestWaitingDetails : public QObject
{
    Q_OBJECT

private:
    static void folders()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("movies") << QStringLiteral("movies");
        QTest::newRow("albums") << QStringLiteral("albums");
    }

private Q_SLOTS:
    // Cancel while another program reads the file: the removal is refused and said so, once,
    // in words that fit a cancel; the next item saved gets only its own details, and the
    // cancelled ones go with that save.
    void refusedCancelIsNeverTakenByTheNextSave_data() { folders(); }
    void refusedCancelIsNeverTakenByTheNextSave()
    {
        QFETCH(QString, folder);
        const Folder f = folder == QLatin1String("movies") ? kMovies : kAlbums;
        TempCatalogue cat;
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        open(dm, f);
        startItem(dm, f, QStringLiteral("Cancelled"));
        addDetail(dm, f, QStringLiteral("Cancelled's"));
        {
            Reader reader(cat.path());
            const QString error = messageOf([&] { parentQuery(dm, f).Cancel(); });
            QCOMPARE(error, QStringLiteral("The %1 entered for the cancelled item could not be removed yet (another "
                                           "program is using the catalogue file). Nothing of it is kept: it is "
                                           "removed the next time a change is saved")
                                .arg(f.name == QLatin1String("movies") ? "cast" : "songs"));
        }
        QCOMPARE(parentQuery(dm, f).State(), TDataSetState::Browse);
        QCOMPARE(waiting(cat.path(), f), QStringLiteral("1"));

        startItem(dm, f, QStringLiteral("Kept"));
        addDetail(dm, f, QStringLiteral("Kept's"));
        Procedury::PostRecord(parentQuery(dm, f));
        QCOMPARE(detailsOf(cat.path(), f, QStringLiteral("Kept")), QStringList{"Kept's"});
        QCOMPARE(waiting(cat.path(), f), QStringLiteral("0"));
    }

    // Another copy (with a runtime folder of its own, as on another computer) is entering an
    // item: this copy's opening leaves its rows alone, and its save keeps its details.
    void openingLeavesAnotherCopysRows_data() { folders(); }
    void openingLeavesAnotherCopysRows()
    {
        QFETCH(QString, folder);
        const Folder f = folder == QLatin1String("movies") ? kMovies : kAlbums;
        TempCatalogue cat;
        SecondCopy second(cat.folder(), f);
        {
            TDM dm(cat.folder());
            dm.DataModuleCreate();
            QCOMPARE(waiting(cat.path(), f), QStringLiteral("1"));
            // This copy saves an item of its own meanwhile: it takes nothing of the other's.
            open(dm, f);
            startItem(dm, f, QStringLiteral("Mine"));
            addDetail(dm, f, QStringLiteral("Mine's"));
            Procedury::PostRecord(parentQuery(dm, f));
            QCOMPARE(detailsOf(cat.path(), f, QStringLiteral("Mine")), QStringList{"Mine's"});
        }
        QVERIFY(second.post());
        QCOMPARE(detailsOf(cat.path(), f, QStringLiteral("From the second copy")), QStringList{"Second's"});
        QCOMPARE(waiting(cat.path(), f), QStringLiteral("0"));
    }

    // Another program reading the file at the opening only puts the tidying off: the catalogue
    // opens without a word, and the next opening tidies.
    void openingWhileAnotherProgramReadsSaysNothing()
    {
        TempCatalogue cat;
        OtherProgram::rawExec(cat.path(), QStringLiteral("insert into Mv_Cast (P_Id, Name) values (0, 'Left over')"));
        {
            Reader reader(cat.path());
            TDM dm(cat.folder());
            QCOMPARE(messageOf([&] { dm.DataModuleCreate(); }), QStringLiteral("<no error>"));
            QVERIFY(dm.dbKOLT.Connected());
        }
        QCOMPARE(waiting(cat.path(), kMovies), QStringLiteral("1"));
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        QCOMPARE(waiting(cat.path(), kMovies), QStringLiteral("0"));
    }

    // A copy killed while entering an item leaves rows nobody will take: the next opening
    // removes them.
    void rowsOfACopyThatDiedGoAtTheNextOpening_data() { folders(); }
    void rowsOfACopyThatDiedGoAtTheNextOpening()
    {
        QFETCH(QString, folder);
        const Folder f = folder == QLatin1String("movies") ? kMovies : kAlbums;
        TempCatalogue cat;
        SecondCopy second(cat.folder(), f);
        second.killHard();
        QCOMPARE(waiting(cat.path(), f), QStringLiteral("1"));
        TDM dm(cat.folder());
        dm.DataModuleCreate();
        QCOMPARE(waiting(cat.path(), f), QStringLiteral("0"));
    }
};

int main(int argc, char** argv)
{
    if (const int helper = OtherProgram::holdReadMode(argc, argv); helper >= 0)
        return helper;
    if (const int helper = secondCopyMode(argc, argv); helper >= 0)
        return helper;
    QCoreApplication app(argc, argv);
    TestWaitingDetails test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_waitingdetails.moc"
