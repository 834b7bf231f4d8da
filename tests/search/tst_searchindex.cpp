#include "CatalogueSearch.h"
#include "EDatabaseError.h"
#include "ModuleSteps.h"
#include "OtherProgram.h"
#include "Procedury.h"
#include "SearchFolder.h"
#include "SearchIndex.h"
#include "SearchQuery.h"
#include "SearchText.h"
#include "SearchUpkeep.h"
#include "TDM.h"
#include "TempCatalogue.h"
#include "TextFold.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <memory>

using OtherProgram::rawExec;

namespace {

// A small catalogue where each word sits in one kind of field: titles, a director with an
// accent, casts, songs, rich-text and plain descriptions, letters that have no decomposition
// (Ł) and Cyrillic with a diaeresis.
const char* const kFixture = R"SQL(
INSERT INTO Movies (Id, Category, Title, Year, Media_type, Director, Description) VALUES
 (1, 'Comedy', 'Le Fabuleux Destin', 2001, 'DVD', 'Jean-Pierre Jeunet',
  '{\rtf1\ansi\ansicpg1252{\fonttbl{\f0 Arial;}}\f0 A Paris caf\''e9 and its {\b waitress}\par}'),
 (2, 'Animation', 'Ёжик в тумане', 1975, 'VHS', 'Юрий Норштейн', 'A hedgehog in the fog'),
 (3, 'Drama', 'Łódź Stories', 1984, 'DVD', 'Émile Zola', NULL),
 (4, 'Drama', 'Anna Karenina', 1997, 'DVD', 'Bernard Rose', '{\rtf1 {\*\generator hidden words}Tolstoy\par}');
INSERT INTO Mv_Cast (P_Id, Name) VALUES
 (1, 'Audrey Tautou'), (1, 'Mathieu Kassovitz'), (3, 'Anna Nowak'), (2, 'Мария Виноградова');
INSERT INTO Music (Id, Category, Title, Artist, Year, Media_type) VALUES
 (1, 'Jazz', 'Night Train', 'Oscar Peterson', 1962, 'CD');
INSERT INTO Mu_Songs (P_Id, Track, Title) VALUES (1, 1, 'C Jam Blues'), (1, 2, 'Night Train'), (1, 3, 'Easy Does It');
INSERT INTO Books (Id, Category, Title, Author, Year) VALUES (1, 'Novel', 'Germinal', 'Émile Zola', 1885);
INSERT INTO Programs (Id, Category, Name, Version, Media_type) VALUES (1, 'Office', 'Writer', '7.5', 'CD');
INSERT INTO AddressBook (Id, Category, F_Name, L_Name, H_email) VALUES
 (1, 'Friends', 'Zofia', 'Nowak', 'zofia@example.com');
)SQL";

// What a search found, as "folder:title" in folder and key order.
QStringList found(const SearchResults& results)
{
    QStringList out;
    for (const SearchFolderResult& f : results.folders) {
        for (const SearchHit& h : f.hits)
            out << QStringLiteral("%1:%2").arg(f.folder).arg(h.title);
    }
    return out;
}

// The data module on a catalogue, with the index prepared and kept in step.
struct Program
{
    // `readOnly`: as if the file could not be changed (tests run as root, who may write any
    // file); the connection then refuses every write, so nothing is written behind our back.
    explicit Program(const QString& folder, bool readOnly = false)
        : dm(folder)
    {
        dm.DataModuleCreate();
        if (readOnly)
            SqliteStatement::exec(dm.dbKOLT.handle(), QStringLiteral("PRAGMA query_only = 1"));
        index = std::make_unique<SearchIndex>(dm.dbKOLT, !readOnly && !dm.dbKOLT.ReadOnly());
        index->prepare();
        upkeep = std::make_unique<SearchUpkeep>(dm, *index);
    }
    ~Program()
    {
        upkeep.reset();
        index->close();
    }

    SearchResults search(const QString& typed)
    {
        return CatalogueSearch(dm.dbKOLT.handle(), index.get()).run(SearchQuery::parse(typed));
    }
    SearchResults scan(const QString& typed)
    {
        return CatalogueSearch(dm.dbKOLT.handle(), nullptr).run(SearchQuery::parse(typed));
    }

