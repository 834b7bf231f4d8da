#include "DateText.h"

#include <QRegularExpression>

QString DateText::shortFormat(const QLocale& locale)
{
    // Asked for every date painted and every character typed into a date box: the format is
    // worked out once per locale.
    thread_local QLocale known = QLocale::c();
    thread_local QString knownFormat = fourDigitFormat(known);
    if (locale != known) {
        known = locale;
        knownFormat = fourDigitFormat(locale);
    }
    return knownFormat;
}

QString DateText::fourDigitFormat(const QLocale& locale)
{
    QString format = locale.dateFormat(QLocale::ShortFormat);
    // A date is typed with digits and one separator: a format with month or day names (the
    // C locale's "d MMM yyyy") gives way to the international one.
    if (format.contains(QLatin1String("MMM")) || format.contains(QLatin1String("ddd")))
        return QStringLiteral("yyyy-MM-dd");
    // "yy" alone (not part of "yyyy") becomes "yyyy".
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

QString DateText::toText(const QDate& date, const QLocale& locale)
{
    return date.isValid() ? locale.toString(date, shortFormat(locale)) : QString();
}

int DateText::nearestYear(int twoDigits, const QDate& today)
{
    const int now = (today.isValid() ? today : QDate::currentDate()).year();
    int year = now - now % 100 + twoDigits;
    if (year > now + 50)
        year -= 100;
    else if (year <= now - 50)
        year += 100;
    return year;
}

QDate DateText::fromText(const QString& text, const QLocale& locale, const QDate& today)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    const QDate iso = QDate::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso;
    // A day or month may be typed with one digit where the format shows two ("1.2.2024").
    // (Day and month names never get here: such formats are the international one.)
    auto relaxed = [](QString format) {
        return format.replace(QStringLiteral("dd"), QStringLiteral("d")).replace(QStringLiteral("MM"), QStringLiteral("M"));
    };
    const QString fourDigits = relaxed(shortFormat(locale));
    // Four digits first; a year typed shorter reads as a year of the first century there and
    // is taken as two digits below.
    QDate date = locale.toDate(t, fourDigits);
    if (date.isValid() && date.year() >= 100)
        return date;
    QString twoDigits = fourDigits;
    twoDigits.replace(QStringLiteral("yyyy"), QStringLiteral("yy"));
    date = locale.toDate(t, twoDigits);
    if (!date.isValid())
        return {};
    return QDate(nearestYear(date.year() % 100, today), date.month(), date.day());
}

QChar DateText::separator(const QLocale& locale)
{
    for (const QChar c : shortFormat(locale)) {
        if (!c.isLetter())
            return c;
    }
    return QLatin1Char('/');
}
