#pragma once

#include <QString>
#include <QStringList>

// One index of a table as the program sees it: its name, its fields, and whether it is the
// primary key or refuses duplicates.
struct TIndexDef
{
    QString Name;       // the program's name for it
    QString storedName; // SQLite's name ("" for the primary key, which is the table's rowid)
    QStringList Fields;
    bool Primary = false;
    bool Unique = false;
};
