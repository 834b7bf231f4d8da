#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Small helpers over the SQL text of the program's queries.
class SqlText
{
public:
    static QString quoteIdentifier(const QString& name);

    // The lines of a query joined into one statement; line breaks become blanks.
    static QString joinLines(const QStringList& lines);

    // Parameters are written ":name" outside quoted text ('...', "..." and #...#); a name ends
    // at a blank, a line break, ")", ",", ";" or the end. Each marker is replaced by "?N",
    // N being the 1-based position of its name among the distinct names.
    struct Parameters
    {
        QString sql;
        QStringList names;
    };
    static Parameters parameters(const QString& sql);

    // "select * from <table> [where ...] [order by ...]": the shape of every collection query.
    // For such a statement the keys can be read without the rows, and a filter can be added to
    // the condition without touching the order.
    struct SimpleSelect
    {
        QString table;
        QString where;   // empty when there is none
        QString orderBy; // empty when there is none
    };
    static std::optional<SimpleSelect> simpleSelect(const QString& sql);
};
