#include "TMasterDataLink.h"

#include "TDAOQuery.h"

void TMasterDataLink::refresh()
{
    if (Active() && m_detail.Active())
        m_detail.refreshFromMaster();
}

void TMasterDataLink::activeChanged()
{
    refresh();
}

void TMasterDataLink::dataSetChanged()
{
    refresh();
}

void TMasterDataLink::dataSetScrolled(int)
{
    refresh();
}

void TMasterDataLink::recordChanged(TField* field)
{
    if (!field)
        refresh();
}

void TMasterDataLink::checkBrowseMode()
{
    if (m_detail.Active())
        m_detail.CheckBrowseMode();
}
