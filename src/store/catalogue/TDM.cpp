#include "TDM.h"

#include "CatalogueFile.h"
#include "EEngineError.h"
#include "HeldNotifications.h"
#include "Procedury.h"
#include "RunningCopy.h"
#include "WaitingDetails.h"

#include <QDir>
#include <algorithm>

TDM* DM = nullptr;

namespace {

struct FieldSpec
{
    const char* name;
    TFieldType type;
    int size;
    bool required;
};

constexpr TFieldType S = TFieldType::String;
constexpr TFieldType Short = TFieldType::SmallInt;
constexpr TFieldType Int = TFieldType::Integer;
constexpr TFieldType Key = TFieldType::AutoInc;
constexpr TFieldType Date = TFieldType::DateTime;
constexpr TFieldType Memo = TFieldType::Memo;

const std::vector<FieldSpec> kMovies{
    {"Id", Key, 0, false},      {"M_no", S, 10, false},     {"Category", S, 20, true},      {"Title", S, 70, true},
    {"Year", Short, 0, false},  {"Tot_time", S, 10, false}, {"Date_aq", Date, 0, false},    {"Media_type", S, 10, true},
    {"Director", S, 50, false}, {"Prop", Int, 0, false},    {"Description", Memo, 0, false}};
const std::vector<FieldSpec> kCast{{"Id", Key, 0, false}, {"P_Id", Int, 0, false}, {"Name", S, 30, true}};
const std::vector<FieldSpec> kMusic{
    {"Id", Key, 0, false},       {"Category", S, 50, true},  {"Title", S, 70, true},
    {"Artist", S, 50, false},    {"Year", Short, 0, false},  {"Tot_time", S, 10, false},
    {"Date_aq", Date, 0, false}, {"Media_type", S, 5, true}, {"Description", Memo, 0, false}};
const std::vector<FieldSpec> kSongs{{"Id", Key, 0, false},
                                    {"P_Id", Int, 0, false},
                                    {"Track", Int, 0, true},
                                    {"Title", S, 30, true},
                                    {"Time", S, 5, false}};
const std::vector<FieldSpec> kBooks{
    {"Id", Key, 0, false},       {"Category", S, 20, true},    {"Title", S, 70, true},
    {"Author", S, 50, false},    {"Year", Short, 0, false},    {"Tot_pg", Short, 0, false},
    {"Date_aq", Date, 0, false}, {"Publishers", S, 30, false}, {"Description", Memo, 0, false}};
const std::vector<FieldSpec> kPrograms{
    {"Id", Key, 0, false},       {"M_no", S, 10, false},    {"Category", S, 20, true},      {"Name", S, 70, true},
    {"Version", S, 20, false},   {"Year", Short, 0, false}, {"Size", S, 20, false},         {"Date_aq", Date, 0, false},
    {"Media_type", S, 10, true}, {"Author", S, 50, false},  {"Description", Memo, 0, false}};
// "LF_Name" marks where the calculated display name goes: right after L_Name.
const std::vector<FieldSpec> kAddressBook{
    {"Id", Key, 0, false},       {"Category", S, 20, true},      {"F_Name", S, 30, false},  {"L_Name", S, 40, true},
    {"LF_Name", S, 71, false},   {"H_Addr1", S, 50, false},      {"H_Addr2", S, 50, false}, {"H_Pc", S, 30, false},
    {"H_Country", S, 30, false}, {"H_Tel", S, 50, false},        {"H_Mob", S, 50, false},   {"H_Fax", S, 50, false},
    {"H_email", S, 50, false},   {"H_www", S, 50, false},        {"O_Comp", S, 50, false},  {"O_Pos", S, 50, false},
    {"O_Addr1", S, 50, false},   {"O_Addr2", S, 50, false},      {"O_Pc", S, 30, false},    {"O_Country", S, 30, false},
    {"O_Tel", S, 50, false},     {"O_Mob", S, 50, false},        {"O_Fax", S, 50, false},   {"O_email", S, 50, false},
    {"O_www", S, 50, false},     {"Description", Memo, 0, false}};

void declare(TDAODataset& ds, const std::vector<FieldSpec>& fields, bool withRequired = true)
{
    for (const FieldSpec& f : fields) {
        const QString name = QLatin1String(f.name);
        if (name == QLatin1String("LF_Name"))
            ds.AddCalcField(name, f.type, f.size);
        else
            ds.AddField(name, f.type, f.size, withRequired && f.required);
    }
}

void setUp(TDAOQuery& q, TDAODatabase& db, const QStringList& sql)
{
    q.setDatabase(&db);
    q.setSQL(sql);
}

void setUp(TDAOTable& t, TDAODatabase& db, const char* table, int nameWidth, bool named = true)
{
    t.setDatabase(&db);
    t.setTableName(QLatin1String(table));
    t.setIndexName(named ? QStringLiteral("Name") : QString());
    t.AddField(QStringLiteral("Id"), TFieldType::Integer);
    t.AddField(QStringLiteral("P_Id"), TFieldType::Integer);
    t.AddField(QStringLiteral("Name"), TFieldType::String, nameWidth, true);
}

void setUp(TDAOQueryDef& qd, TDAODatabase& db, const char* statement, const char* param, TDAOQueryDef::Effect effect,
           const char* table)
{
    qd.setDatabase(&db);
    qd.setQueryDefName(QLatin1String(statement));
    qd.Params().CreateParam(QLatin1String(param), TFieldType::Integer);
    qd.setPermittedEffect(effect, QLatin1String(table));
}

void runStatement(TDAOQueryDef& qd, const char* param, qint64 value)
{
    qd.ParamByName(QLatin1String(param)).SetAsInteger(value);
    qd.Execute(0);
}

} // namespace

