#pragma once

#include "PictureStore.h"

#include <QString>

class TDAODataset;
class TDAOQuery;
class TDM;

// Keeps the pictures with their items for as long as it lives: at a writable opening pictures
// whose item another program deleted go; deleting an item deletes its picture in the same
// transaction. The picture table is made when the first picture is stored.
class PictureRules
{
public:
    explicit PictureRules(TDM& dm);
    ~PictureRules();
    PictureRules(const PictureRules&) = delete;
    PictureRules& operator=(const PictureRules&) = delete;

    // The folder index whose items `dataSet` shows (the data module's item queries), -1 for
    // any other dataset.
    static int folderOf(TDM& dm, const TDAODataset& dataSet);
    static TDAOQuery& folderQuery(TDM& dm, int folder);
    // The table of a folder's items.
    static QString tableOf(int folder);
    static constexpr int kFolders = 5;

private:
    void prepareCatalogue();

    TDM& m_dm;
    PictureStore m_store;
};