    TDM dm;
    std::unique_ptr<SearchIndex> index;
    std::unique_ptr<SearchUpkeep> upkeep;
};

QString shell()
{
    return QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
}

// The sqlite3 shell changing the catalogue: another program, which knows nothing of ours.
void shellExec(const QString& path, const QString& sql)
{
    QProcess p;
    p.start(shell(), {path, sql});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(QString::fromUtf8(p.readAllStandardError()), QString());
}

} // namespace

class tst_SearchIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void words_data();
    void words();
    void queries_data();
    void queries();
    void hitShowsFieldAndMarks();
    void countsAfterTheFirstPage();
    void indexFoldsAsTheCatalogueCompares();
    void changesShowAtOnce();
    void undonePostLeavesNoTrace();
    void onlyAChangedItemIsReadAgain();
    void postStillKnowsItsChangedRows();
    void shellChangeWhileRunning();
    void shellChangeWhileClosed();
    void readOnlyCatalogue();
    void otherProgramsStillWrite();
    void countsLeaveOutWordsLost();
    void previousLayoutRebuilt();
    void stoppedBuildChangesNothing();
};

void tst_SearchIndex::words_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("folded");
    QTest::newRow("case and accents") << QStringLiteral("Émile ZOLA") << QStringList{u"emile"_qs, u"zola"_qs};
    QTest::newRow("stroke letters") << QStringLiteral("Łódź") << QStringList{u"lodz"_qs};
    QTest::newRow("cyrillic") << QStringLiteral("Ёжик") << QStringList{u"ежик"_qs};
    QTest::newRow("punctuation parts") << QStringLiteral("e-mail: a@b.c")
                                       << QStringList{u"e"_qs, u"mail"_qs, u"a"_qs, u"b"_qs, u"c"_qs};
    QTest::newRow("decomposed accent") << QStringLiteral("Cafe\u0301s") << QStringList{u"cafes"_qs};
    QTest::newRow("quotes and stars are not words") << QStringLiteral("\"*\" '") << QStringList{};
    QTest::newRow("accents inside ascii")
        << QStringLiteral("naïve-café CAFÉS") << QStringList{u"naive"_qs, u"cafe"_qs, u"cafes"_qs};
    QTest::newRow("dash between scripts") << QStringLiteral("Łódź—Kraków") << QStringList{u"lodz"_qs, u"krakow"_qs};
}

void tst_SearchIndex::words()
{
    QFETCH(QString, text);
    QFETCH(QStringList, folded);
    QCOMPARE(SearchText::foldedWords(text), folded);
    // The index's quick fold gives the same words.
    QString indexed = QStringLiteral("x");
    SearchText::appendFolded(text, indexed);
    QCOMPARE(indexed.split(u' ', Qt::SkipEmptyParts), QStringList{u"x"_qs} + folded);
    // Each word points back at its place in the text.
    for (const SearchText::Word& w : SearchText::words(text))
        QCOMPARE(TextFold::primaryKey(text.mid(w.start, w.end - w.start)), w.folded.toStdU32String());
}

