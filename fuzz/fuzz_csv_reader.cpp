// libFuzzer entry for the CSV reader: any bytes, in any encoding and with any separator, must
// read without crashing or hanging, and the rows read must come back unchanged through the
// writer and the reader.
#include "CsvReader.h"
#include "CsvWriter.h"
#include "ExchangeError.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

QList<QStringList> readAll(QByteArray bytes, TextEncoding::Kind encoding, QChar separator)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(buffer, encoding, separator);
    QList<QStringList> rows;
    CsvRecord record;
    try {
        while (reader.next(record))
            rows << record.fields;
    } catch (const ExchangeError&) {
        // A file that cannot be read on ends here; the rows before it stand.
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte chooses the encoding and the separator.
    const auto encoding = TextEncoding::Kind(data[0] % TextEncoding::kCount);
    const QChar separator = QList<QChar>{u',', u';', u'\t'}.at((data[0] / TextEncoding::kCount) % 3);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QList<QStringList> rows = readAll(bytes, encoding, separator);

    QByteArray written;
    {
        QBuffer buffer(&written);
        buffer.open(QIODevice::WriteOnly);
        CsvWriter writer(buffer, separator);
        for (const QStringList& row : rows)
            writer.writeRow(row);
    }
    if (readAll(written, TextEncoding::Utf8, separator) != rows)
        std::abort();
    return 0;
}
