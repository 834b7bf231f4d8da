#pragma once

#include "SqliteStatement.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <sqlite3.h>
#include <utility>
#include <vector>

// Turns a good catalogue file into one of the bad files a user may end up with.
namespace SpoiltCatalogue {

inline QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// The bad files and the words the error about each must contain.
inline std::vector<std::pair<QString, QString>> kinds()
{
    return {{QStringLiteral("missing"), QStringLiteral("Could not find file")},
            {QStringLiteral("empty"), QStringLiteral("is empty")},
            {QStringLiteral("random"), QStringLiteral("is not a catalogue file")},
            {QStringLiteral("truncated"), QStringLiteral("is damaged")},
            {QStringLiteral("folder"), QStringLiteral("is a folder, not a catalogue file")},
            {QStringLiteral("plain"), QStringLiteral("is not a catalogue file")}};
}

// kind: missing, empty, random, truncated (needs a catalogue with some rows), folder, plain.
inline void make(const QString& kind, const QString& path)
{
    if (kind == QLatin1String("missing")) {
        QFile::remove(path);
    } else if (kind == QLatin1String("empty")) {
        write(path, QByteArray());
    } else if (kind == QLatin1String("random")) {
        QByteArray noise(8192, Qt::Uninitialized);
        for (char& c : noise)
            c = char(QRandomGenerator::global()->generate());
        write(path, noise);
    } else if (kind == QLatin1String("truncated")) {
        const QByteArray whole = bytesOf(path);
        write(path, whole.left(whole.size() / 2));
    } else if (kind == QLatin1String("folder")) {
        QFile::remove(path);
        QDir().mkdir(path);
    } else if (kind == QLatin1String("plain")) {
        QFile::remove(path);
        sqlite3* raw = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &raw);
        SqliteStatement::exec(raw, QStringLiteral("CREATE TABLE Movies (Id INTEGER PRIMARY KEY, Title TEXT)"));
        sqlite3_close(raw);
    }
}

// Writes garbage over the first overflow page of the one record of `table` that has overflow
// pages, as a bad sector or a stray write would: that row can no longer be read whole, every
// other row stays intact. The record must span at least two overflow pages, so that reading it
// follows the garbage as the link to the next page. Answers the page number, 0 when there is
// not exactly one such record or the file has no page statistics.
inline qint64 damageOverflow(const QString& path, const QString& table)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(raw);
        return 0;
    }
    qint64 page = 0;
    qint64 pageSize = 0;
    int records = 0;
    try {
        // dbstat names an overflow page by its cell's path and its place in the chain.
        SqliteStatement pages(
            raw, QStringLiteral("SELECT pageno, path FROM dbstat WHERE name = ?1 AND pagetype = 'overflow'"));
        pages.bindText(1, table);
        while (pages.step()) {
            if (pages.columnText(1).endsWith(QLatin1String("+000000"))) {
                page = pages.columnInt64(0);
                ++records;
            }
        }
        SqliteStatement size(raw, QStringLiteral("PRAGMA page_size"));
        pageSize = size.step() ? size.columnInt64(0) : 0;
    } catch (const std::exception&) {
        records = 0;
    }
    sqlite3_close(raw);
    if (records != 1 || pageSize <= 0)
        return 0;
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.seek((page - 1) * pageSize))
        return 0;
    // Read as the link to the next page, "garb" is far beyond the end of the file.
    QByteArray garbage;
    while (garbage.size() < pageSize)
        garbage += "garbage!";
    f.write(garbage.left(pageSize));
    return page;
}

} // namespace SpoiltCatalogue