void tst_SearchIndex::queries_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    const QString lodz = QStringLiteral("0:Łódź Stories");
    const QString amelie = QStringLiteral("0:Le Fabuleux Destin");
    const QString album = QStringLiteral("1:Night Train");
    QTest::newRow("accent in the item") << "emile" << QStringList{lodz, u"2:Germinal"_qs};
    QTest::newRow("letter case") << "EMILE zola" << QStringList{lodz, u"2:Germinal"_qs};
    QTest::newRow("accent typed") << "émile germinal" << QStringList{u"2:Germinal"_qs};
    QTest::newRow("stroke letter") << "lodz" << QStringList{lodz};
    QTest::newRow("cyrillic diaeresis") << "ёжик" << QStringList{u"0:Ёжик в тумане"_qs};
    QTest::newRow("cyrillic plain") << "ежик" << QStringList{u"0:Ёжик в тумане"_qs};
    QTest::newRow("cast") << "виноградова" << QStringList{u"0:Ёжик в тумане"_qs};
    QTest::newRow("words in two fields") << "anna" << QStringList{lodz, u"0:Anna Karenina"_qs};
    QTest::newRow("named field") << "cast:anna" << QStringList{lodz};
    QTest::newRow("named field alias") << "actor:nowak" << QStringList{lodz};
    QTest::newRow("named field other folder") << "name:nowak" << QStringList{u"4:Nowak Zofia"_qs};
    QTest::newRow("year field") << "year:1984" << QStringList{lodz};
    QTest::newRow("year anywhere") << "1984" << QStringList{lodz};
    QTest::newRow("rtf description") << "waitress" << QStringList{amelie};
    QTest::newRow("rtf escaped accent") << "cafe" << QStringList{amelie};
    QTest::newRow("rtf hidden group") << "generator" << QStringList{};
    QTest::newRow("plain description") << "hedgehog fog" << QStringList{u"0:Ёжик в тумане"_qs};
    QTest::newRow("songs") << "jam blues" << QStringList{album};
    QTest::newRow("song field") << "song:easy" << QStringList{album};
    QTest::newRow("phrase") << "\"c jam\"" << QStringList{album};
    QTest::newRow("phrase order") << "\"blues jam\"" << QStringList{};
    QTest::newRow("phrase across cast") << "\"tautou mathieu\"" << QStringList{};
    QTest::newRow("words across cast") << "mathieu tautou" << QStringList{amelie};
    QTest::newRow("prefix") << "nig" << QStringList{album};
    QTest::newRow("prefix with accent") << "Łó" << QStringList{lodz};
    QTest::newRow("one letter is a word") << "c" << QStringList{album};
    QTest::newRow("finished word is whole") << "nig " << QStringList{};
    QTest::newRow("every word must occur") << "anna hedgehog" << QStringList{};
    QTest::newRow("words in title and description") << "anna tolstoy" << QStringList{u"0:Anna Karenina"_qs};
    QTest::newRow("address e-mail") << "zofia@example" << QStringList{u"4:Nowak Zofia"_qs};
    QTest::newRow("hyphenated") << "jean-pierre" << QStringList{amelie};
    QTest::newRow("sql text") << "'; DROP TABLE Movies; --" << QStringList{};
    QTest::newRow("search syntax words") << "anna OR karenina" << QStringList{};
    QTest::newRow("near") << "NEAR(anna nowak)" << QStringList{};
    QTest::newRow("stray quote") << "anna\"" << QStringList{lodz, u"0:Anna Karenina"_qs};
    QTest::newRow("unclosed quote") << "\"karenina" << QStringList{u"0:Anna Karenina"_qs};
    QTest::newRow("asterisk") << "*" << QStringList{};
    QTest::newRow("asterisk inside") << "kar*nina" << QStringList{};
    QTest::newRow("column syntax") << "{title}: anna" << QStringList{};
    QTest::newRow("field nobody has") << "colour:blue" << QStringList{};
    QTest::newRow("empty field") << "cast:" << QStringList{};
    QTest::newRow("url is text") << "http://x" << QStringList{};
    // The index knows words only: phrases and fields are checked on the items it gives.
    QTest::newRow("phrase of a title") << "\"anna karenina\"" << QStringList{u"0:Anna Karenina"_qs};
    QTest::newRow("phrase words reversed") << "\"karenina anna\"" << QStringList{};
    QTest::newRow("phrase in a field") << "cast:\"anna nowak\"" << QStringList{lodz};
    QTest::newRow("phrase in another field") << "title:\"anna nowak\"" << QStringList{};
    QTest::newRow("field without the word") << "title:zola" << QStringList{};
    QTest::newRow("field with the word") << "director:zola" << QStringList{lodz};
    QTest::newRow("prefix in a field") << "song:eas" << QStringList{album};
    QTest::newRow("phrase and a prefix") << "\"night train\" pet" << QStringList{album};
    QTest::newRow("two letters begin a word") << "ni" << QStringList{album};
    QTest::newRow("two letters in many fields")
        << "an" << QStringList{amelie, u"0:Ёжик в тумане"_qs, lodz, u"0:Anna Karenina"_qs};
    QTest::newRow("one letter after a word") << "zofia n" << QStringList{};
    QTest::newRow("only quotes") << "\"\"" << QStringList{};
    QTest::newRow("minus is text") << "anna -nowak" << QStringList{lodz};
    QTest::newRow("caret and parentheses") << "^(anna)" << QStringList{lodz, u"0:Anna Karenina"_qs};
    QTest::newRow("noncharacter") << "\uFFFF" << QStringList{};
    QTest::newRow("field quote unclosed") << "cast:\"anna" << QStringList{lodz};
}

