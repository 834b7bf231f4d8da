#pragma once

#include "ItemEditor.h"

// The editor of a new song, over the row its caller inserted into the songs query; it
// always shows the track number the data module proposed.
class TSongForm : public ItemEditor
{
    Q_OBJECT

public:
    TSongForm(QWidget* owner, TDM& dm);

    // A new song for the current album (inserted into the songs query), entered in this
    // dialog over `owner`.
    static void addSong(QWidget* owner, TDM& dm);

private:
    InstanceSlot<TSongForm> m_instance;
};

extern TSongForm* SongForm;
