#pragma once

#include "KoltDialog.h"
#include "LookupListDefinition.h"

class ButtonTabBar;
class QPushButton;
class TDAODataset;
class TDBGrid;

// A dialog in which the user keeps a collection's lookup lists by hand: one tab per list, the
// names of the selected one in a grid, and "Add", "Edit", "Delete" and "Exit". Each name is
// stored the moment it is confirmed (by the name-entry dialog, or by a delete), so the dialog
// itself never holds a pending change and closing it only closes it. The dialogs differ only
// in their definition.
class LookupListForm : public KoltDialog
{
    Q_OBJECT

public:
    LookupListForm(QWidget* owner, TDM& dm, const LookupListDefinition& definition);

    // Handlers.
    void FormCreate();
    // The tab strip's change (tcT_MovChange in the movies dialog, and so on).
    void TabChange();
    void btAddClick();
    void btEditClick();
    void btDelClick();
    void btExitClick();

    // The table the list shows.
    TDAODataset& shownTable() const;
    ButtonTabBar* tabStrip() const { return m_tabs; }
    TDBGrid* grid() const { return m_grid; }

    QPushButton* btAdd = nullptr;
    QPushButton* btEdit = nullptr;
    QPushButton* btDel = nullptr;
    QPushButton* btExit = nullptr;

protected:
    QWidget* initialFocus() const override;

private:
    QWidget* buildList();
    const LookupListDefinition::Tab& selectedTab() const;
    TDataSource& source() const;
    void showTab(int index);

    TDM& m_dm;
    const LookupListDefinition& m_definition;
    ButtonTabBar* m_tabs = nullptr;
    TDBGrid* m_grid = nullptr;
};
