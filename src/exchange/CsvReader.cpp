#include "CsvReader.h"

#include "ExchangeError.h"

#include <QIODevice>

namespace {
constexpr qint64 kChunk = 64 * 1024;
}

CsvReader::CsvReader(QIODevice& device, TextEncoding::Kind encoding, QChar separator)
    : m_device(device)
    , m_encoding(encoding)
    , m_decoder(TextEncoding::decoder(encoding))
    , m_separator(separator)
{
    if (!device.isSequential() && device.size() > kMaxFileBytes)
        throw ExchangeError(QStringLiteral("The file is too large to import: it holds %1 MB, and at most %2 MB can be "
                                           "read")
                                .arg(device.size() >> 20)
                                .arg(kMaxFileBytes >> 20));
}

void CsvReader::fail(const QString& what) const
{
    throw ExchangeError(QStringLiteral("Line %1: %2").arg(m_line).arg(what));
}

void CsvReader::checkCharacters(const CsvRecord& record) const
{
    // The UTF-16 decoder lets a half of a surrogate pair through; no text may hold one.
    if (m_encoding != TextEncoding::Utf16LE && m_encoding != TextEncoding::Utf16BE)
        return;
    for (const QString& field : record.fields) {
        if (!QStringView(field).isValidUtf16())
            throw ExchangeError(QStringLiteral("Line %1: the file is not valid %2 text; choose its encoding")
                                    .arg(record.line)
                                    .arg(TextEncoding::name(m_encoding)));
    }
}

bool CsvReader::fill()
{
    if (m_atEnd)
        return false;
    const QByteArray bytes = m_device.read(kChunk);
    if (bytes.isEmpty()) {
        m_atEnd = true;
        return false;
    }
    m_bytes += bytes.size();
    if (m_bytes > kMaxFileBytes)
        fail(QStringLiteral("the file is too large to import (more than %1 MB)").arg(kMaxFileBytes >> 20));
    const QString text = m_decoder(bytes);
    if (m_decoder.hasError() && TextEncoding::checksBytes(m_encoding))
        fail(QStringLiteral("the file is not valid %1 text; choose its encoding").arg(TextEncoding::name(m_encoding)));
    if (m_pos > 0) {
        m_buffer.remove(0, m_pos);
        m_pos = 0;
    }
    m_buffer += text;
    return true;
}

bool CsvReader::peek(QChar& c)
{
    while (m_pos >= m_buffer.size()) {
        if (!fill())
            return false;
    }
    c = m_buffer.at(m_pos);
    return true;
}

bool CsvReader::next(CsvRecord& record)
{
    static constexpr QChar kQuote(u'"');
    for (;;) {
        record.fields.clear();
        record.line = m_line;
        QString field;
        bool inQuotes = false;
        bool quoted = false; // the value began with a quote
        bool any = false;    // anything read for this row
        qsizetype length = 0;
        QChar c;
        for (;;) {
            if (!peek(c)) {
                if (inQuotes)
                    throw ExchangeError(QStringLiteral("Line %1: a value in quotes is never closed").arg(record.line));
                if (!any)
                    return false;
                record.fields << field;
                checkCharacters(record);
                return true;
            }
            ++m_pos;
            any = true;
            if (++length > kMaxRowChars)
                throw ExchangeError(QStringLiteral("Line %1: the row is longer than %2 characters; the file cannot be "
                                                   "read as CSV")
                                        .arg(record.line)
                                        .arg(kMaxRowChars));
            if (inQuotes) {
                if (c == kQuote) {
                    QChar after;
                    if (peek(after) && after == kQuote) {
                        ++m_pos;
                        field += kQuote;
                    } else {
                        inQuotes = false;
                    }
                    continue;
                }
                if (c == u'\n')
                    ++m_line;
                else if (c == u'\r') {
                    // CRLF inside a value is one line break, kept as LF.
                    QChar after;
                    if (peek(after) && after == u'\n')
                        ++m_pos;
                    ++m_line;
                    c = u'\n';
                }
                field += c;
                continue;
            }
            if (c == m_separator) {
                record.fields << field;
                field.clear();
                quoted = false;
                continue;
            }
            if (c == u'\r' || c == u'\n') {
                QChar after;
                if (c == u'\r' && peek(after) && after == u'\n')
                    ++m_pos;
                ++m_line;
                break;
            }
            if (c == kQuote && field.isEmpty() && !quoted) {
                inQuotes = true;
                quoted = true;
                continue;
            }
            field += c;
        }
        record.fields << field;
        // A blank line is no row.
        if (record.fields.size() == 1 && field.isEmpty() && !quoted)
            continue;
        checkCharacters(record);
        return true;
    }
}
