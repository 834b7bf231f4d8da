#pragma once

#include "ExchangeFolder.h"
#include "SqliteStatement.h"

#include <QHash>
#include <QString>
#include <vector>

class TDAODatabase;

// The cast or songs of many items at once, each as the one text a file gives them (see
// DetailText): one statement reads the lists of a whole batch of items, in the order the
// folder's detail query gives them for one item, so that an export does not run a query per
// item.
class DetailLists
{
public:
    // Items read by one statement.
    static constexpr int kBatch = 256;

    DetailLists(TDAODatabase& db, ExchangeFolder::Details details);

    // Reads the lists of these items (at most kBatch of them), in place of those read before.
    void read(const std::vector<qint64>& items);
    // The text of an item read by the last read(); nullptr for an item it did not ask for.
    const QString* find(qint64 item) const;

private:
    void prepare();

    TDAODatabase& m_db;
    ExchangeFolder::Details m_details;
    SqliteStatement m_batch;
    QHash<qint64, QString> m_texts;
};