TDM::TDM(QString programFolder)
    : m_programFolder(std::move(programFolder))
    , m_copy(std::make_unique<RunningCopy>(m_programFolder))
    , m_waiting(std::make_unique<WaitingDetails>(dbKOLT, *m_copy))
{
    declareDatasets();
    attachRules();
}

TDM::~TDM()
{
    DataModuleDestroy();
    if (DM == this)
        DM = nullptr;
}

void TDM::declareDatasets()
{
    setUp(qrMovies, dbKOLT, {QStringLiteral("select * from Movies"), QStringLiteral("order by Title")});
    setUp(qrMusic, dbKOLT, {QStringLiteral("select * from Music"), QStringLiteral("order by Artist")});
    setUp(qrBooks, dbKOLT, {QStringLiteral("select * from Books"), QStringLiteral("order by Title")});
    setUp(qrProg, dbKOLT, {QStringLiteral("select * from Programs"), QStringLiteral("order by Name")});
    setUp(qrAddBook, dbKOLT, {QStringLiteral("select * from AddressBook"), QStringLiteral("order by L_Name")});
    declare(qrMovies, kMovies);
    declare(qrMusic, kMusic);
    declare(qrBooks, kBooks);
    declare(qrProg, kPrograms);
    declare(qrAddBook, kAddressBook);
    // A large folder that could not be given its indexes (a read-only catalogue) is sorted
    // beside the program, so that a click on a column title never holds the window.
    for (TDAOQuery* folder : {&qrMovies, &qrMusic, &qrBooks, &qrProg, &qrAddBook})
        folder->setOrderBesideFrom(CatalogueFile::kIndexedFrom);

    setUp(
        qrMv_Cast, dbKOLT,
        {QStringLiteral("select * from Mv_Cast"), QStringLiteral("where P_Id = :Id"), QStringLiteral("order by Name")});
    setUp(qrMu_Songs, dbKOLT,
          {QStringLiteral("select * from Mu_Songs "), QStringLiteral("where P_Id = :Id"),
           QStringLiteral("order by Track")});
    qrMv_Cast.ParamByName(QStringLiteral("Id")).setDataType(TFieldType::Integer);
    qrMu_Songs.ParamByName(QStringLiteral("Id")).setDataType(TFieldType::Integer);
    qrMv_Cast.setDataSource(&dsMovies);
    qrMu_Songs.setDataSource(&dsMusic);
    declare(qrMv_Cast, kCast);
    declare(qrMu_Songs, kSongs);

    setUp(qrMaxTr, dbKOLT, {QStringLiteral("select max(Track) from Mu_Songs"), QStringLiteral("where P_Id = :rec;")});
    qrMaxTr.ParamByName(QStringLiteral("rec")).setDataType(TFieldType::Integer);
    qrMaxTr.AddField(QStringLiteral("Expr1000"), TFieldType::Integer);

    setUp(tbC_Movies, dbKOLT, "Movies_C", 50);
    setUp(tbD_Movies, dbKOLT, "Movies_D", 50);
    setUp(tbA_Movies, dbKOLT, "Movies_A", 50);
    setUp(tbC_Music, dbKOLT, "Music_C", 30);
    setUp(tbA_Music, dbKOLT, "Music_A", 50);
    setUp(tbC_Books, dbKOLT, "Books_C", 50);
    setUp(tbA_Books, dbKOLT, "Books_A", 50);
    setUp(tbC_AddBook, dbKOLT, "AddBook_C", 50);
    setUp(tbC_Programs, dbKOLT, "Programs_C", 50, false);

    using Effect = TDAOQueryDef::Effect;
    setUp(qdUpdMv_Cast, dbKOLT, "UpdMv_Cast", "[mov_id]", Effect::Update, "Mv_Cast");
    setUp(qdDelMv_Cast, dbKOLT, "DelMv_Cast", "[mov_id]", Effect::Delete, "Mv_Cast");
    setUp(qdUpdMu_Songs, dbKOLT, "UpdMu_Songs", "[mu_id]", Effect::Update, "Mu_Songs");
    setUp(qdDelMu_Songs, dbKOLT, "DelMu_Songs", "[mu_id]", Effect::Delete, "Mu_Songs");

    setUp(qrRep_Mov, dbKOLT, {QStringLiteral("select * from Movies"), QStringLiteral("order by Title")});
    setUp(qrRep_Music, dbKOLT, {QStringLiteral("select * from Music"), QStringLiteral("order by Artist")});
    setUp(qrRep_Books, dbKOLT, {QStringLiteral("select * from Books"), QStringLiteral("order by Title")});
    setUp(qrRep_Prog, dbKOLT, {QStringLiteral("select * from Programs"), QStringLiteral("order by Name")});
    setUp(qrRep_AddBook, dbKOLT,
          {QStringLiteral("select * from AddressBook"), QStringLiteral("order by L_Name,F_Name")});
    declare(qrRep_Mov, kMovies, false);
    declare(qrRep_Music, kMusic, false);
    declare(qrRep_Books, kBooks, false);
    declare(qrRep_Prog, kPrograms, false);
    declare(qrRep_AddBook, kAddressBook, false);
}

