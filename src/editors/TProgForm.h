#pragma once

#include "ItemEditor.h"

// The editor of one program (software package) of the programs query, in place.
class TProgForm : public ItemEditor
{
    Q_OBJECT

public:
    TProgForm(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TProgForm> m_instance;
};

extern TProgForm* ProgForm;
