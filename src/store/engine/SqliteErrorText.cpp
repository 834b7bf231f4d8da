#include "SqliteErrorText.h"

#include <QStringList>
#include <sqlite3.h>

namespace {

// The engine says "UNIQUE constraint failed: Movies_C.Name"; the user is told what that means.
QString duplicate(const QString& engineText)
{
    const QString columns = engineText.section(QStringLiteral(": "), 1);
    QString table;
    QStringList fields;
    for (const QString& column : columns.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        table = column.section(QLatin1Char('.'), 0, 0);
        fields << column.section(QLatin1Char('.'), 1);
    }
    if (table.isEmpty() || fields.contains(QString()))
        return engineText;
    return QStringLiteral("The change was not saved: table %1 already holds a row with the same %2, and its index "
                          "allows no duplicates (%3)")
        .arg(table, fields.join(QStringLiteral(" and ")), engineText);
}

} // namespace

namespace SqliteErrorText {

QString forCode(int extendedCode, const QString& engineText)
{
    switch (extendedCode) {
    case SQLITE_CONSTRAINT_UNIQUE:
        return duplicate(engineText);
    case SQLITE_CONSTRAINT_COMMITHOOK:
        // The connection refuses to store a step on its own once the change it belongs to
        // was undone by the engine (a read or write that failed half-way).
        return QStringLiteral("The change could not be saved: the catalogue file could not be read or written "
                              "part-way through it, so all of it was undone; try again (%1)")
            .arg(engineText);
    case SQLITE_READONLY_DBMOVED:
        return QStringLiteral("The catalogue file has been removed or replaced since Tarvena opened it, so nothing "
                              "was saved; close Tarvena and start it again on the catalogue (%1)")
            .arg(engineText);
    default:
        break;
    }
    if ((extendedCode & 0xff) == SQLITE_FULL)
        return QStringLiteral("The disk that holds the catalogue is full, so nothing was saved; free some space on "
                              "it and try again (%1)")
            .arg(engineText);
    return engineText;
}

} // namespace SqliteErrorText
