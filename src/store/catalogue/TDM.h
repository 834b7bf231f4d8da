#pragma once

#include "TDAODatabase.h"
#include "TDAOQuery.h"
#include "TDAOQueryDef.h"
#include "TDAOTable.h"
#include "TDataSource.h"

#include <memory>

#include <QString>

// The data module: the one owner of the catalogue's connection and of every dataset of the
// program. Its event handlers are the catalogue's record rules; they run whichever window
// caused the change.
class RunningCopy;
class WaitingDetails;

class TDM
{
public:
    // The highest track number a new song is given: the most the song editor can show.
    static constexpr int kHighestTrack = 999;

    // `programFolder` holds the catalogue koltDB.mdb (the folder of the program file).
    explicit TDM(QString programFolder);
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    static constexpr const char* kFileName = "koltDB.mdb";
    static constexpr const char* kPassword = "trobel72";

    // Sets the catalogue's file and password and opens it; no dataset is opened here.
    void DataModuleCreate();
    // Closes the catalogue, and with it every dataset still open on it.
    void DataModuleDestroy();

    TDAODatabase dbKOLT{QStringLiteral("dbKOLT")};

    // One query per collection, shown by the folder grids.
    TDAOQuery qrMovies{QStringLiteral("qrMovies")};
    TDAOQuery qrMusic{QStringLiteral("qrMusic")};
    TDAOQuery qrBooks{QStringLiteral("qrBooks")};
    TDAOQuery qrProg{QStringLiteral("qrProg")};
    TDAOQuery qrAddBook{QStringLiteral("qrAddBook")};
    TDataSource dsMovies{QStringLiteral("dsMovies"), &qrMovies};
    TDataSource dsMusic{QStringLiteral("dsMusic"), &qrMusic};
    TDataSource dsBooks{QStringLiteral("dsBooks"), &qrBooks};
    TDataSource dsProg{QStringLiteral("dsProg"), &qrProg};
    TDataSource dsAddBook{QStringLiteral("dsAddBook"), &qrAddBook};

    // A movie's cast and an album's songs, following their master's current record.
    TDAOQuery qrMv_Cast{QStringLiteral("qrMv_Cast")};
    TDAOQuery qrMu_Songs{QStringLiteral("qrMu_Songs")};
    TDataSource dsMv_Cast{QStringLiteral("dsMv_Cast"), &qrMv_Cast};
    TDataSource dsMu_Songs{QStringLiteral("dsMu_Songs"), &qrMu_Songs};

    // The highest track number stored for an album.
    TDAOQuery qrMaxTr{QStringLiteral("qrMaxTr")};

    // The lookup lists.
    TDAOTable tbC_Movies{QStringLiteral("tbC_Movies")};
    TDAOTable tbD_Movies{QStringLiteral("tbD_Movies")};
    TDAOTable tbA_Movies{QStringLiteral("tbA_Movies")};
    TDAOTable tbC_Music{QStringLiteral("tbC_Music")};
    TDAOTable tbA_Music{QStringLiteral("tbA_Music")};
    TDAOTable tbC_Books{QStringLiteral("tbC_Books")};
    TDAOTable tbA_Books{QStringLiteral("tbA_Books")};
    TDAOTable tbC_AddBook{QStringLiteral("tbC_AddBook")};
    TDAOTable tbC_Programs{QStringLiteral("tbC_Programs")};
    TDataSource dsT_Movies{QStringLiteral("dsT_Movies"), &tbC_Movies};
    TDataSource dsT_Music{QStringLiteral("dsT_Music"), &tbC_Music};
    TDataSource dsT_Books{QStringLiteral("dsT_Books"), &tbC_Books};
    TDataSource dsT_Prog{QStringLiteral("dsT_Prog"), &tbC_Programs};
    TDataSource dsT_AddBook{QStringLiteral("dsT_AddBook"), &tbC_AddBook};

    // The stored action statements that keep casts and songs with their parents.
    TDAOQueryDef qdUpdMv_Cast{QStringLiteral("qdUpdMv_Cast")};
    TDAOQueryDef qdDelMv_Cast{QStringLiteral("qdDelMv_Cast")};
    TDAOQueryDef qdUpdMu_Songs{QStringLiteral("qdUpdMu_Songs")};
    TDAOQueryDef qdDelMu_Songs{QStringLiteral("qdDelMu_Songs")};

    // The report queries, read only by the reports.
    TDAOQuery qrRep_Mov{QStringLiteral("qrRep_Mov")};
    TDAOQuery qrRep_Music{QStringLiteral("qrRep_Music")};
    TDAOQuery qrRep_Books{QStringLiteral("qrRep_Books")};
    TDAOQuery qrRep_Prog{QStringLiteral("qrRep_Prog")};
    TDAOQuery qrRep_AddBook{QStringLiteral("qrRep_AddBook")};
    TDataSource dsREP_Mov{QStringLiteral("dsREP_Mov"), &qrRep_Mov};
    TDataSource dsREP_Music{QStringLiteral("dsREP_Music"), &qrRep_Music};
    TDataSource dsREP_Books{QStringLiteral("dsREP_Books"), &qrRep_Books};
    TDataSource dsREP_Prog{QStringLiteral("dsREP_Prog"), &qrRep_Prog};
    TDataSource dsREP_AddBook{QStringLiteral("dsREP_AddBook"), &qrRep_AddBook};

    // The record rules.
    void qrMoviesNewRecord(TDAODataset& dataSet);
    void qrMv_CastNewRecord(TDAODataset& dataSet);
    void qrMu_SongsNewRecord(TDAODataset& dataSet);
    void qrMoviesBeforePost(TDAODataset& dataSet);
    void qrMusicBeforePost(TDAODataset& dataSet);
    void qrBooksBeforePost(TDAODataset& dataSet);
    void qrProgBeforePost(TDAODataset& dataSet);
    void qrAddBookBeforePost(TDAODataset& dataSet);
    void qrMv_CastBeforePost(TDAODataset& dataSet);
    void qrMoviesAfterPost(TDAODataset& dataSet);
    void qrMusicAfterPost(TDAODataset& dataSet);
    void qrMoviesAfterCancel(TDAODataset& dataSet);
    void qrMusicAfterCancel(TDAODataset& dataSet);
    void qrMoviesBeforeDelete(TDAODataset& dataSet);
    void qrMusicBeforeDelete(TDAODataset& dataSet);
    void qrMu_SongsAfterDelete(TDAODataset& dataSet);
    void qrMv_CastAfterPost(TDAODataset& dataSet);
    void qrMu_SongsAfterPost(TDAODataset& dataSet);
    void qrAddBookCalcFields(TDAODataset& dataSet);
    void qrRep_AddBookCalcFields(TDAODataset& dataSet);

    // Lists a saved change could not read again afterwards (the file was busy): they show
    // their rows as they were until read again here. Raises when the file still refuses.
    bool HasStaleLists() const { return !m_stale.empty(); }
    void RereadStaleLists();

private:
    void declareDatasets();
    void attachRules();
    // Cast and song rows left waiting for a parent by an entry that never ended (a copy of the
    // program that is gone) go when the catalogue is opened.
    void removeOrphanDetails();
    // After a post: the folder's query and its detail list read again, both kept showing
    // their rows if the file cannot be read now.
    void rereadAfterPost(TDAODataset& folder, TDAODataset& details);

    QString m_programFolder;
    std::vector<TDAODataset*> m_stale;
    std::unique_ptr<RunningCopy> m_copy;
    std::unique_ptr<WaitingDetails> m_waiting;
};

// The data module of the running program.
extern TDM* DM;