void tst_SearchIndex::queries()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    static TempCatalogue cat;
    static bool filled = false;
    if (!filled) {
        rawExec(cat.path(), QString::fromUtf8(kFixture));
        filled = true;
    }
    Program program(cat.folder());
    const SearchResults indexed = program.search(typed);
    QVERIFY(indexed.fromIndex);
    QCOMPARE(found(indexed), expected);
    // Reading the tables finds the same: the index and the program's own test agree.
    const SearchResults scanned = program.scan(typed);
    QVERIFY(!scanned.fromIndex || SearchQuery::parse(typed).isEmpty());
    QCOMPARE(found(scanned), expected);
    for (size_t f = 0; f < indexed.folders.size(); ++f)
        QCOMPARE(indexed.folders[f].count, scanned.folders[f].count);
    QCOMPARE(OtherProgram::fileColumn(cat.path(), QStringLiteral("select count(*) from Movies")), QStringList{u"4"_qs});
}

void tst_SearchIndex::hitShowsFieldAndMarks()
{
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    Program program(cat.folder());
    const SearchResults results = program.search(QStringLiteral("paris wait"));
    QCOMPARE(results.folders[0].hits.size(), size_t(1));
    const SearchHit& hit = results.folders[0].hits[0];
    QCOMPARE(hit.field, QStringLiteral("Description"));
    QCOMPARE(hit.snippet, QStringLiteral("A Paris café and its waitress "));
    QStringList marked;
    for (const auto& [from, to] : hit.marks)
        marked << hit.snippet.mid(from, to - from);
    QCOMPARE(marked, (QStringList{u"Paris"_qs, u"waitress"_qs}));
    QCOMPARE(hit.subtitle, QStringLiteral("2001 Jean-Pierre Jeunet"));
    QCOMPARE(results.folders[0].count, qint64(1));
}

void tst_SearchIndex::countsAfterTheFirstPage()
{
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    Program program(cat.folder());
    for (SearchIndex* index : {program.index.get(), static_cast<SearchIndex*>(nullptr)}) {
        CatalogueSearch search(program.dm.dbKOLT.handle(), index);
        const SearchQuery query = SearchQuery::parse(u"anna"_qs);
        SearchResults results = search.run(query, 1, nullptr, false);
        QCOMPARE(found(results), QStringList{u"0:Łódź Stories"_qs});
        // A full page is shown before the rest is counted, through the index or the tables.
        QCOMPARE(results.folders[0].count, qint64(-1));
        QVERIFY(!results.counted());
        search.countRest(query, results);
        QCOMPARE(results.folders[0].count, qint64(2));
        QCOMPARE(results.folders[2].count, qint64(0));
        QVERIFY(results.counted());
    }
}

