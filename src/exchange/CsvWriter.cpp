#include "CsvWriter.h"

#include "ExchangeError.h"

#include <QIODevice>

CsvWriter::CsvWriter(QIODevice& device, QChar separator)
    : m_device(device)
    , m_separator(separator)
{
}

QString CsvWriter::quoted(const QString& value, QChar separator)
{
    const bool needs = value.contains(separator) || value.contains(u'"') || value.contains(u'\n')
                       || value.contains(u'\r')
                       || (!value.isEmpty()
                           && (value.front().isSpace() || value.back().isSpace() || value.front() == QChar(0xFEFF)));
    if (!needs)
        return value;
    QString out = value;
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
}

void CsvWriter::writeRow(const QStringList& fields)
{
    QString line;
    // A row of one empty value is written as "" so that it is not read back as a blank line.
    if (fields.size() == 1 && fields.front().isEmpty())
        line = QStringLiteral("\"\"");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            line += m_separator;
        line += quoted(fields.at(i), m_separator);
    }
    line += QStringLiteral("\r\n");
    const QByteArray bytes = m_encoder(line);
    if (m_device.write(bytes) != bytes.size())
        throw ExchangeError(QStringLiteral("The file could not be written: %1").arg(m_device.errorString()));
}
