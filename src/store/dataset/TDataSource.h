#pragma once

#include "TDataEvent.h"

#include <QString>
#include <cstdint>
#include <vector>

class TDAODataset;
class TDataLink;

// Joins one dataset to what is bound to it and passes the dataset's notifications on.
class TDataSource
{
public:
    explicit TDataSource(QString name = QString(), TDAODataset* dataSet = nullptr);
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    const QString& Name() const { return m_name; }
    TDAODataset* DataSet() const { return m_dataSet; }
    // Re-pointing a source tells every link that its dataset changed.
    void setDataSet(TDAODataset* dataSet);

    // For links and datasets.
    void addLink(TDataLink* link);
    void removeLink(TDataLink* link);
    void notify(TDataEvent event, std::intptr_t info);
    void datasetDestroyed() { setDataSet(nullptr); }

private:
    QString m_name;
    TDAODataset* m_dataSet = nullptr;
    std::vector<TDataLink*> m_links;
};