void TDM::attachRules()
{
    using Rule = void (TDM::*)(TDAODataset&);
    auto rule = [this](Rule r) { return [this, r](TDAODataset& ds) { (this->*r)(ds); }; };
    qrMovies.OnNewRecord = rule(&TDM::qrMoviesNewRecord);
    qrMusic.OnNewRecord = rule(&TDM::qrMoviesNewRecord);
    qrProg.OnNewRecord = rule(&TDM::qrMoviesNewRecord);
    qrMv_Cast.OnNewRecord = rule(&TDM::qrMv_CastNewRecord);
    qrMu_Songs.OnNewRecord = rule(&TDM::qrMu_SongsNewRecord);

    qrMovies.BeforePost = rule(&TDM::qrMoviesBeforePost);
    qrMusic.BeforePost = rule(&TDM::qrMusicBeforePost);
    qrBooks.BeforePost = rule(&TDM::qrBooksBeforePost);
    qrProg.BeforePost = rule(&TDM::qrProgBeforePost);
    qrAddBook.BeforePost = rule(&TDM::qrAddBookBeforePost);
    qrMv_Cast.BeforePost = rule(&TDM::qrMv_CastBeforePost);

    qrMovies.AfterPost = rule(&TDM::qrMoviesAfterPost);
    qrMusic.AfterPost = rule(&TDM::qrMusicAfterPost);
    qrMovies.AfterCancel = rule(&TDM::qrMoviesAfterCancel);
    qrMusic.AfterCancel = rule(&TDM::qrMusicAfterCancel);
    qrMovies.BeforeDelete = rule(&TDM::qrMoviesBeforeDelete);
    qrMusic.BeforeDelete = rule(&TDM::qrMusicBeforeDelete);
    qrMu_Songs.AfterDelete = rule(&TDM::qrMu_SongsAfterDelete);
    qrMv_Cast.AfterPost = rule(&TDM::qrMv_CastAfterPost);
    qrMu_Songs.AfterPost = rule(&TDM::qrMu_SongsAfterPost);

    qrAddBook.OnCalcFields = rule(&TDM::qrAddBookCalcFields);
    qrRep_AddBook.OnCalcFields = rule(&TDM::qrRep_AddBookCalcFields);
}

