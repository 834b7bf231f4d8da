#include "CsvDialect.h"

#include "CsvReader.h"
#include "ExchangeError.h"

#include <QBuffer>
#include <QHash>

const QList<QChar>& CsvDialect::separators()
{
    static const QList<QChar> list{u',', u';', u'\t'};
    return list;
}

QString CsvDialect::separatorName(QChar separator)
{
    if (separator == u'\t')
        return QStringLiteral("Tab");
    if (separator == u';')
        return QStringLiteral("Semicolon ;");
    return QStringLiteral("Comma ,");
}

QChar CsvDialect::detectSeparator(const QByteArray& sample, TextEncoding::Kind encoding)
{
    constexpr int kRows = 30;
    QChar best = u',';
    int bestScore = -1;
    int bestWidth = 0;
    for (QChar candidate : separators()) {
        QByteArray bytes = sample;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        CsvReader reader(buffer, encoding, candidate);
        QHash<qsizetype, int> widths;
        CsvRecord record;
        try {
            for (int i = 0; i < kRows && reader.next(record); ++i)
                ++widths[record.fields.size()];
        } catch (const ExchangeError&) {
            // The sample may end inside a quoted value: the rows read so far count.
        }
        // The most frequent width of more than one value; ties to the wider one.
        int score = 0;
        qsizetype width = 0;
        for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
            if (it.key() > 1 && (it.value() > score || (it.value() == score && it.key() > width))) {
                score = it.value();
                width = it.key();
            }
        }
        if (score > bestScore || (score == bestScore && width > bestWidth)) {
            best = candidate;
            bestScore = score;
            bestWidth = int(width);
        }
    }
    return best;
}

CsvDialect CsvDialect::detect(const QByteArray& sample)
{
    CsvDialect dialect;
    dialect.encoding = TextEncoding::detect(sample);
    dialect.separator = detectSeparator(sample, dialect.encoding);
    return dialect;
}
