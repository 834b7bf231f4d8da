#include "TField.h"

#include "DateText.h"
#include "EDatabaseError.h"
#include "TDAODataset.h"

#include <QLocale>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <limits>

TField::TField(TDAODataset* dataSet, QString name, TFieldType type, int size, bool required, TFieldKind kind)
    : m_dataSet(dataSet)
    , m_name(std::move(name))
    , m_type(type)
    , m_size(type == TFieldType::String && size <= 0 ? 20 : size)
    , m_required(required)
    , m_kind(kind)
{
}

QVariant TField::Value() const
{
    return m_dataSet->fieldValue(*this);
}

bool TField::IsNull() const
{
    return Value().isNull();
}

QString TField::AsString() const
{
    const QVariant v = Value();
    if (v.isNull())
        return {};
    if (FieldTypes::isDate(m_type))
        return displayText(m_type, v);
    return v.toString();
}

qint32 TField::AsInteger() const
{
    const QVariant v = Value();
    if (v.isNull())
        return 0;
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (!ok)
        return 0;
    return qint32(std::clamp<qint64>(n, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

double TField::AsFloat() const
{
    return Value().toDouble();
}

bool TField::AsBoolean() const
{
    const QVariant v = Value();
    return !v.isNull() && v.toBool();
}

QDateTime TField::AsDateTime() const
{
    return Value().toDateTime();
}

QString TField::displayText(TFieldType type, const QVariant& value)
{
    if (value.isNull())
        return {};
    if (!FieldTypes::isDate(type))
        return value.toString();
    const QDateTime dt = value.toDateTime();
    const QLocale locale;
    if (type == TFieldType::Time)
        return locale.toString(dt.time(), QLocale::ShortFormat);
    if (type == TFieldType::DateTime && dt.time() != QTime(0, 0))
        return DateText::toText(dt.date(), locale) + QLatin1Char(' ') + locale.toString(dt.time(), QLocale::LongFormat);
    return DateText::toText(dt.date(), locale);
}

QString TField::DisplayText() const
{
    return displayText(m_type, Value());
}

QString TField::cutText(const QString& text, int size)
{
    if (size <= 0 || text.size() <= size)
        return text;
    // Cut before the character (a letter with its accents, a flag, a joined emoji) that
    // would not fit whole.
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    graphemes.setPosition(size);
    if (!graphemes.isAtBoundary())
        graphemes.toPreviousBoundary();
    return text.left(std::max<qsizetype>(graphemes.position(), 0));
}

QVariant TField::checkedInteger(qint64 value) const
{
    qint64 lo = std::numeric_limits<qint32>::min(), hi = std::numeric_limits<qint32>::max();
    if (m_type == TFieldType::SmallInt) {
        lo = std::numeric_limits<qint16>::min();
        hi = std::numeric_limits<qint16>::max();
    }
    if (value < lo || value > hi)
        throw EDatabaseError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                                 .arg(value)
                                 .arg(m_name)
                                 .arg(lo)
                                 .arg(hi));
    return value;
}

QVariant TField::fromText(const QString& text) const
{
    if (FieldTypes::isText(m_type) || m_type == TFieldType::Variant || m_type == TFieldType::Unknown)
        return m_type == TFieldType::String ? cutText(text, m_size) : text;
    const QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    if (FieldTypes::isInteger(m_type)) {
        bool ok = false;
        const qint64 n = t.toLongLong(&ok);
        if (!ok)
            throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return checkedInteger(n);
    }
    if (m_type == TFieldType::Float || m_type == TFieldType::Currency) {
        bool ok = false;
        double d = QLocale().toDouble(t, &ok);
        if (!ok)
            d = t.toDouble(&ok);
        if (!ok)
            throw EDatabaseError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
        return d;
    }
    if (m_type == TFieldType::Boolean) {
        const QString l = t.toLower();
        if (l == QLatin1String("true") || l == QLatin1String("yes") || l == QLatin1String("1"))
            return true;
        if (l == QLatin1String("false") || l == QLatin1String("no") || l == QLatin1String("0"))
            return false;
        throw EDatabaseError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    }
    if (FieldTypes::isDate(m_type)) {
        // Text is read as the program writes it: the stored form, or a date of the user's
        // locale with its year in four digits (two digits mean the nearest such year).
        QDateTime dt = FieldTypes::fromEngine(m_type, t).toDateTime();
        if (!dt.isValid())
            dt = FieldTypes::naive(DateText::fromText(t), QTime(0, 0));
        if (!dt.isValid())
            throw EDatabaseError(QStringLiteral("'%1' is not a valid date").arg(text));
        return dt;
    }
    return text;
}

QVariant TField::normalized(const QVariant& value) const
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.typeId() == QMetaType::QString)
        return fromText(value.toString());
    if (FieldTypes::isInteger(m_type)) {
        bool ok = false;
        const qint64 n = value.toLongLong(&ok);
        if (!ok)
            throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(value.toString()));
        return checkedInteger(n);
    }
    if (FieldTypes::isText(m_type))
        return fromText(value.toString());
    if (FieldTypes::isDate(m_type)) {
        const QDateTime dt = value.typeId() == QMetaType::QDate ? FieldTypes::naive(value.toDate(), QTime(0, 0))
                                                                : FieldTypes::naive(value.toDateTime());
        if (!dt.isValid())
            throw EDatabaseError(QStringLiteral("'%1' is not a valid date").arg(value.toString()));
        return dt;
    }
    if (m_type == TFieldType::Float || m_type == TFieldType::Currency)
        return value.toDouble();
    if (m_type == TFieldType::Boolean)
        return value.toBool();
    return value;
}

void TField::SetValue(const QVariant& value)
{
    m_dataSet->checkWritable(*this);
    m_dataSet->setFieldValue(*this, normalized(value));
}

void TField::SetAsString(const QString& value)
{
    SetValue(QVariant(value));
}

void TField::SetAsInteger(qint64 value)
{
    SetValue(QVariant(value));
}

void TField::SetAsFloat(double value)
{
    SetValue(QVariant(value));
}

void TField::SetAsBoolean(bool value)
{
    SetValue(QVariant(value));
}

void TField::SetAsDateTime(const QDateTime& value)
{
    SetValue(value.isValid() ? QVariant(value) : QVariant());
}

void TField::Clear()
{
    SetValue(QVariant());
}
