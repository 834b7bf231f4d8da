#pragma once

#include "LookupListForm.h"

// The movies' lookup lists: categories, directors and actors.
class TT_MoviesForm : public LookupListForm
{
    Q_OBJECT

public:
    TT_MoviesForm(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TT_MoviesForm> m_instance;
};

extern TT_MoviesForm* T_MoviesForm;
