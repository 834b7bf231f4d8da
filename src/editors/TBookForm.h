#pragma once

#include "ItemEditor.h"

// The editor of one book of the books query, in place.
class TBookForm : public ItemEditor
{
    Q_OBJECT

public:
    TBookForm(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TBookForm> m_instance;
};

extern TBookForm* BookForm;
