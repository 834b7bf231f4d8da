#include "StatisticsTotals.h"

#include <QLocale>

namespace {

QString quantity(qint64 n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(QLocale().toString(n), n == 1 ? one : many);
}

QString duration(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds % 3600) / 60;
    if (hours == 0)
        return quantity(minutes, QStringLiteral("minute"), QStringLiteral("minutes"));
    return quantity(hours, QStringLiteral("hour"), QStringLiteral("hours")) + QStringLiteral(" ")
           + quantity(minutes, QStringLiteral("minute"), QStringLiteral("minutes"));
}

} // namespace

QString StatisticsTotals::text() const
{
    QString out = quantity(items, QStringLiteral("item"), QStringLiteral("items")) + QStringLiteral(" in ")
                  + quantity(categories, QStringLiteral("category"), QStringLiteral("categories")) + QLatin1Char('.');
    if (oldest && newest)
        out += QStringLiteral(" Oldest: %1 (%2); newest: %3 (%4).")
                   .arg(oldest->title)
                   .arg(oldest->year)
                   .arg(newest->title)
                   .arg(newest->year);
    if (hasPlayingTime && timedItems > 0)
        out += QStringLiteral(" Total playing time: %1 (known for %2).")
                   .arg(duration(playingSeconds),
                        quantity(timedItems, QStringLiteral("item"), QStringLiteral("items")));
    return out;
}
