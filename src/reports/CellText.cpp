#include "CellText.h"

#include "TDAODataset.h"
#include "TField.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <stdexcept>

CellText::CellText(const QString& text, const TDAODataset& dataSet)
{
    qsizetype at = 0;
    QString literal;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(QLatin1Char('['), at);
        const qsizetype close = open < 0 ? -1 : text.indexOf(QLatin1Char(']'), open + 1);
        if (close < 0) {
            literal += text.mid(at);
            break;
        }
        literal += text.mid(at, open - at);
        Part part = expression(text.mid(open + 1, close - open - 1), dataSet);
        if (!literal.isEmpty())
            m_parts.push_back({literal, nullptr, false});
        literal.clear();
        m_parts.push_back(part);
        m_constant = false;
        at = close + 1;
    }
    if (!literal.isEmpty())
        m_parts.push_back({literal, nullptr, false});
}

CellText::Part CellText::expression(const QString& inner, const TDAODataset& dataSet) const
{
    if (inner == QLatin1String("LINETHROUGH#"))
        return {{}, nullptr, true};
    static const QRegularExpression fieldReference(QStringLiteral("^DM\\.(\\w+)\\.\"([^\"]+)\"$"));
    const QRegularExpressionMatch m = fieldReference.match(inner);
    if (!m.hasMatch())
        throw std::invalid_argument(QStringLiteral("Unknown report expression [%1]").arg(inner).toStdString());
    if (m.captured(1).compare(dataSet.Name(), Qt::CaseInsensitive) != 0)
        throw std::invalid_argument(
            QStringLiteral("The report reads %1, not %2").arg(dataSet.Name(), m.captured(1)).toStdString());
    return {{}, &dataSet.FieldByName(m.captured(2)), false};
}

QString CellText::evaluate(const TDAODataset& dataSet, int rowNumber) const
{
    if (m_parts.size() == 1) {
        const Part& p = m_parts.front();
        if (p.field)
            return valueText(dataSet.fieldValue(*p.field));
        return p.rowNumber ? QString::number(rowNumber) : p.literal;
    }
    QString out;
    for (const Part& p : m_parts) {
        if (p.field)
            out += valueText(dataSet.fieldValue(*p.field));
        else if (p.rowNumber)
            out += QString::number(rowNumber);
        else
            out += p.literal;
    }
    return out;
}

QString CellText::valueText(const QVariant& value)
{
    if (value.isNull())
        return {};
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toLongLong() == 0 ? QString() : QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() == 0 ? QString() : QString::number(value.toDouble(), 'g', 15);
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime: {
        const QDateTime t = value.toDateTime();
        return t.time() == QTime(0, 0) ? t.date().toString(QStringLiteral("yyyy-MM-dd"))
                                       : t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    }
    default:
        return value.toString();
    }
}
