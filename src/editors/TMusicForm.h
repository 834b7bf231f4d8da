#pragma once

#include "ItemEditor.h"

class TDBGrid;

// The editor of one music album of the albums query, in place, with the album's songs.
class TMusicForm : public ItemEditor
{
    Q_OBJECT

public:
    TMusicForm(QWidget* owner, TDM& dm);

    // "Add" under the songs: a new song row, entered in the song editor.
    void RxSpeedButton1Click();
    // "Delete" under the songs: the current song, after the question.
    void RxSpeedButton3Click();

    TDBGrid* gridMu_Songs = nullptr;

private:
    QWidget* songs(QWidget* parent);

    InstanceSlot<TMusicForm> m_instance;
};

extern TMusicForm* MusicForm;
