#include "DateText.h"

#include <QRegularExpression>
#include <vector>

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

namespace {

QDate& fixedToday()
{
    static QDate date;
    return date;
}

} // namespace

QDate DateText::today()
{
    return fixedToday().isValid() ? fixedToday() : QDate::currentDate();
}

void DateText::fixToday(const QDate& date)
{
    fixedToday() = date;
}

int DateText::nearestYear(int twoDigits, const QDate& today)
{
    const int now = (today.isValid() ? today : DateText::today()).year();
    int year = now - now % 100 + twoDigits;
    if (year > now + 50)
        year -= 100;
    else if (year <= now - 50)
        year += 100;
    return year;
}

QString DateText::partOrder(const QString& format)
{
    QString order;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y'))
                 && !order.contains(c))
            order += c;
    }
    return order;
}

QString DateText::literalText(const QString& format)
{
    QString text;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        else if (quoted)
            text += c;
    }
    return text;
}

QDate DateText::fromText(const QString& text, const QLocale& locale, const QDate& today)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    const QDate iso = QDate::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso;
    // The three numbers, in the order the locale's format names day, month and year; what
    // stands between and around them (dots, spaces, marks, the format's own words) only parts
    // them, so a date reads however the locale spaces it, with one or two digits for the day
    // and month. (Formats with day or month names never get here: theirs is the international
    // one.)
    const QString format = shortFormat(locale);
    const QString order = partOrder(format);
    const QString words = literalText(format);
    struct Number
    {
        int value = 0;
        int digits = 0;
    };
    std::vector<Number> numbers;
    bool inNumber = false;
    for (const QChar c : t) {
        const int digit = c.digitValue();
        if (digit >= 0) {
            if (!inNumber)
                numbers.push_back({});
            inNumber = true;
            Number& n = numbers.back();
            if (n.digits < 9)
                n.value = n.value * 10 + digit;
            ++n.digits;
            continue;
        }
        inNumber = false;
        if (c.isLetter() && !words.contains(c))
            return {};
    }
    if (order.size() != 3 || numbers.size() != 3)
        return {};
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const Number& n = numbers[size_t(i)];
        switch (order[i].toLatin1()) {
        case 'd':
            day = n.digits <= 2 ? n.value : 0;
            break;
        case 'M':
            month = n.digits <= 2 ? n.value : 0;
            break;
        default:
            if (n.digits <= 2)
                year = nearestYear(n.value, today);
            else if (n.digits <= 4 && n.value >= 100)
                year = n.value;
            break;
        }
    }
    return year > 0 ? QDate(year, month, day) : QDate();
}

bool DateText::canBeTyped(QChar c, const QLocale& locale)
{
    if (c.isDigit() || c == QLatin1Char(' '))
        return true;
    // Whatever the locale writes around the numbers of a date, the last day of a year shows.
    thread_local QLocale known = QLocale::c();
    thread_local QString knownText = toText(QDate(2024, 12, 31), known);
    if (locale != known) {
        known = locale;
        knownText = toText(QDate(2024, 12, 31), locale);
    }
    return !c.isDigit() && knownText.contains(c);
}
