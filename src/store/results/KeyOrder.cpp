#include "KeyOrder.h"

#include "SqliteFunctions.h"
#include "TextFold.h"

#include <QRegularExpression>
#include <algorithm>
#include <iterator>
#include <sqlite3.h>

namespace {

constexpr KeyOrder::Collation kCollations[]
    = {KeyOrder::Collation::Binary, KeyOrder::Collation::NoCase, KeyOrder::Collation::Kolt};

} // namespace

const char* KeyOrder::collationName(Collation collation)
{
    switch (collation) {
    case Collation::Kolt:
        return SqliteFunctions::kCollation;
    case Collation::NoCase:
        return "NOCASE";
    case Collation::Binary:
        break;
    }
    return "BINARY";
}

std::optional<KeyOrder> KeyOrder::parse(sqlite3* db, const QString& table, const QString& orderBy)
{
    static const QRegularExpression term(
        QStringLiteral("^\\s*(?:([A-Za-z_][A-Za-z0-9_]*)|\"([^\"]+)\"|\\[([^\\]]+)\\])\\s*(ASC|DESC)?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    KeyOrder order;
    const QByteArray tableName = table.toUtf8();
    for (const QString& part : orderBy.split(QLatin1Char(','))) {
        const auto m = term.match(part);
        if (!m.hasMatch())
            return std::nullopt;
        Term t;
        t.column
            = !m.captured(1).isEmpty() ? m.captured(1) : (!m.captured(2).isEmpty() ? m.captured(2) : m.captured(3));
        t.descending = m.captured(4).compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0;
        const char* collation = nullptr;
        if (sqlite3_table_column_metadata(db, "main", tableName.constData(), t.column.toUtf8().constData(), nullptr,
                                          &collation, nullptr, nullptr, nullptr)
            != SQLITE_OK)
            return std::nullopt;
        const QByteArray c = QByteArray(collation ? collation : "BINARY").toUpper();
        const auto known = std::find_if(std::begin(kCollations), std::end(kCollations),
                                        [&c](Collation k) { return c == collationName(k); });
        if (known == std::end(kCollations))
            return std::nullopt;
        t.collation = *known;
        order.m_terms.push_back(t);
    }
    if (order.m_terms.empty())
        return std::nullopt;
    return order;
}

namespace {

int typeClass(const QVariant& v)
{
    if (v.isNull() || !v.isValid())
        return 0;
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        return 1;
    case QMetaType::QString:
        return 2;
    default:
        return 3;
    }
}

int sign(qint64 d)
{
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

int compareText(const QString& a, const QString& b, KeyOrder::Collation collation)
{
    if (collation == KeyOrder::Collation::Kolt)
        return TextFold::compare(a, b);
    const QByteArray ua = a.toUtf8(), ub = b.toUtf8();
    if (collation == KeyOrder::Collation::NoCase)
        return sign(qstricmp(ua.constData(), ub.constData()));
    const int c = memcmp(ua.constData(), ub.constData(), size_t(std::min(ua.size(), ub.size())));
    return c != 0 ? sign(c) : sign(ua.size() - ub.size());
}

int compareValues(const QVariant& a, const QVariant& b, KeyOrder::Collation collation)
{
    const int ta = typeClass(a), tb = typeClass(b);
    if (ta != tb)
        return ta < tb ? -1 : 1;
    switch (ta) {
    case 0:
        return 0;
    case 1:
        if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong) {
            const qint64 x = a.toLongLong(), y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        return a.toDouble() < b.toDouble() ? -1 : (a.toDouble() > b.toDouble() ? 1 : 0);
    case 2:
        return compareText(a.toString(), b.toString(), collation);
    default: {
        const QByteArray x = a.toByteArray(), y = b.toByteArray();
        const int c = memcmp(x.constData(), y.constData(), size_t(std::min(x.size(), y.size())));
        return c != 0 ? sign(c) : sign(x.size() - y.size());
    }
    }
}

} // namespace

int KeyOrder::compare(const std::vector<QVariant>& a, const std::vector<QVariant>& b) const
{
    for (size_t i = 0; i < m_terms.size(); ++i) {
        const int c = compareValues(a[i], b[i], m_terms[i].collation);
        if (c != 0)
            return m_terms[i].descending ? -c : c;
    }
    return 0;
}
