#pragma once

#include "TextEncoding.h"

#include <QByteArray>
#include <QChar>
#include <QList>

// How a CSV file is written: its encoding and separator.
struct CsvDialect
{
    TextEncoding::Kind encoding = TextEncoding::Utf8;
    QChar separator = u',';

    static constexpr qsizetype kSampleBytes = 64 * 1024;
    static const QList<QChar>& separators(); // comma, semicolon, tab
    static QString separatorName(QChar separator);

    // A guess from the first bytes of the file: the encoding by its bytes, the separator that
    // splits the first rows into the same number of values most often.
    static CsvDialect detect(const QByteArray& sample);
    static QChar detectSeparator(const QByteArray& sample, TextEncoding::Kind encoding);
};