void tst_SearchIndex::indexFoldsAsTheCatalogueCompares()
{
    // Texts the catalogue's comparison calls equal at its first level find each other through
    // the index, and texts it tells apart do not.
    const QList<std::pair<QString, QString>> equal{{u"Łódź"_qs, u"LODZ"_qs},     {u"Ørjan"_qs, u"orjan"_qs},
                                                   {u"Ёжик"_qs, u"ежик"_qs},     {u"Çelik"_qs, u"celik"_qs},
                                                   {u"Dvořák"_qs, u"dvorak"_qs}, {u"Ǿ"_qs, u"o"_qs}};
    const QList<std::pair<QString, QString>> different{{u"Œuvre"_qs, u"oeuvre"_qs}, {u"Ærø"_qs, u"aero"_qs}};
    TempCatalogue cat;
    int id = 0;
    for (const auto& [stored, typed] : equal + different)
        rawExec(cat.path(),
                QStringLiteral("INSERT INTO Books (Id, Category, Title) VALUES (%1, 'x', '%2')").arg(++id).arg(stored));
    Program program(cat.folder());
    for (const auto& [stored, typed] : equal) {
        QVERIFY2(TextFold::primaryKey(stored) == TextFold::primaryKey(typed), qPrintable(stored));
        const SearchResults r = program.search(typed + u' ');
        QVERIFY(r.fromIndex);
        QCOMPARE(found(r), QStringList{u"2:"_qs + stored});
    }
    for (const auto& [stored, typed] : different) {
        QVERIFY(TextFold::primaryKey(stored) != TextFold::primaryKey(typed));
        const SearchResults r = program.search(typed + u' ');
        QVERIFY(r.fromIndex);
        QCOMPARE(found(r), QStringList{});
    }
}

void tst_SearchIndex::changesShowAtOnce()
{
    TempCatalogue cat;
    Program program(cat.folder());
    TDM& dm = program.dm;
    ModuleSteps::openMovies(dm);
    dm.qrMovies.Insert();
    dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Ziemia obiecana"));
    dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Drama"));
    ModuleSteps::addCast(dm, QStringLiteral("Daniel Olbrychski"));
    Procedury::PostRecord(dm.qrMovies);
    QCOMPARE(found(program.search(u"olbrychski"_qs)), QStringList{u"0:Ziemia obiecana"_qs});
    QVERIFY(program.search(u"olbrychski"_qs).fromIndex);

    // An edit of the item, then a cast member added and another removed from the saved movie.
    QVERIFY(dm.qrMovies.Locate(QStringLiteral("Title"), QVariantList{QStringLiteral("Ziemia obiecana")}, 0));
    dm.qrMovies.Edit();
    dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Promised Land"));
    Procedury::PostRecord(dm.qrMovies);
    QCOMPARE(found(program.search(u"ziemia"_qs)), QStringList{});
    QCOMPARE(found(program.search(u"promised"_qs)), QStringList{u"0:Promised Land"_qs});
    ModuleSteps::addCast(dm, QStringLiteral("Wojciech Pszoniak"));
    QCOMPARE(found(program.search(u"pszoniak"_qs)), QStringList{u"0:Promised Land"_qs});
    QVERIFY(dm.qrMv_Cast.Locate(QStringLiteral("Name"), QVariantList{QStringLiteral("Daniel Olbrychski")}, 0));
    dm.qrMv_Cast.Delete();
    QCOMPARE(found(program.search(u"olbrychski"_qs)), QStringList{});
    QCOMPARE(found(program.search(u"pszoniak"_qs)), QStringList{u"0:Promised Land"_qs});

    dm.qrMovies.Delete();
    QCOMPARE(found(program.search(u"promised"_qs)), QStringList{});
    QVERIFY(program.search(u"promised"_qs).fromIndex);
}

void tst_SearchIndex::undonePostLeavesNoTrace()
{
    TempCatalogue cat;
    Program program(cat.folder());
    TDM& dm = program.dm;
    dm.qrBooks.Open();
    dm.tbC_Books.Open();
    dm.tbA_Books.Open();
    // A rule after the index's refuses the post: the whole post is undone, entry included.
    int refusals = 1;
    dm.qrBooks.addPostRule(&refusals, [&](TDAODataset&) {
        if (refusals-- > 0)
            throw EDatabaseError(QStringLiteral("refused"));
    });
    dm.qrBooks.Insert();
    dm.qrBooks.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Solaris"));
    dm.qrBooks.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Novel"));
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, dm.qrBooks.Post());
    dm.qrBooks.Cancel();
    QCOMPARE(found(program.search(u"solaris"_qs)), QStringList{});
    QVERIFY(program.search(u"solaris"_qs).fromIndex);
    // Neither the words nor the mark of a changed item are left in the file.
    QCOMPARE(OtherProgram::fileColumn(cat.path(), QStringLiteral("select count(*) from kolt_search_books "
                                                                 "where kolt_search_books match 'solaris'")),
             QStringList{u"0"_qs});
    QCOMPARE(OtherProgram::fileColumn(cat.path(), QStringLiteral("select count(*) from kolt_search_changed")),
             QStringList{u"0"_qs});
    dm.qrBooks.removeRules(&refusals);
}

