#include "CatalogueExporter.h"

#include "CsvWriter.h"
#include "DetailText.h"
#include "ExchangeError.h"
#include "TDM.h"

#include <QIODevice>
#include <QStringEncoder>

CatalogueExporter::CatalogueExporter(TDM& dm, int folder)
    : m_dm(dm)
    , m_folder(ExchangeFolder::at(folder))
    , m_lists(dm.dbKOLT, m_folder.details)
{
    m_details.setDatabase(&dm.dbKOLT);
    if (m_folder.details == ExchangeFolder::Details::Cast) {
        m_details.setSQL({QStringLiteral("select * from Mv_Cast"), QStringLiteral("where P_Id = :Id"),
                          QStringLiteral("order by Name")});
        m_details.AddField(QStringLiteral("Name"), TFieldType::String, 30);
    } else if (m_folder.details == ExchangeFolder::Details::Songs) {
        m_details.setSQL({QStringLiteral("select * from Mu_Songs"), QStringLiteral("where P_Id = :Id"),
                          QStringLiteral("order by Track")});
        m_details.AddField(QStringLiteral("Track"), TFieldType::Integer);
        m_details.AddField(QStringLiteral("Title"), TFieldType::String, 30);
        m_details.AddField(QStringLiteral("Time"), TFieldType::String, 5);
    }
    if (m_folder.details != ExchangeFolder::Details::None)
        m_details.ParamByName(QStringLiteral("Id")).setDataType(TFieldType::Integer);
}

QString CatalogueExporter::valueText(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date().toString(Qt::ISODate);
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(Qt::ISODate);
    return value.toString();
}

QString CatalogueExporter::detailText(qint64 itemId)
{
    if (m_folder.details == ExchangeFolder::Details::None)
        return {};
    m_details.Close();
    m_details.ParamByName(QStringLiteral("Id")).SetAsInteger(itemId);
    m_details.Open();
    if (m_folder.details == ExchangeFolder::Details::Cast) {
        QStringList names;
        const TField& name = m_details.FieldByName(QStringLiteral("Name"));
        for (int row = 0; row < m_details.RowCount(); ++row)
            names << m_details.rowValue(row, name).toString();
        return DetailText::castText(names);
    }
    std::vector<SongEntry> songs;
    const TField& track = m_details.FieldByName(QStringLiteral("Track"));
    const TField& title = m_details.FieldByName(QStringLiteral("Title"));
    const TField& time = m_details.FieldByName(QStringLiteral("Time"));
    for (int row = 0; row < m_details.RowCount(); ++row)
        songs.push_back({m_details.rowValue(row, track).toInt(), m_details.rowValue(row, title).toString(),
                         m_details.rowValue(row, time).toString()});
    return DetailText::songsText(songs);
}

QString CatalogueExporter::rowDetails(TDAODataset& rows, int row)
{
    if (m_folder.details == ExchangeFolder::Details::None)
        return {};
    const TField& id = rows.FieldByName(QStringLiteral("Id"));
    const bool held = m_listsOf == &rows && m_listsSerial == rows.ResultSerial() && m_listsFrom >= 0
                      && row >= m_listsFrom && row < m_listsFrom + DetailLists::kBatch;
    if (!held) {
        std::vector<qint64> items;
        const int end = std::min(rows.RowCount(), row + DetailLists::kBatch);
        items.reserve(size_t(std::max(end - row, 0)));
        for (int r = row; r < end; ++r)
            items.push_back(rows.rowValue(r, id).toLongLong());
        m_lists.read(items);
        m_listsOf = &rows;
        m_listsSerial = rows.ResultSerial();
        m_listsFrom = row;
    }
    const qint64 item = rows.rowValue(row, id).toLongLong();
    if (const QString* text = m_lists.find(item))
        return *text;
    return detailText(item);
}

