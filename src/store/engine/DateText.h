#pragma once

#include <QDate>
#include <QLocale>
#include <QString>

// Dates as people type and read them. The short date format of many locales writes the year
// with two digits, which reads back a century off (Qt takes "24" as 1924): the program always
// shows four digits, and a two-digit year that is typed anyway means the year nearest today.
class DateText
{
public:
    // The locale's short date format with the year in four digits.
    static QString shortFormat(const QLocale& locale = QLocale());
    static QString toText(const QDate& date, const QLocale& locale = QLocale());
    // Reads "yyyy-MM-dd" or the locale's short format (four- or two-digit year); an invalid
    // date when the text is neither.
    static QDate fromText(const QString& text, const QLocale& locale = QLocale(), const QDate& today = QDate());
    // The year nearest `today` that ends in these two digits.
    static int nearestYear(int twoDigits, const QDate& today);
    // The locale's date separator: the first character of its short format that is no letter.
    static QChar separator(const QLocale& locale = QLocale());

private:
    static QString fourDigitFormat(const QLocale& locale);
};