// A new item and a new cast member only add words: nothing is marked for searches to read
// again (a large import would otherwise make the next opening build the index anew). An edit
// can lose words: it is marked, and the lost word finds nothing.
void tst_SearchIndex::onlyAChangedItemIsReadAgain()
{
    TempCatalogue cat;
    Program program(cat.folder());
    TDM& dm = program.dm;
    ModuleSteps::openMovies(dm);
    auto changedMarks = [&] {
        return OtherProgram::fileColumn(cat.path(), QStringLiteral("select count(*) from kolt_search_changed"));
    };
    dm.qrMovies.Insert();
    dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Solaris"));
    dm.qrMovies.FieldByName(QStringLiteral("Category")).SetAsString(QStringLiteral("Drama"));
    Procedury::PostRecord(dm.qrMovies);
    ModuleSteps::addCast(dm, QStringLiteral("Donatas Banionis"));
    QCOMPARE(changedMarks(), QStringList{u"0"_qs});
    QCOMPARE(found(program.search(u"banionis solaris"_qs)), QStringList{u"0:Solaris"_qs});

    dm.qrMovies.Edit();
    dm.qrMovies.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Stalker"));
    Procedury::PostRecord(dm.qrMovies);
    QCOMPARE(changedMarks(), QStringList{u"1"_qs});
    QCOMPARE(found(program.search(u"solaris"_qs)), QStringList{});
    QCOMPARE(found(program.search(u"stalker banionis"_qs)), QStringList{u"0:Stalker"_qs});
}

void tst_SearchIndex::postStillKnowsItsChangedRows()
{
    // A folder read again after a post reads only the rows the post changed; the index's own
    // rows, which SQLite counts as changes without saying which, must not make it read all.
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    Program program(cat.folder());
    TDM& dm = program.dm;
    ModuleSteps::openMovies(dm);
    const ChangeLog::Mark mark = dm.dbKOLT.changes().mark(u"Movies"_qs);
    dm.qrMovies.Edit();
    dm.qrMovies.FieldByName(QStringLiteral("Tot_time")).SetAsString(QStringLiteral("90 min"));
    const qint64 id = dm.qrMovies.FieldByName(QStringLiteral("Id")).AsInteger();
    Procedury::PostRecord(dm.qrMovies);
    const auto changed = dm.dbKOLT.changes().changedSince(mark, u"Movies"_qs);
    QVERIFY(changed.has_value());
    QCOMPARE(*changed, std::vector<qint64>{id});
    QCOMPARE(found(program.search(u"time:90"_qs)).size(), 1);
}

void tst_SearchIndex::shellChangeWhileRunning()
{
    if (shell().isEmpty())
        QSKIP("the sqlite3 shell is not installed");
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    Program program(cat.folder());
    QVERIFY(program.search(u"germinal"_qs).fromIndex);
    shellExec(cat.path(), QStringLiteral("UPDATE Books SET Title = 'Nana' WHERE Id = 1; "
                                         "INSERT INTO Mv_Cast (P_Id, Name) VALUES (4, 'Greta Garbo');"));
    const SearchResults old = program.search(u"germinal"_qs);
    QVERIFY(!old.fromIndex);
    QCOMPARE(found(old), QStringList{});
    QCOMPARE(found(program.search(u"nana"_qs)), QStringList{u"2:Nana"_qs});
    QCOMPARE(found(program.search(u"cast:garbo"_qs)), QStringList{u"0:Anna Karenina"_qs});
}

