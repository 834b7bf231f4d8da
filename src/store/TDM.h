#pragma once

#include "TDAODatabase.h"

#include <QString>

// The data module: the one owner of the catalogue's connection and of every dataset of the
// program, with the catalogue's record rules as its event handlers.
class TDM
{
public:
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

private:
    QString m_programFolder;
};

// The data module of the running program.
extern TDM* DM;
