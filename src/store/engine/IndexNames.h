#pragma once

#include <QString>

// SQLite's index names are global to the file, while the catalogue names its indexes per
// table ("Name" on eight lookup tables). An index the program names N on table T is stored as
// "T$N"; any other index keeps its own name.
class IndexNames
{
public:
    static QString stored(const QString& table, const QString& name) { return table + QLatin1Char('$') + name; }

    static QString logical(const QString& table, const QString& stored)
    {
        const QString prefix = table + QLatin1Char('$');
        return stored.startsWith(prefix, Qt::CaseInsensitive) ? stored.mid(prefix.size()) : stored;
    }
};
