#pragma once

#include "LookupListForm.h"

// The programs' lookup list: categories, in the order they were stored.
class TT_ProgForm : public LookupListForm
{
    Q_OBJECT

public:
    TT_ProgForm(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TT_ProgForm> m_instance;
};

extern TT_ProgForm* T_ProgForm;
