#pragma once

#include "TextEncoding.h"

#include <QString>
#include <QStringDecoder>
#include <QStringList>

class QIODevice;

// One row of a CSV file and the line of the file it starts on (from 1).
struct CsvRecord
{
    QStringList fields;
    qint64 line = 0;
};

// Reads CSV text as RFC 4180 writes it (values in double quotes may hold separators, quotes
// written twice and line breaks), leniently where files stray from it: a quote inside an
// unquoted value is kept as it is, CR, LF and CRLF all end a row, blank lines are skipped.
// The file is read in small pieces, never whole, and a row is held only while it is read, so
// memory stays bounded whatever the file; a row longer than kMaxRowChars, bytes that do not
// belong to the encoding, and a quote that is never closed end the reading with a message.
class CsvReader
{
public:
    static constexpr qsizetype kMaxRowChars = qsizetype(1) << 20;
    static constexpr qint64 kMaxFileBytes = qint64(512) << 20;

    // Raises when the file is larger than kMaxFileBytes.
    CsvReader(QIODevice& device, TextEncoding::Kind encoding, QChar separator);

    // The next row; false at the end of the file. Raises ExchangeError when the file cannot
    // be read on from here.
    bool next(CsvRecord& record);

    qint64 bytesRead() const { return m_bytes; }
    // The line the reading has come to.
    qint64 line() const { return m_line; }

private:
    // Brings more text into the buffer; false at the end of the file.
    bool fill();
    // The character at the reading position, reading more when needed; nothing at the end.
    bool peek(QChar& c);
    [[noreturn]] void fail(const QString& what) const;
    void checkCharacters(const CsvRecord& record) const;

    QIODevice& m_device;
    TextEncoding::Kind m_encoding;
    QStringDecoder m_decoder;
    QChar m_separator;
    QString m_buffer;
    qsizetype m_pos = 0;
    qint64 m_line = 1;
    qint64 m_bytes = 0;
    bool m_atEnd = false;
};
