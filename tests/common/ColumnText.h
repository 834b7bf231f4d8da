#pragma once

#include "SqliteStatement.h"

#include <QString>
#include <QStringList>

struct sqlite3;

// The first column of every row a statement gives, as text; `nullMark` stands for a null.
inline QStringList columnText(sqlite3* db, const QString& sql, const QString& nullMark = QString())
{
    SqliteStatement s(db, sql);
    QStringList out;
    while (s.step())
        out << (s.columnIsNull(0) ? nullMark : s.columnText(0));
    return out;
}
