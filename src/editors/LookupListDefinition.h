#pragma once

#include <QString>
#include <vector>

class TDAOTable;
class TDataSource;
class TDM;

// What one lookup lists dialog shows: everything in which the five dialogs differ.
struct LookupListDefinition
{
    struct Tab
    {
        QString caption;       // on the tab
        TDAOTable TDM::*table; // the list the tab shows
        QString addCaption;    // of the name-entry dialog opened by "Add"
        QString editCaption;   // and by "Edit"
    };

    QString formName;         // T_MoviesForm, ...
    QString caption;          // the dialog's title
    std::vector<Tab> tabs;    // left to right; the first is the one the dialog opens on
    TDataSource TDM::*source; // the data module's source of the list, re-pointed per tab
    QString gridName;         // gridT_Mov, ...
    QString tabStripName;     // tcT_Mov, ...; none where the strip has one tab only

    // The tab every dialog opens on.
    static Tab categories(TDAOTable TDM::*table)
    {
        return {QStringLiteral("Categories"), table, QStringLiteral("Add category"), QStringLiteral("Edit category")};
    }
};
