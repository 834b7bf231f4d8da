#include "TFieldType.h"

#include <QDateTime>
#include <QRegularExpression>

QString FieldTypes::name(TFieldType type)
{
    switch (type) {
    case TFieldType::String:
        return QStringLiteral("String");
    case TFieldType::SmallInt:
        return QStringLiteral("SmallInt");
    case TFieldType::Integer:
        return QStringLiteral("Integer");
    case TFieldType::AutoInc:
        return QStringLiteral("AutoInc");
    case TFieldType::Boolean:
        return QStringLiteral("Boolean");
    case TFieldType::Float:
        return QStringLiteral("Float");
    case TFieldType::Currency:
        return QStringLiteral("Currency");
    case TFieldType::Date:
        return QStringLiteral("Date");
    case TFieldType::Time:
        return QStringLiteral("Time");
    case TFieldType::DateTime:
        return QStringLiteral("DateTime");
    case TFieldType::Memo:
        return QStringLiteral("Memo");
    case TFieldType::Blob:
        return QStringLiteral("Blob");
    case TFieldType::Variant:
        return QStringLiteral("Variant");
    case TFieldType::Unknown:
        break;
    }
    return QStringLiteral("Unknown");
}

bool FieldTypes::isInteger(TFieldType type)
{
    return type == TFieldType::SmallInt || type == TFieldType::Integer || type == TFieldType::AutoInc;
}

bool FieldTypes::isDate(TFieldType type)
{
    return type == TFieldType::Date || type == TFieldType::Time || type == TFieldType::DateTime;
}

bool FieldTypes::compatible(TFieldType declared, TFieldType actual)
{
    if (declared == actual || actual == TFieldType::Variant)
        return declared != TFieldType::Unknown;
    if (isInteger(declared) && isInteger(actual))
        return true;
    auto floating = [](TFieldType t) { return t == TFieldType::Float || t == TFieldType::Currency; };
    if (floating(declared) && floating(actual))
        return true;
    if (isDate(declared) && isDate(actual))
        return true;
    auto large = [](TFieldType t) { return t == TFieldType::Memo || t == TFieldType::Blob; };
    return large(declared) && large(actual);
}

TFieldType FieldTypes::fromDeclaration(const QString& declared, int* size)
{
    *size = 0;
    const QString d = declared.trimmed().toUpper();
    if (d.isEmpty())
        return TFieldType::Variant;
    static const QRegularExpression sized(
        QStringLiteral("^(?:N?VARCHAR|N?CHAR|TEXT|CHARACTER VARYING)\\s*\\(\\s*(\\d+)\\s*\\)$"));
    if (const auto m = sized.match(d); m.hasMatch()) {
        *size = qBound(1, m.captured(1).toInt(), 65535);
        return TFieldType::String;
    }
    if (d == QLatin1String("TEXT") || d == QLatin1String("VARCHAR") || d == QLatin1String("CHAR")) {
        *size = 255;
        return TFieldType::String;
    }
    if (d == QLatin1String("MEMO") || d == QLatin1String("LONGTEXT") || d == QLatin1String("CLOB"))
        return TFieldType::Memo;
    if (d == QLatin1String("SMALLINT") || d == QLatin1String("SHORT") || d == QLatin1String("TINYINT")
        || d == QLatin1String("BYTE"))
        return TFieldType::SmallInt;
    if (d == QLatin1String("INTEGER") || d == QLatin1String("INT") || d == QLatin1String("LONG")
        || d == QLatin1String("BIGINT"))
        return TFieldType::Integer;
    if (d == QLatin1String("BOOLEAN") || d == QLatin1String("YESNO") || d == QLatin1String("BIT"))
        return TFieldType::Boolean;
    if (d == QLatin1String("CURRENCY") || d == QLatin1String("MONEY"))
        return TFieldType::Currency;
    if (d == QLatin1String("REAL") || d == QLatin1String("DOUBLE") || d == QLatin1String("FLOAT")
        || d.startsWith(QLatin1String("NUMERIC")) || d.startsWith(QLatin1String("DECIMAL")))
        return TFieldType::Float;
    if (d == QLatin1String("DATETIME") || d == QLatin1String("TIMESTAMP"))
        return TFieldType::DateTime;
    if (d == QLatin1String("DATE"))
        return TFieldType::Date;
    if (d == QLatin1String("TIME"))
        return TFieldType::Time;
    if (d == QLatin1String("BLOB") || d == QLatin1String("LONGBINARY") || d == QLatin1String("IMAGE"))
        return TFieldType::Blob;
    return TFieldType::Unknown;
}

