#pragma once

#include "LookupListForm.h"

// The music lookup lists: categories and artists.
class TT_MusicForm : public LookupListForm
{
    Q_OBJECT

public:
    TT_MusicForm(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TT_MusicForm> m_instance;
};

extern TT_MusicForm* T_MusicForm;
