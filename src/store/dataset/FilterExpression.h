#pragma once

#include "TFieldType.h"

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

// Turns a dataset filter, written as the condition of a where clause ("Category = 'Drama'"),
// into an SQLite condition in which every literal is a bound parameter. Field names are
// checked against the result; text compares with the catalogue's collation (letter case
// ignored); LIKE uses * ? # and [...] patterns.
//
// Grammar: or-expr of and-exprs of [NOT] comparisons; a comparison is an operand, optionally
// followed by = <> != < > <= >=, [NOT] LIKE, IS [NOT] NULL, [NOT] IN (...) or
// [NOT] BETWEEN .. AND ..; an operand is a field name (plain or in [brackets]), a text in
// single or double quotes (a doubled quote stands for itself), a number, a #date#, TRUE,
// FALSE, NULL or a parenthesised expression.
class FilterExpression
{
public:
    struct Column
    {
        QString sql; // how the column is written in SQL
        TFieldType type;
    };
    // Returns false when the name is not a column of the result.
    using Resolver = std::function<bool(const QString& name, Column& column)>;

    struct Result
    {
        QString sql;
        std::vector<QVariant> binds; // for ?firstIndex, ?firstIndex+1, ...
    };

    // Raises EEngineError for a syntax error or an unknown field.
    static Result toSql(const QString& filter, const Resolver& resolve, int firstIndex);
};