void TDM::DataModuleCreate()
{
    dbKOLT.setDatabaseName(QDir(m_programFolder).filePath(QLatin1String(kFileName)));
    dbKOLT.setPassword(QLatin1String(kPassword));
    dbKOLT.Open();
    removeOrphanDetails();
}

void TDM::DataModuleDestroy()
{
    if (dbKOLT.Connected() && !dbKOLT.ReadOnly())
        m_waiting->removeAbandoned();
    dbKOLT.Close();
}

void TDM::removeOrphanDetails()
{
    if (dbKOLT.ReadOnly())
        return;
    try {
        m_waiting->cleanUpAtOpening();
    } catch (const EEngineError& e) {
        // Another program reading the file holds the clean-up off: it is only tidying, and the
        // rows it would remove belong to nobody; the next opening does it.
        if (!e.Busy())
            throw;
    }
}

void TDM::qrMoviesNewRecord(TDAODataset& dataSet)
{
    dataSet.FieldByName(QStringLiteral("Media_type")).SetAsString(QStringLiteral("CD"));
}

void TDM::qrMv_CastNewRecord(TDAODataset& dataSet)
{
    dataSet.FieldByName(QStringLiteral("P_Id")).SetAsInteger(qrMovies.FieldByName(QStringLiteral("Id")).AsInteger());
}

void TDM::qrMu_SongsNewRecord(TDAODataset& dataSet)
{
    TField& parent = dataSet.FieldByName(QStringLiteral("P_Id"));
    parent.SetAsInteger(qrMusic.FieldByName(QStringLiteral("Id")).AsInteger());
    qrMaxTr.Close();
    qrMaxTr.ParamByName(QStringLiteral("rec")).SetAsInteger(parent.AsInteger());
    qrMaxTr.Open();
    // The song editor shows track numbers up to 999: past that, 999 is proposed again (two
    // songs may share a number), so that the number shown is the number stored.
    const qint64 highest = qrMaxTr.FieldByName(QStringLiteral("Expr1000")).AsInteger();
    const qint64 next = highest >= 1 ? std::min<qint64>(highest + 1, kHighestTrack) : 1;
    dataSet.FieldByName(QStringLiteral("Track")).SetAsInteger(next);
}

void TDM::qrMoviesBeforePost(TDAODataset& dataSet)
{
    Procedury::AddToLookupIfMissing(dataSet, tbC_Movies, QStringLiteral("Category"));
    Procedury::AddToLookupIfMissing(dataSet, tbD_Movies, QStringLiteral("Director"));
}

void TDM::qrMusicBeforePost(TDAODataset& dataSet)
{
    Procedury::AddToLookupIfMissing(dataSet, tbC_Music, QStringLiteral("Category"));
    Procedury::AddToLookupIfMissing(dataSet, tbA_Music, QStringLiteral("Artist"));
}

void TDM::qrBooksBeforePost(TDAODataset& dataSet)
{
    Procedury::AddToLookupIfMissing(dataSet, tbC_Books, QStringLiteral("Category"));
    Procedury::AddToLookupIfMissing(dataSet, tbA_Books, QStringLiteral("Author"));
}

void TDM::qrProgBeforePost(TDAODataset& dataSet)
{
    Procedury::AddToLookupIfMissing(dataSet, tbC_Programs, QStringLiteral("Category"));
}

void TDM::qrAddBookBeforePost(TDAODataset& dataSet)
{
    Procedury::AddToLookupIfMissing(dataSet, tbC_AddBook, QStringLiteral("Category"));
}

void TDM::qrMv_CastBeforePost(TDAODataset& dataSet)
{
    Procedury::AddToLookupIfMissing(dataSet, tbA_Movies, QStringLiteral("Name"));
}