void tst_SearchIndex::shellChangeWhileClosed()
{
    if (shell().isEmpty())
        QSKIP("the sqlite3 shell is not installed");
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    {
        Program program(cat.folder());
        QVERIFY(program.search(u"germinal"_qs).fromIndex);
    }
    {
        // Closed and opened again with nothing changed: the index is trusted as it is.
        Program program(cat.folder());
        QVERIFY(program.index->isCurrent());
    }
    shellExec(cat.path(), QStringLiteral("UPDATE Books SET Author = 'Victor Hugo' WHERE Id = 1;"));
    {
        // Read-only, the stale index is not used; writable, it is built again.
        Program readOnly(cat.folder(), true);
        const SearchResults r = readOnly.search(u"hugo"_qs);
        QVERIFY(!r.fromIndex);
        QCOMPARE(found(r), QStringList{u"2:Germinal"_qs});
        QCOMPARE(found(readOnly.search(u"zola"_qs)), QStringList{u"0:Łódź Stories"_qs});
    }
    Program program(cat.folder());
    const SearchResults r = program.search(u"hugo"_qs);
    QVERIFY(r.fromIndex);
    QCOMPARE(found(r), QStringList{u"2:Germinal"_qs});
}

void tst_SearchIndex::readOnlyCatalogue()
{
    // A catalogue never opened for writing has no index: searches read the tables.
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    Program program(cat.folder(), true);
    QVERIFY(!program.index->isPresent());
    const SearchResults r = program.search(u"cast:anna"_qs);
    QVERIFY(!r.fromIndex);
    QCOMPARE(found(r), QStringList{u"0:Łódź Stories"_qs});
}

void tst_SearchIndex::otherProgramsStillWrite()
{
    if (shell().isEmpty())
        QSKIP("the sqlite3 shell is not installed");
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    {
        Program program(cat.folder());
    }
    // The shell has none of the program's functions, yet writes the tables and reads the index.
    shellExec(cat.path(),
              QStringLiteral("INSERT INTO Movies (Category, Title, Media_type) VALUES ('x', 'Shell', 'CD'); "
                             "DELETE FROM Movies WHERE Id = 2; UPDATE Mu_Songs SET Title = 'Other';"));
    QProcess p;
    p.start(shell(), {cat.path(), QStringLiteral("SELECT rowid FROM kolt_search_movies WHERE kolt_search_movies MATCH "
                                                 "'\"anna\"' ORDER BY rowid;")});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts),
             (QStringList{u"3"_qs, u"4"_qs}));
}

void tst_SearchIndex::countsLeaveOutWordsLost()
{
    // An item changed since the build still has its old words in the index: it is found by
    // them, read again, and neither shown nor counted, and the index stays trusted.
    TempCatalogue cat;
    rawExec(cat.path(), QStringLiteral("INSERT INTO Books (Id, Category, Title) VALUES (1, 'x', 'Alpha One'), "
                                       "(2, 'x', 'Alpha Two'), (3, 'x', 'Alpha Three'), (4, 'x', 'Alpha Four'), "
                                       "(5, 'x', 'Alpha Five');"));
    Program program(cat.folder());
    TDM& dm = program.dm;
    dm.qrBooks.Open();
    dm.tbC_Books.Open();
    dm.tbA_Books.Open();
    for (const qint64 id : {1, 2}) {
        QVERIFY(dm.qrBooks.Locate(QStringLiteral("Id"), QVariantList{id}, 0));
        dm.qrBooks.Edit();
        dm.qrBooks.FieldByName(QStringLiteral("Title")).SetAsString(QStringLiteral("Beta %1").arg(id));
        Procedury::PostRecord(dm.qrBooks);
    }
    QVERIFY(dm.qrBooks.Locate(QStringLiteral("Id"), QVariantList{3}, 0));
    dm.qrBooks.Delete();
    const QList<std::pair<QString, qint64>> expected{
        {u"alpha"_qs, 2},         {u"alpha "_qs, 2},         {u"alp"_qs, 2},        {u"beta"_qs, 2},
        {u"\"alpha two\""_qs, 0}, {u"\"alpha four\""_qs, 1}, {u"title:beta"_qs, 2}, {u"title:alpha"_qs, 2}};
    for (const auto& [typed, count] : expected) {
        const SearchQuery query = SearchQuery::parse(typed);
        CatalogueSearch search(dm.dbKOLT.handle(), program.index.get());
        // A page of one: the rest is counted through the index.
        SearchResults results = search.run(query, 1, nullptr, false);
        search.countRest(query, results);
        QVERIFY2(results.fromIndex && !results.indexWentWrong, qPrintable(typed));
        QCOMPARE(results.folders[2].count, count);
        QCOMPARE(program.search(typed).folders[2].count, count);
    }
    QVERIFY(program.index->isCurrent());
}