TFieldType FieldTypes::fromValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return TFieldType::Integer;
    case QMetaType::Double:
        return TFieldType::Float;
    case QMetaType::QByteArray:
        return TFieldType::Blob;
    default:
        return TFieldType::String;
    }
}

namespace {

bool digits(const QString& t, qsizetype at, qsizetype count, int& out)
{
    out = 0;
    if (at + count > t.size())
        return false;
    for (qsizetype i = at; i < at + count; ++i) {
        const ushort c = t[i].unicode();
        if (c < '0' || c > '9')
            return false;
        out = out * 10 + (c - '0');
    }
    return true;
}

// "yyyy-MM-dd", "yyyy-MM-dd hh:mm:ss" (or with a "T"), "hh:mm:ss": read by hand, as this runs
// for every date of every row shown.
QDateTime parseEngineDate(const QString& text)
{
    int y, mo, d, h = 0, mi = 0, se = 0;
    if (text.size() >= 10 && digits(text, 0, 4, y) && text[4] == QLatin1Char('-') && digits(text, 5, 2, mo)
        && text[7] == QLatin1Char('-') && digits(text, 8, 2, d)) {
        const bool clock = text.size() >= 16 && (text[10] == QLatin1Char(' ') || text[10] == QLatin1Char('T'))
                           && text[13] == QLatin1Char(':');
        if (clock && text.size() >= 19 && text[16] == QLatin1Char(':') && digits(text, 11, 2, h)
            && digits(text, 14, 2, mi) && digits(text, 17, 2, se)) {
        } else if (clock && digits(text, 11, 2, h) && digits(text, 14, 2, mi)) {
        } else if (text.size() != 10) {
            return {};
        }
        const QDate date(y, mo, d);
        const QTime time(h, mi, se);
        return date.isValid() && time.isValid() ? FieldTypes::naive(date, time) : QDateTime();
    }
    if (text.size() == 8 && text[2] == QLatin1Char(':') && text[5] == QLatin1Char(':') && digits(text, 0, 2, h)
        && digits(text, 3, 2, mi) && digits(text, 6, 2, se)) {
        const QTime time(h, mi, se);
        return time.isValid() ? FieldTypes::naive(QDate(1899, 12, 30), time) : QDateTime();
    }
    return {};
}

} // namespace

QVariant FieldTypes::fromEngine(TFieldType type, const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (type) {
    case TFieldType::String:
    case TFieldType::Memo:
        return value.toString();
    case TFieldType::SmallInt:
    case TFieldType::Integer:
    case TFieldType::AutoInc:
        return value.toLongLong();
    case TFieldType::Boolean:
        return value.toLongLong() != 0;
    case TFieldType::Float:
    case TFieldType::Currency:
        return value.toDouble();
    case TFieldType::Date:
    case TFieldType::Time:
    case TFieldType::DateTime: {
        const QDateTime dt = parseEngineDate(value.toString());
        return dt.isValid() ? QVariant(dt) : QVariant();
    }
    case TFieldType::Blob:
        return value.toByteArray();
    case TFieldType::Variant:
    case TFieldType::Unknown:
        break;
    }
    return value;
}

QDateTime FieldTypes::naive(const QDate& date, const QTime& time)
{
    return QDateTime(date, time, Qt::UTC);
}

QDateTime FieldTypes::naive(const QDateTime& value)
{
    return value.isValid() ? QDateTime(value.date(), value.time(), Qt::UTC) : value;
}

QString FieldTypes::engineDateText(TFieldType type, const QDateTime& value)
{
    if (type == TFieldType::Date)
        return value.date().toString(QStringLiteral("yyyy-MM-dd"));
    if (type == TFieldType::Time)
        return value.time().toString(QStringLiteral("hh:mm:ss"));
    return value.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QVariant FieldTypes::toEngine(TFieldType type, const QVariant& value)
{
    if (value.isNull())
        return {};
    if (isText(type))
        return value.toString().isEmpty() ? QVariant() : QVariant(value.toString());
    if (isDate(type))
        return engineDateText(type, value.toDateTime());
    if (type == TFieldType::Boolean)
        return qint64(value.toBool() ? 1 : 0);
    return value;
}