// The re-link is part of the post; the queries are read again once the post is stored, so
// that a post undone at its end leaves them as they were.
// Another copy of the program may have rows waiting too: the relink reaches only the rows
// entered for this item.
void TDM::qrMoviesAfterPost(TDAODataset& dataSet)
{
    const qint64 id = dataSet.FieldByName(QStringLiteral("Id")).AsInteger();
    m_waiting->adopt(QStringLiteral("Mv_Cast"), [this, id] { runStatement(qdUpdMv_Cast, "[mov_id]", id); });
    dbKOLT.afterCommit([this] { rereadAfterPost(qrMovies, *dsMv_Cast.DataSet()); }, &qrMovies);
}

void TDM::qrMusicAfterPost(TDAODataset& dataSet)
{
    const qint64 id = dataSet.FieldByName(QStringLiteral("Id")).AsInteger();
    m_waiting->adopt(QStringLiteral("Mu_Songs"), [this, id] { runStatement(qdUpdMu_Songs, "[mu_id]", id); });
    dbKOLT.afterCommit([this] { rereadAfterPost(qrMusic, *dsMu_Songs.DataSet()); }, &qrMusic);
}

void TDM::rereadAfterPost(TDAODataset& folder, TDAODataset& details)
{
    for (TDAODataset* ds : {&folder, &details}) {
        if (std::find(m_stale.begin(), m_stale.end(), ds) == m_stale.end())
            m_stale.push_back(ds);
    }
    RereadStaleLists();
}

void TDM::RereadStaleLists()
{
    while (!m_stale.empty()) {
        m_stale.front()->Reread();
        m_stale.erase(m_stale.begin());
    }
}

void TDM::qrMoviesAfterCancel(TDAODataset&)
{
    m_waiting->discard(QStringLiteral("Mv_Cast"), QStringLiteral("cast"));
}

void TDM::qrMusicAfterCancel(TDAODataset&)
{
    m_waiting->discard(QStringLiteral("Mu_Songs"), QStringLiteral("songs"));
}

void TDM::qrMv_CastAfterPost(TDAODataset& dataSet)
{
    if (dataSet.FieldByName(QStringLiteral("P_Id")).AsInteger() == 0)
        m_waiting->entered(QStringLiteral("Mv_Cast"), dataSet.FieldByName(QStringLiteral("Id")).AsInteger());
}

void TDM::qrMu_SongsAfterPost(TDAODataset& dataSet)
{
    if (dataSet.FieldByName(QStringLiteral("P_Id")).AsInteger() == 0)
        m_waiting->entered(QStringLiteral("Mu_Songs"), dataSet.FieldByName(QStringLiteral("Id")).AsInteger());
}

void TDM::qrMoviesBeforeDelete(TDAODataset& dataSet)
{
    runStatement(qdDelMv_Cast, "[mov_id]", dataSet.FieldByName(QStringLiteral("Id")).AsInteger());
}

void TDM::qrMusicBeforeDelete(TDAODataset& dataSet)
{
    runStatement(qdDelMu_Songs, "[mu_id]", dataSet.FieldByName(QStringLiteral("Id")).AsInteger());
}

void TDM::qrMu_SongsAfterDelete(TDAODataset& dataSet)
{
    // The windows see the renumbered list once, and are told of it even if a write fails
    // half-way; the numbers are stored all together or not at all.
    const HeldNotifications held(dataSet);
    TDAODatabase::Transaction transaction(dbKOLT);
    try {
        dataSet.First();
        int track = 0;
        TField& field = dataSet.FieldByName(QStringLiteral("Track"));
        while (!dataSet.Eof()) {
            dataSet.Edit();
            field.SetAsInteger(++track);
            dataSet.Next();
        }
        transaction.commit();
    } catch (...) {
        dataSet.Cancel(); // a half-numbered row is not posted by the next move
        throw;
    }
    dbKOLT.runAfterCommit();
}

void TDM::qrAddBookCalcFields(TDAODataset& dataSet)
{
    dataSet.FieldByName(QStringLiteral("LF_Name"))
        .SetAsString(dataSet.FieldByName(QStringLiteral("L_Name")).AsString() + QLatin1Char(' ')
                     + dataSet.FieldByName(QStringLiteral("F_Name")).AsString());
}

void TDM::qrRep_AddBookCalcFields(TDAODataset& dataSet)
{
    qrAddBookCalcFields(dataSet);
}
