#pragma once

#include "LookupListForm.h"

// The address book's lookup list: categories.
class TT_AddBookForm : public LookupListForm
{
    Q_OBJECT

public:
    TT_AddBookForm(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TT_AddBookForm> m_instance;
};

extern TT_AddBookForm* T_AddBookForm;
