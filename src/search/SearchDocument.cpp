#include "SearchDocument.h"

#include "RtfPlainText.h"
#include "SearchFolder.h"
#include "SqlText.h"

namespace {

QString bracketed(const QString& field)
{
    // In brackets: a column the table lacks is an error then, never a text.
    return QStringLiteral("[%1]").arg(field);
}

QString joined(const QStringList& parts)
{
    QStringList present;
    for (const QString& p : parts) {
        if (!p.trimmed().isEmpty())
            present << p.trimmed();
    }
    return present.join(QLatin1Char(' '));
}

} // namespace

QStringList SearchDocument::indexTexts() const
{
    QStringList out;
    for (const Column& column : columns) {
        QString text;
        for (const Value& value : column) {
            if (value.words.empty())
                continue;
            if (!text.isEmpty())
                text += u' ' + SearchText::valueBreak() + u' ';
            for (size_t i = 0; i < value.words.size(); ++i) {
                if (i > 0)
                    text += u' ';
                text += value.words[i].folded;
            }
        }
        out << text;
    }
    return out;
}

SearchDocumentReader::SearchDocumentReader(sqlite3* db, const SearchFolder& folder)
    : m_db(db)
    , m_folder(folder)
{
    for (const SearchColumn& c : folder.columns)
        m_fields << c.field;
}

SearchDocument SearchDocumentReader::make(SqliteStatement& row) const
{
    SearchDocument document;
    document.id = row.columnInt64(0);
    document.columns.resize(m_folder.indexColumns().size());
    QHash<QString, QString> byField;
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        const SearchColumn& column = m_folder.columns.at(size_t(i));
        const QString raw = row.columnIsNull(int(i) + 1) ? QString() : row.columnText(int(i) + 1);
        byField.insert(column.field, raw);
        const QString text = column.memo ? RtfPlainText::ofMemo(raw) : raw;
        if (text.isEmpty())
            continue;
        SearchDocument::Value value{text, SearchText::words(text)};
        document.columns[size_t(i)].push_back(std::move(value));
    }
    QStringList title, subtitle;
    for (const QString& f : m_folder.titleFields)
        title << byField.value(f);
    for (const QString& f : m_folder.subtitleFields)
        subtitle << byField.value(f);
    document.title = joined(title);
    document.subtitle = joined(subtitle);
    return document;
}

void SearchDocumentReader::addDetail(SearchDocument& document, const QString& value) const
{
    if (value.isEmpty())
        return;
    document.columns.back().push_back(SearchDocument::Value{value, SearchText::words(value)});
}

std::optional<SearchDocument> SearchDocumentReader::read(qint64 id, qint64 leftOutDetail)
{
    QStringList selected{QStringLiteral("Id")};
    for (const QString& f : m_fields)
        selected << bracketed(f);
    SqliteStatement row(m_db, QStringLiteral("SELECT %1 FROM %2 WHERE Id = ?1")
                                  .arg(selected.join(u','), SqlText::quoteIdentifier(m_folder.table)));
    row.bindInt64(1, id);
    if (!row.step())
        return std::nullopt;
    SearchDocument document = make(row);
    if (!m_folder.hasDetails())
        return document;
    SqliteStatement details(m_db,
                            QStringLiteral("SELECT %1 FROM %2 WHERE P_Id = ?1 AND Id <> ?2 ORDER BY P_Id, Id")
                                .arg(bracketed(m_folder.detail.field), SqlText::quoteIdentifier(m_folder.detailTable)));
    details.bindInt64(1, id);
    details.bindInt64(2, leftOutDetail);
    while (details.step())
        addDetail(document, details.columnIsNull(0) ? QString() : details.columnText(0));
    return document;
}

void SearchDocumentReader::scan(const std::function<bool(const SearchDocument&)>& visit)
{
    QStringList selected{QStringLiteral("Id")};
    for (const QString& f : m_fields)
        selected << bracketed(f);
    SqliteStatement rows(m_db, QStringLiteral("SELECT %1 FROM %2 ORDER BY Id")
                                   .arg(selected.join(u','), SqlText::quoteIdentifier(m_folder.table)));
    // The details come in their parent's order alongside, along the index on their parent.
    std::optional<SqliteStatement> details;
    bool detailReady = false;
    if (m_folder.hasDetails()) {
        details.emplace(m_db,
                        QStringLiteral("SELECT P_Id, %1 FROM %2 WHERE P_Id > 0 ORDER BY P_Id, Id")
                            .arg(bracketed(m_folder.detail.field), SqlText::quoteIdentifier(m_folder.detailTable)));
        detailReady = details->step();
    }
    while (rows.step()) {
        SearchDocument document = make(rows);
        while (detailReady && details->columnInt64(0) < document.id)
            detailReady = details->step();
        while (detailReady && details->columnInt64(0) == document.id) {
            addDetail(document, details->columnIsNull(1) ? QString() : details->columnText(1));
            detailReady = details->step();
        }
        if (!visit(document))
            return;
    }
}
