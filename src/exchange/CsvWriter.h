#pragma once

#include <QStringEncoder>
#include <QStringList>

class QIODevice;

// Writes rows of CSV text in UTF-8 as RFC 4180 has it: comma-separated, CRLF at each row's end,
// a value in double quotes (quotes inside written twice) when it holds a separator, a quote, a
// line break or blanks at an end (or begins with a byte-order mark, which a reader would drop).
class CsvWriter
{
public:
    explicit CsvWriter(QIODevice& device, QChar separator = u',');

    // Raises ExchangeError when the file cannot take the row (a full disk).
    void writeRow(const QStringList& fields);
    static QString quoted(const QString& value, QChar separator = u',');

private:
    QIODevice& m_device;
    QChar m_separator;
    QStringEncoder m_encoder{QStringConverter::Utf8};
};
