#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// What "Search everywhere" reads of each folder: the text columns the user sees on an item,
// the list of details it owns (a movie's cast, an album's songs), and how a result is titled.
// Each searchable text is a column of the items as a search reads them, so that a search can
// name it ("cast:anna"); the names a user may type for it are its aliases.
struct SearchColumn
{
    QString field;       // column of the folder's table, or of the detail table
    QString column;      // column of the index
    QString caption;     // shown as the field a result matched in
    QStringList aliases; // what a user may type before ":" (besides the column's own name)
    bool memo = false;   // rich text: its plain text is searched
};

struct SearchFolder
{
    int index = 0;
    QString table;      // the folder's table
    QString indexTable; // the folder's index (a table of the program's own)
    QString caption;
    std::vector<SearchColumn> columns;
    // The details listed on an item, one index column for all of them.
    QString detailTable; // empty: none
    SearchColumn detail;
    // A result's title: these fields, blank-separated, the first non-empty ones.
    QStringList titleFields;
    QStringList subtitleFields;

    bool hasDetails() const { return !detailTable.isEmpty(); }
    // Every index column in the index's order: the folder's own, then the details'.
    std::vector<const SearchColumn*> indexColumns() const;
    // The index columns a typed field name stands for in this folder; empty when none.
    QStringList columnsNamed(const QString& typedName) const;

    static const std::vector<SearchFolder>& all();
    static const SearchFolder& at(int index);
    // True when some folder knows the typed field name.
    static bool isFieldName(const QString& typedName);
};
