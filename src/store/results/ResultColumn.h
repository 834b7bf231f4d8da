#pragma once

#include "TFieldType.h"

#include <QString>
#include <vector>

struct sqlite3_stmt;

// One column of an open result, as the engine describes it.
struct ResultColumn
{
    QString name;   // the name the result gives it
    QString table;  // the table it comes from (empty for an expression)
    QString origin; // the table's column (empty for an expression)
    TFieldType type = TFieldType::Unknown;
    int size = 0;
    bool key = false; // the table's auto-number key

    // Describes every column of a prepared statement. Unnamed expressions are called
    // Expr1000, Expr1001, ... as the program's queries expect.
    static std::vector<ResultColumn> describe(sqlite3_stmt* stmt);
};
