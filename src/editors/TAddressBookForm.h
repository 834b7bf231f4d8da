#pragma once

#include "ItemEditor.h"

class QTabWidget;

// The editor of one address book entry of the address book query, in place: the name and
// category on top, the home and office addresses and the description on pages below.
class TAddressBookForm : public ItemEditor
{
    Q_OBJECT

public:
    TAddressBookForm(QWidget* owner, TDM& dm);

    QTabWidget* pages() const { return m_pages; }

private:
    QTabWidget* m_pages = nullptr;
    InstanceSlot<TAddressBookForm> m_instance;
};

extern TAddressBookForm* AddressBookForm;
