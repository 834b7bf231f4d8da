#pragma once

#include "SearchText.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "SqliteStatement.h"

struct SearchFolder;
struct sqlite3;

// One item's searchable texts as the catalogue stores them (UTF-8), before anything is made of
// them: the folder's columns (a memo still in RTF) and the details' names or titles. Reading
// them is all a build does on its connection's thread; the rest is done on others.
struct SearchItemTexts
{
    qint64 id = 0;
    std::vector<QByteArray> values; // in SearchFolder::columns order, empty for NULL
    std::vector<QByteArray> details;
};

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

    static SearchDocument make(const SearchFolder& folder, const SearchItemTexts& item);
    // Every word of the item, folded and blank separated, as the index stores it: the words
    // only (a search's phrases and field names are checked on the item itself).
    static QString indexText(const SearchFolder& folder, const SearchItemTexts& item);
};

// Reads items of one folder from the catalogue: one by its key, or all of them in key order.
// Raises EEngineError when the file cannot be read.
class SearchDocumentReader
{
public:
    SearchDocumentReader(sqlite3* db, const SearchFolder& folder);

    // The item with this key; nothing when there is none. `leftOutDetail` is a detail row
    // about to be deleted, read as if already gone.
    std::optional<SearchItemTexts> readTexts(qint64 id, qint64 leftOutDetail = 0);
    std::optional<SearchDocument> read(qint64 id, qint64 leftOutDetail = 0);
    // Every item with a key above `after`, in key order, until `visit` returns false.
    void scanTexts(const std::function<bool(SearchItemTexts&&)>& visit, qint64 after = 0);
    void scan(const std::function<bool(const SearchDocument&)>& visit);

private:
    QString selectedFields() const;

    sqlite3* m_db;
    const SearchFolder& m_folder;
    // Prepared once for the reader's life: a search reads up to a page of items each time.
    std::optional<SqliteStatement> m_row;
    std::optional<SqliteStatement> m_details;
};
