#pragma once

#include "TDataLink.h"

class TDAOQuery;

// Binds a detail query to its master's data source: every change of the master's current row
// (other than a field being edited) runs the detail again, and the detail leaves edit state
// before the master moves.
class TMasterDataLink : public TDataLink
{
public:
    explicit TMasterDataLink(TDAOQuery& detail)
        : m_detail(detail)
    {
    }

protected:
    void activeChanged() override;
    void dataSetChanged() override;
    void dataSetScrolled(int distance) override;
    void recordChanged(TField* field) override;
    void checkBrowseMode() override;

private:
    void refresh();
    TDAOQuery& m_detail;
};
