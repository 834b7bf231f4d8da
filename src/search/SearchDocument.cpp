#include "SearchDocument.h"

#include "RtfPlainText.h"
#include "SearchFolder.h"
#include "SqlText.h"

#include <sqlite3.h>

namespace {

QString bracketed(const QString& field)
{
    // In brackets: a column the table lacks is an error then, never a text.
    return QStringLiteral("[%1]").arg(field);
}

QString joinedPresent(const QStringList& parts)
{
    QStringList present;
    for (const QString& p : parts) {
        if (!p.trimmed().isEmpty())
            present << p.trimmed();
    }
    return present.join(QLatin1Char(' '));
}

QByteArray bytesAt(SqliteStatement& row, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row.handle(), column));
    return text ? QByteArray(text, sqlite3_column_bytes(row.handle(), column)) : QByteArray();
}

} // namespace

SearchDocument SearchDocument::make(const SearchFolder& folder, const SearchItemTexts& item)
{
    SearchDocument document;
    document.id = item.id;
    document.columns.resize(folder.indexColumns().size());
    for (size_t i = 0; i < item.values.size(); ++i) {
        const SearchColumn& column = folder.columns.at(i);
        const QByteArray& raw = item.values[i];
        QString text = column.memo ? RtfPlainText::ofMemo(raw) : QString::fromUtf8(raw);
        if (text.isEmpty())
            continue;
        std::vector<SearchText::Word> words = SearchText::words(text);
        document.columns[i].push_back(Value{std::move(text), std::move(words)});
    }
    for (const QByteArray& raw : item.details) {
        QString detail = QString::fromUtf8(raw);
        if (!detail.isEmpty()) {
            std::vector<SearchText::Word> words = SearchText::words(detail);
            document.columns.back().push_back(Value{std::move(detail), std::move(words)});
        }
    }
    auto fieldsOf = [&](const QStringList& fields) {
        QStringList out;
        for (const QString& f : fields) {
            for (size_t i = 0; i < folder.columns.size() && i < item.values.size(); ++i) {
                if (folder.columns[i].field == f)
                    out << QString::fromUtf8(item.values[i]);
            }
        }
        return joinedPresent(out);
    };
    document.title = fieldsOf(folder.titleFields);
    document.subtitle = fieldsOf(folder.subtitleFields);
    return document;
}

QString SearchDocument::indexText(const SearchFolder& folder, const SearchItemTexts& item)
{
    QString out;
    out.reserve(256);
    for (size_t i = 0; i < item.values.size(); ++i) {
        const QByteArray& raw = item.values[i];
        if (raw.isEmpty())
            continue;
        if (folder.columns.at(i).memo)
            SearchText::appendFolded(RtfPlainText::ofMemo(raw), out);
        else
            SearchText::appendFolded(raw, out);
    }
    for (const QByteArray& detail : item.details)
        SearchText::appendFolded(detail, out);
    return out;
}

SearchDocumentReader::SearchDocumentReader(sqlite3* db, const SearchFolder& folder)
    : m_db(db)
    , m_folder(folder)
{
}

QString SearchDocumentReader::selectedFields() const
{
    QStringList selected{QStringLiteral("Id")};
    for (const SearchColumn& c : m_folder.columns)
        selected << bracketed(c.field);
    return selected.join(u',');
}

std::optional<SearchItemTexts> SearchDocumentReader::readTexts(qint64 id, qint64 leftOutDetail)
{
    if (!m_row) {
        m_row.emplace(m_db, QStringLiteral("SELECT %1 FROM %2 WHERE Id = ?1")
                                .arg(selectedFields(), SqlText::quoteIdentifier(m_folder.table)));
    }
    SqliteStatement& row = *m_row;
    row.reset();
    row.bindInt64(1, id);
    if (!row.step())
        return std::nullopt;
    SearchItemTexts item;
    item.id = row.columnInt64(0);
    item.values.reserve(m_folder.columns.size());
    for (int i = 0; i < int(m_folder.columns.size()); ++i)
        item.values.push_back(bytesAt(row, i + 1));
    row.reset();
    if (!m_folder.hasDetails())
        return item;
    if (!m_details) {
        m_details.emplace(m_db,
                          QStringLiteral("SELECT %1 FROM %2 WHERE P_Id = ?1 AND Id <> ?2 ORDER BY P_Id, Id")
                              .arg(bracketed(m_folder.detail.field), SqlText::quoteIdentifier(m_folder.detailTable)));
    }
    SqliteStatement& details = *m_details;
    details.reset();
    details.bindInt64(1, id);
    details.bindInt64(2, leftOutDetail);
    while (details.step())
        item.details.push_back(bytesAt(details, 0));
    details.reset();
    return item;
}

std::optional<SearchDocument> SearchDocumentReader::read(qint64 id, qint64 leftOutDetail)
{
    const std::optional<SearchItemTexts> item = readTexts(id, leftOutDetail);
    if (!item)
        return std::nullopt;
    return SearchDocument::make(m_folder, *item);
}

void SearchDocumentReader::scanTexts(const std::function<bool(SearchItemTexts&&)>& visit, qint64 after)
{
    SqliteStatement rows(m_db, QStringLiteral("SELECT %1 FROM %2 WHERE Id > ?1 ORDER BY Id")
                                   .arg(selectedFields(), SqlText::quoteIdentifier(m_folder.table)));
    rows.bindInt64(1, after);
    // The details come in their parent's order alongside, along the index on their parent.
    std::optional<SqliteStatement> details;
    bool detailReady = false;
    if (m_folder.hasDetails()) {
        details.emplace(m_db,
                        QStringLiteral("SELECT P_Id, %1 FROM %2 WHERE P_Id > ?1 ORDER BY P_Id, Id")
                            .arg(bracketed(m_folder.detail.field), SqlText::quoteIdentifier(m_folder.detailTable)));
        details->bindInt64(1, after);
        detailReady = details->step();
    }
    const int columns = int(m_folder.columns.size());
    while (rows.step()) {
        SearchItemTexts item;
        item.id = rows.columnInt64(0);
        item.values.reserve(size_t(columns));
        for (int i = 0; i < columns; ++i)
            item.values.push_back(bytesAt(rows, i + 1));
        while (detailReady && details->columnInt64(0) < item.id)
            detailReady = details->step();
        while (detailReady && details->columnInt64(0) == item.id) {
            item.details.push_back(bytesAt(*details, 1));
            detailReady = details->step();
        }
        if (!visit(std::move(item)))
            return;
    }
}

void SearchDocumentReader::scan(const std::function<bool(const SearchDocument&)>& visit)
{
    scanTexts([&](SearchItemTexts&& item) { return visit(SearchDocument::make(m_folder, item)); });
}
