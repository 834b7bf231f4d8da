#pragma once

#include "SearchText.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "SqliteStatement.h"

struct SearchFolder;
struct sqlite3;

// One item as "Search everywhere" reads it: the texts of each index column (a list for the
// details), with their words, and the item's title.
struct SearchDocument
{
    struct Value
    {
        QString text;
        std::vector<SearchText::Word> words;
    };
    using Column = std::vector<Value>;

    qint64 id = 0;
    QString title;
    QString subtitle;
    std::vector<Column> columns; // in SearchFolder::indexColumns() order

    // Each column as the index stores it: its words, blank separated, a value break between
    // the values of a list.
    QStringList indexTexts() const;
};

// Reads items of one folder from the catalogue into documents: one by its key, or all of them
// in key order. Raises EEngineError when the file cannot be read.
class SearchDocumentReader
{
public:
    SearchDocumentReader(sqlite3* db, const SearchFolder& folder);

    // The item with this key; nothing when there is none. `leftOutDetail` is a detail row
    // about to be deleted, read as if already gone.
    std::optional<SearchDocument> read(qint64 id, qint64 leftOutDetail = 0);
    // Every item in key order until `visit` returns false.
    void scan(const std::function<bool(const SearchDocument&)>& visit);

private:
    SearchDocument make(SqliteStatement& row) const;
    void addDetail(SearchDocument& document, const QString& value) const;

    sqlite3* m_db;
    const SearchFolder& m_folder;
    QStringList m_fields; // selected after Id, the index columns' fields first
    int m_titleAt = -1;
};
