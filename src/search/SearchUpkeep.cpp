#include "SearchUpkeep.h"

#include "SearchIndex.h"
#include "TDM.h"

namespace {

qint64 field(TDAODataset& dataSet, const char* name)
{
    return dataSet.FieldByName(QLatin1String(name)).AsInteger();
}

} // namespace

SearchUpkeep::SearchUpkeep(TDM& dm, SearchIndex& index)
    : m_dm(dm)
    , m_index(index)
{
    attachFolder(dm.qrMovies, 0);
    attachFolder(dm.qrMusic, 1);
    attachFolder(dm.qrBooks, 2);
    attachFolder(dm.qrProg, 3);
    attachFolder(dm.qrAddBook, 4);
    attachDetails(dm.qrMv_Cast, 0);
    attachDetails(dm.qrMu_Songs, 1);
}

SearchUpkeep::~SearchUpkeep()
{
    for (TDAODataset* dataSet :
         std::initializer_list<TDAODataset*>{&m_dm.qrMovies, &m_dm.qrMusic, &m_dm.qrBooks, &m_dm.qrProg,
                                             &m_dm.qrAddBook, &m_dm.qrMv_Cast, &m_dm.qrMu_Songs})
        dataSet->removeRules(this);
}

void SearchUpkeep::attachFolder(TDAODataset& dataSet, int folder)
{
    dataSet.addPostRule(
        this, [this, folder](TDAODataset& ds) { m_index.refresh(folder, field(ds, "Id"), 0, ds.PostInserted()); });
    dataSet.addDeleteRule(this, [this, folder](TDAODataset& ds) { m_index.remove(folder, field(ds, "Id")); });
}

void SearchUpkeep::attachDetails(TDAODataset& dataSet, int folder)
{
    // A row of an item not saved yet (parent 0) counts once its item is posted.
    dataSet.addPostRule(
        this, [this, folder](TDAODataset& ds) { m_index.refresh(folder, field(ds, "P_Id"), 0, ds.PostInserted()); });
    dataSet.addDeleteRule(
        this, [this, folder](TDAODataset& ds) { m_index.refresh(folder, field(ds, "P_Id"), field(ds, "Id")); });
}
