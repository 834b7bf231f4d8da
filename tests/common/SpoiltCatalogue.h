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

} // namespace SpoiltCatalogue
