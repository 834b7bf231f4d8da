#pragma once

#include "TDataEvent.h"

#include <cstdint>

class TDataSource;
class TDAODataset;
class TField;

// Everything bound to a dataset (a grid, an edit control, a detail dataset) is told of its
// changes through one of these. The hooks run synchronously inside the dataset's operation.
class TDataLink
{
public:
    TDataLink() = default;
    virtual ~TDataLink();
    TDataLink(const TDataLink&) = delete;
    TDataLink& operator=(const TDataLink&) = delete;

    TDataSource* DataSource() const { return m_dataSource; }
    void setDataSource(TDataSource* source);
    TDAODataset* DataSet() const;
    bool Active() const { return m_active; }
    bool Editing() const { return m_editing; }

    // For TDataSource.
    void dataEvent(TDataEvent event, std::intptr_t info);
    void detachFromSource()
    {
        m_dataSource = nullptr;
        updateState();
    }
    void updateState();

protected:
    virtual void activeChanged() { }
    virtual void editingChanged() { }
    virtual void dataSetChanged() { }
    virtual void dataSetScrolled(int /*distance*/) { dataSetChanged(); }
    virtual void recordChanged(TField* /*field*/) { }
    virtual void updateData() { }
    virtual void checkBrowseMode() { }
    virtual void focusControl(TField* /*field*/) { }

private:
    TDataSource* m_dataSource = nullptr;
    bool m_active = false;
    bool m_editing = false;
};