void tst_SearchIndex::previousLayoutRebuilt()
{
    // The index as the previous version made it: a copy of every text, by column.
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    QString old = QStringLiteral("CREATE TABLE kolt_search_state (key TEXT PRIMARY KEY, value TEXT);"
                                 "INSERT INTO kolt_search_state VALUES ('layout', '2;%1'), ('in_step_at', '1');")
                      .arg(TextFold::version());
    for (const SearchFolder& f : SearchFolder::all()) {
        QStringList columns;
        for (const SearchColumn* c : f.indexColumns())
            columns << c->column;
        old += QStringLiteral("CREATE VIRTUAL TABLE %1 USING fts5(%2, tokenize = 'ascii', prefix = '2', "
                              "columnsize = 0);")
                   .arg(f.indexTable, columns.join(u", "));
    }
    old += QStringLiteral("INSERT INTO kolt_search_books (rowid, title) VALUES (1, 'stale');");
    rawExec(cat.path(), old);
    {
        Program readOnly(cat.folder(), true);
        QVERIFY(!readOnly.index->isPresent());
        QVERIFY(!readOnly.search(u"stale"_qs).fromIndex);
    }
    Program program(cat.folder());
    QVERIFY(program.index->isCurrent());
    QCOMPARE(OtherProgram::fileColumn(cat.path(), QStringLiteral("select value from kolt_search_state "
                                                                 "where key = 'layout'")),
             QStringList{SearchIndex::layout()});
    const QStringList sql = OtherProgram::fileColumn(
        cat.path(), QStringLiteral("select sql from sqlite_schema where name = 'kolt_search_books'"));
    QCOMPARE(sql.size(), 1);
    QVERIFY2(sql[0].contains(u"content = ''") && sql[0].contains(u"detail = none"), qPrintable(sql[0]));
    const SearchResults stale = program.search(u"stale"_qs);
    QVERIFY(stale.fromIndex);
    QCOMPARE(found(stale), QStringList{});
    QCOMPARE(found(program.search(u"germinal"_qs)), QStringList{u"2:Germinal"_qs});
}

void tst_SearchIndex::stoppedBuildChangesNothing()
{
    TempCatalogue cat;
    rawExec(cat.path(), QString::fromUtf8(kFixture));
    TDM dm(cat.folder());
    dm.DataModuleCreate();
    {
        SearchIndex index(dm.dbKOLT, true);
        std::atomic_bool cancel = false;
        int calls = 0;
        index.prepare([&](int percent) { calls += percent == 100 ? 1 : 0; }, &cancel);
        QVERIFY(index.isCurrent());
        QCOMPARE(calls, 1);
        QVERIFY(index.rebuild({}, &cancel));
        // Stopped: the build is undone whole, and the index as it was is kept.
        cancel = true;
        QVERIFY(!index.rebuild({}, &cancel));
        QVERIFY(index.isPresent());
        QVERIFY(!index.isCurrent());
        QVERIFY(!CatalogueSearch(dm.dbKOLT.handle(), &index).run(SearchQuery::parse(u"zola"_qs)).fromIndex);
        index.close();
    }
    SearchIndex again(dm.dbKOLT, true);
    again.prepare();
    QVERIFY(again.isCurrent());
    QCOMPARE(found(CatalogueSearch(dm.dbKOLT.handle(), &again).run(SearchQuery::parse(u"zola"_qs))),
             (QStringList{u"0:Łódź Stories"_qs, u"2:Germinal"_qs}));
}

QTEST_GUILESS_MAIN(tst_SearchIndex)
#include "tst_searchindex.moc"
