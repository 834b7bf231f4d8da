#include "PictureRules.h"

#include "TDM.h"

#include <QStringList>

PictureRules::PictureRules(TDM& dm)
    : m_dm(dm)
    , m_store(dm.dbKOLT)
{
    prepareCatalogue();
    for (int folder = 0; folder < kFolders; ++folder) {
        folderQuery(dm, folder).addDeleteRule(this, [this, folder](TDAODataset& item) {
            m_store.remove(folder, item.FieldByName(QStringLiteral("Id")).AsInteger());
        });
    }
}

PictureRules::~PictureRules()
{
    for (int folder = 0; folder < kFolders; ++folder)
        folderQuery(m_dm, folder).removeRules(this);
}

TDAOQuery& PictureRules::folderQuery(TDM& dm, int folder)
{
    TDAOQuery* const queries[kFolders] = {&dm.qrMovies, &dm.qrMusic, &dm.qrBooks, &dm.qrProg, &dm.qrAddBook};
    return *queries[folder];
}

int PictureRules::folderOf(TDM& dm, const TDAODataset& dataSet)
{
    for (int folder = 0; folder < kFolders; ++folder) {
        if (&folderQuery(dm, folder) == &dataSet)
            return folder;
    }
    return -1;
}

QString PictureRules::tableOf(int folder)
{
    static const QStringList tables{QStringLiteral("Movies"), QStringLiteral("Music"), QStringLiteral("Books"),
                                    QStringLiteral("Programs"), QStringLiteral("AddressBook")};
    return tables.at(folder);
}

void PictureRules::prepareCatalogue()
{
    // The table itself is made with the first picture stored (in that item's transaction): a
    // catalogue that is only browsed is never written to, not even a damaged one.
    TDAODatabase& db = m_dm.dbKOLT;
    if (!db.Connected() || db.ReadOnly())
        return;
    try {
        if (!m_store.hasTable())
            return;
        TDAODatabase::Transaction transaction(db);
        for (int folder = 0; folder < kFolders; ++folder)
            m_store.removeOrphans(folder, tableOf(folder));
        transaction.commit();
    } catch (const std::exception&) {
        // Only tidying: orphans take room but are never shown (item keys are never used
        // again). The next opening tries again.
    }
}
