#include "TDataLink.h"

#include "TDAODataset.h"
#include "TDataSource.h"

TDataLink::~TDataLink()
{
    if (m_dataSource)
        m_dataSource->removeLink(this);
}

void TDataLink::setDataSource(TDataSource* source)
{
    if (source == m_dataSource)
        return;
    if (m_dataSource)
        m_dataSource->removeLink(this);
    m_dataSource = source;
    if (m_dataSource)
        m_dataSource->addLink(this);
    updateState();
}

TDAODataset* TDataLink::DataSet() const
{
    return m_dataSource ? m_dataSource->DataSet() : nullptr;
}

void TDataLink::updateState()
{
    TDAODataset* ds = DataSet();
    const bool active = ds && ds->Active();
    const bool editing = active && (ds->State() == TDataSetState::Edit || ds->State() == TDataSetState::Insert);
    if (active != m_active) {
        m_active = active;
        m_editing = editing;
        activeChanged();
        return;
    }
    if (editing != m_editing) {
        m_editing = editing;
        editingChanged();
    }
}

void TDataLink::dataEvent(TDataEvent event, std::intptr_t info)
{
    if (event == TDataEvent::UpdateState) {
        updateState();
        return;
    }
    if (!m_active)
        return;
    switch (event) {
    case TDataEvent::FieldChange:
        recordChanged(reinterpret_cast<TField*>(info));
        break;
    case TDataEvent::RecordChange:
        recordChanged(nullptr);
        break;
    case TDataEvent::DataSetChange:
        dataSetChanged();
        break;
    case TDataEvent::DataSetScroll:
        dataSetScrolled(int(info));
        break;
    case TDataEvent::UpdateRecord:
        updateData();
        break;
    case TDataEvent::CheckBrowseMode:
        checkBrowseMode();
        break;
    case TDataEvent::FocusControl:
        focusControl(reinterpret_cast<TField*>(info));
        break;
    case TDataEvent::UpdateState:
        break;
    }
}
