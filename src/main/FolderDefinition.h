#pragma once

#include "GridColumn.h"

#include <QString>
#include <QStringList>
#include <vector>

class TDAOQuery;
class TDAOTable;
class TDataSource;
class TDM;

// What the main window shows for one folder, in the order of the folder index: 0 Movies,
// 1 Music, 2 Books, 3 Programs, 4 Address Book.
struct FolderDefinition
{
    struct Pair
    {
        QString label;
        QString field;
        QString secondLine; // a field shown on the line under it, without a label
    };

    int index = 0;
    QString caption;     // folder bar, Folders and Tools menus, title band
    QString panelName;   // PanelMov, ...
    QString gridName;    // gridMov, ...
    QString tableName;   // the table the sort statement names
    QString searchField; // the field Find searches at first
    std::vector<GridColumn> columns;
    std::vector<Pair> details;
    enum class Lower { Description, Cast, Songs } lower = Lower::Description;
    int gridShare = 65;    // per cent of the panel's width
    int detailsShare = 40; // per cent of the right column's height
    int listShare = 0;     // per cent of the lower pane taken by the cast or song list

    static const std::vector<FolderDefinition>& all();
    // The stored column a grid column sorts and searches by.
    static QString sortColumn(const QString& field);

    // The data module's pieces behind a folder.
    static TDataSource& source(TDM& dm, int index);
    static TDAOQuery& query(TDM& dm, int index);
    static TDAOTable& categories(TDM& dm, int index);
    static constexpr int kCount = 5;
};
