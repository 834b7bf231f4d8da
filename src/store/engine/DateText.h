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
    // Whether the character can be part of a date typed in the locale: a digit, or anything
    // the locale writes between or around the numbers of a date (dots, spaces, marks, words).
    static bool canBeTyped(QChar c, const QLocale& locale = QLocale());

    // The day two-digit years are read against: the machine's date, unless one is fixed (tests
    // fix it, so that what they expect does not change with the years). Invalid: the machine's.
    static QDate today();
    static void fixToday(const QDate& date);

private:
    static QString fourDigitFormat(const QLocale& locale);
    // The letters d, M and y in the order the locale's short format names them.
    static QString partOrder(const QString& format);
    // The characters of the format's quoted words ("г." in "d.MM.yy 'г.'").
    static QString literalText(const QString& format);
};
