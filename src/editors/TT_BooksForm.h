#pragma once

#include "LookupListForm.h"

// The books' lookup lists: categories and authors.
class TT_BooksForm : public LookupListForm
{
    Q_OBJECT

public:
    TT_BooksForm(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TT_BooksForm> m_instance;
};

extern TT_BooksForm* T_BooksForm;