void CatalogueExporter::checkStopped(const Progress& progress, qint64 done, qint64 total) const
{
    if (progress && !progress(done, total))
        throw ExchangeError(QStringLiteral("The export was cancelled; the file is not complete"));
}

void CatalogueExporter::writeCsv(TDAODataset& rows, QIODevice& out, const MemoText& plainText, const Progress& progress)
{
    CsvWriter writer(out);
    QStringList header;
    std::vector<const TField*> fields;
    for (const ExchangeField& f : m_folder.fields) {
        header << f.caption;
        fields.push_back(&rows.FieldByName(f.name));
    }
    const bool details = m_folder.details != ExchangeFolder::Details::None;
    if (details)
        header << m_folder.detailsCaption();
    writer.writeRow(header);
    const int count = rows.RowCount();
    for (int row = 0; row < count; ++row) {
        checkStopped(progress, row, count);
        QStringList values;
        for (const TField* field : fields) {
            const QVariant value = rows.rowValue(row, *field);
            if (field->DataType() == TFieldType::Memo && plainText)
                values << plainText(value.toString());
            else
                values << valueText(value);
        }
        if (details)
            values << rowDetails(rows, row);
        writer.writeRow(values);
    }
    checkStopped(progress, count, count);
}

void CatalogueExporter::writeHtml(TDAODataset& rows, const std::vector<Column>& columns, QIODevice& out,
                                  const MemoText& html, const Progress& progress)
{
    QStringEncoder encoder(QStringConverter::Utf8);
    auto put = [&](const QString& text) {
        const QByteArray bytes = encoder(text);
        if (out.write(bytes) != bytes.size())
            throw ExchangeError(QStringLiteral("The file could not be written: %1").arg(out.errorString()));
    };
    const bool details = m_folder.details != ExchangeFolder::Details::None;
    const int span = int(columns.size()) + (details ? 1 : 0);
    put(QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n<title>%1</title>\n"
                       "<style>\nbody{font-family:Arial,'Liberation Sans',sans-serif;margin:1.5em}\n"
                       "table{border-collapse:collapse;width:100%}\n"
                       "th,td{border:1px solid #bbb;padding:4px 6px;vertical-align:top;text-align:left}\n"
                       "th{background:#d1e7e2}\ntr.desc td{background:#fafafa;font-size:90%}\n"
                       "</style></head><body>\n<h1>%1</h1>\n<table>\n<tr>")
            .arg(m_folder.caption.toHtmlEscaped()));
    for (const Column& c : columns)
        put(QStringLiteral("<th>%1</th>").arg(c.caption.toHtmlEscaped()));
    if (details)
        put(QStringLiteral("<th>%1</th>").arg(m_folder.detailsCaption()));
    put(QStringLiteral("</tr>\n"));
    std::vector<const TField*> fields;
    for (const Column& c : columns)
        fields.push_back(&rows.FieldByName(c.field));
    const TField* memo = rows.FindField(QStringLiteral("Description"));
    const int count = rows.RowCount();
    for (int row = 0; row < count; ++row) {
        checkStopped(progress, row, count);
        QString line = QStringLiteral("<tr>");
        for (const TField* field : fields)
            line += QStringLiteral("<td>%1</td>").arg(valueText(rows.rowValue(row, *field)).toHtmlEscaped());
        if (details) {
            QString list = rowDetails(rows, row).toHtmlEscaped();
            list.replace(QStringLiteral("; "), QStringLiteral("<br>"));
            line += QStringLiteral("<td>%1</td>").arg(list);
        }
        line += QStringLiteral("</tr>\n");
        if (memo && html) {
            const QString text = rows.rowValue(row, *memo).toString();
            if (!text.trimmed().isEmpty())
                line
                    += QStringLiteral("<tr class=\"desc\"><td colspan=\"%1\">%2</td></tr>\n").arg(span).arg(html(text));
        }
        put(line);
    }
    put(QStringLiteral("</table>\n</body></html>\n"));
    checkStopped(progress, count, count);
}
