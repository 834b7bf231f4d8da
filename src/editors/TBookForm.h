#pragma once

#include "ItemEditor.h"

// The editor of one book of the books query, in place.
class TBookForm : public ItemEditor
{
    Q_OBJECT

public:
    explicit TBookForm(QWidget* owner);

private:
    InstanceSlot<TBookForm> m_instance;
};

extern TBookForm* BookForm;
