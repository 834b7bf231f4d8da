#include "DetailText.h"

#include <QRegularExpression>

namespace {
const QString kSeparator = QStringLiteral("; ");
}

QString DetailText::castText(const QStringList& names)
{
    return names.join(kSeparator);
}

QStringList DetailText::readCast(const QString& text)
{
    QStringList names;
    for (const QString& part : text.split(u';')) {
        const QString name = part.trimmed();
        if (!name.isEmpty())
            names << name;
    }
    return names;
}

QString DetailText::songText(const SongEntry& song)
{
    QString text = QString::number(song.track) + QStringLiteral(". ") + song.title;
    if (!song.time.isEmpty())
        text += QStringLiteral(" (") + song.time + u')';
    return text;
}

QString DetailText::songsText(const std::vector<SongEntry>& songs)
{
    QStringList parts;
    for (const SongEntry& song : songs)
        parts << songText(song);
    return parts.join(kSeparator);
}

std::vector<SongEntry> DetailText::readSongs(const QString& text)
{
    static const QRegularExpression kSong(
        QStringLiteral("^(?:(\\d{1,6})\\.\\s*)?(.*?)(?:\\s*\\((\\d{1,3}(?::\\d{1,2}){1,2})\\))?$"),
        QRegularExpression::DotMatchesEverythingOption);
    std::vector<SongEntry> songs;
    for (const QString& part : text.split(u';')) {
        const QString entry = part.trimmed();
        if (entry.isEmpty())
            continue;
        const QRegularExpressionMatch m = kSong.match(entry);
        SongEntry song;
        song.track = m.captured(1).isEmpty() ? int(songs.size()) + 1 : m.captured(1).toInt();
        song.title = m.captured(2).trimmed();
        song.time = m.captured(3).trimmed();
        if (song.title.isEmpty())
            continue;
        songs.push_back(song);
    }
    return songs;
}
