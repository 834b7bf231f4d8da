#include "TDataSource.h"

#include "NotifyAll.h"
#include "TDAODataset.h"
#include "TDataLink.h"

#include <algorithm>

TDataSource::TDataSource(QString name, TDAODataset* dataSet)
    : m_name(std::move(name))
{
    setDataSet(dataSet);
}

TDataSource::~TDataSource()
{
    if (m_dataSet)
        m_dataSet->removeDataSource(this);
    m_dataSet = nullptr;
    const auto links = m_links;
    for (TDataLink* link : links)
        link->detachFromSource();
}

void TDataSource::setDataSet(TDAODataset* dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->removeDataSource(this);
    m_dataSet = dataSet;
    if (m_dataSet)
        m_dataSet->addDataSource(this);
    const auto links = m_links;
    for (TDataLink* link : links) {
        if (std::find(m_links.begin(), m_links.end(), link) == m_links.end())
            continue;
        // A link whose old and new dataset are both open would not see a state change, yet
        // everything it shows is different now.
        const bool wasActive = link->Active();
        link->updateState();
        if (wasActive && link->Active())
            link->dataEvent(TDataEvent::DataSetChange, 0);
    }
}

void TDataSource::addLink(TDataLink* link)
{
    if (std::find(m_links.begin(), m_links.end(), link) == m_links.end())
        m_links.push_back(link);
}

void TDataSource::removeLink(TDataLink* link)
{
    m_links.erase(std::remove(m_links.begin(), m_links.end(), link), m_links.end());
}

void TDataSource::notify(TDataEvent event, std::intptr_t info)
{
    notifyAll(m_links, [event, info](TDataLink& link) { link.dataEvent(event, info); });
}
