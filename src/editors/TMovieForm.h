#pragma once

#include "ItemEditor.h"

class TDBGrid;

// The editor of one movie of the movies query, in place, with its properties and its cast.
class TMovieForm : public ItemEditor
{
    Q_OBJECT

public:
    TMovieForm(QWidget* owner, TDM& dm);

    // "Add" beside the cast: a new cast row, its actor picked or typed in "Add cast".
    void RxSpeedButton1Click();
    // "Delete" beside the cast: the current cast member, after the question.
    void RxSpeedButton3Click();

    TDBGrid* gridMv_Cast = nullptr;

private:
    QWidget* properties(QWidget* parent);
    QWidget* cast(QWidget* parent);

    InstanceSlot<TMovieForm> m_instance;
};

extern TMovieForm* MovieForm;
