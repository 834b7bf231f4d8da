#include "SqlText.h"

#include <QRegularExpression>

QString SqlText::quoteIdentifier(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString SqlText::joinLines(const QStringList& lines)
{
    QString sql = lines.join(QLatin1Char(' '));
    sql.replace(QLatin1Char('\r'), QLatin1Char(' '));
    sql.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return sql;
}

SqlText::Parameters SqlText::parameters(const QString& sql)
{
    Parameters out;
    QChar quote;
    auto endsName = [](QChar c) {
        return c.isSpace() || c == QLatin1Char(')') || c == QLatin1Char(',') || c == QLatin1Char(';');
    };
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            out.sql += c;
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('#')) {
            quote = c;
            out.sql += c;
            continue;
        }
        if (c != QLatin1Char(':') || i + 1 >= sql.size() || endsName(sql[i + 1]) || sql[i + 1] == QLatin1Char(':')) {
            out.sql += c;
            continue;
        }
        qsizetype end = i + 1;
        while (end < sql.size() && !endsName(sql[end]))
            ++end;
        const QString name = sql.mid(i + 1, end - i - 1);
        qsizetype position = -1;
        for (qsizetype k = 0; k < out.names.size(); ++k) {
            if (out.names[k].compare(name, Qt::CaseInsensitive) == 0)
                position = k;
        }
        if (position < 0) {
            out.names << name;
            position = out.names.size() - 1;
        }
        out.sql += QStringLiteral("?%1").arg(position + 1);
        i = end - 1;
    }
    return out;
}

namespace {

struct Token
{
    QString upper; // keyword text in upper case, or empty for anything else
    qsizetype start = 0;
    qsizetype end = 0;
};

// Splits a statement into top-level words; quoted text and parenthesised parts count as one
// opaque token each.
std::optional<std::vector<Token>> topLevelTokens(const QString& sql)
{
    std::vector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    while (i < n) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.start = i;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('[') || c == QLatin1Char('`')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            ++i;
            while (i < n && sql[i] != close)
                ++i;
            if (i >= n)
                return std::nullopt;
            ++i;
        } else if (c == QLatin1Char('(')) {
            int depth = 0;
            QChar quote;
            for (; i < n; ++i) {
                const QChar d = sql[i];
                if (!quote.isNull()) {
                    if (d == quote)
                        quote = QChar();
                } else if (d == QLatin1Char('\'') || d == QLatin1Char('"')) {
                    quote = d;
                } else if (d == QLatin1Char('(')) {
                    ++depth;
                } else if (d == QLatin1Char(')') && --depth == 0) {
                    ++i;
                    break;
                }
            }
            if (depth != 0)
                return std::nullopt;
        } else if (c.isLetterOrNumber() || c == QLatin1Char('_')) {
            while (i < n && (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('_') || sql[i] == QLatin1Char('$')))
                ++i;
            t.upper = sql.mid(t.start, i - t.start).toUpper();
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            return std::nullopt; // comments: leave such statements alone
        } else {
            ++i;
            t.upper = QString(c);
        }
        t.end = i;
        tokens.push_back(t);
    }
    return tokens;
}

} // namespace

std::optional<SqlText::SimpleSelect> SqlText::simpleSelect(const QString& sql)
{
    const auto tokens = topLevelTokens(sql);
    if (!tokens || tokens->size() < 4)
        return std::nullopt;
    const auto& t = *tokens;
    size_t last = t.size();
    while (last > 0 && t[last - 1].upper == QLatin1String(";"))
        --last;
    if (t[0].upper != QLatin1String("SELECT") || t[1].upper != QLatin1String("*")
        || t[2].upper != QLatin1String("FROM"))
        return std::nullopt;
    static const QRegularExpression identifier(
        QStringLiteral("^(?:[A-Za-z_][A-Za-z0-9_$]*|\"[^\"]+\"|\\[[^\\]]+\\])$"));
    const QString table = sql.mid(t[3].start, t[3].end - t[3].start);
    if (!identifier.match(table).hasMatch())
        return std::nullopt;

    SimpleSelect out;
    out.table = table;
    if (table.startsWith(QLatin1Char('"')) || table.startsWith(QLatin1Char('[')))
        out.table = table.mid(1, table.size() - 2);

    size_t i = 4;
    qsizetype whereStart = -1, whereEnd = -1, orderStart = -1;
    for (; i < last; ++i) {
        const QString& u = t[i].upper;
        static const QStringList refused{QStringLiteral("GROUP"), QStringLiteral("HAVING"), QStringLiteral("LIMIT"),
                                         QStringLiteral("UNION"), QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT"),
                                         QStringLiteral("JOIN"),  QStringLiteral("WINDOW"), QStringLiteral("OFFSET")};
        if (refused.contains(u))
            return std::nullopt;
        if (u == QLatin1String("WHERE")) {
            if (i != 4 || whereStart >= 0)
                return std::nullopt;
            whereStart = t[i].end;
        } else if (u == QLatin1String("ORDER") && i + 1 < last && t[i + 1].upper == QLatin1String("BY")) {
            if (orderStart >= 0)
                return std::nullopt;
            whereEnd = t[i].start;
            orderStart = t[i + 1].end;
            ++i;
        } else if (whereStart < 0 && orderStart < 0) {
            return std::nullopt; // an alias or anything else after the table name
        } else if (u == QLatin1String(";")) {
            return std::nullopt;
        }
    }
    const qsizetype end = last < t.size() ? t[last].start : sql.size();
    if (whereStart >= 0)
        out.where = sql.mid(whereStart, (whereEnd >= 0 ? whereEnd : end) - whereStart).trimmed();
    if (orderStart >= 0) {
        out.orderBy = sql.mid(orderStart, end - orderStart).trimmed();
        // "order by 2" names a column of the select list, which the key query does not have.
        static const QRegularExpression positional(QStringLiteral("(^|,)\\s*\\d+\\s*(ASC|DESC)?\\s*(?=,|$)"),
                                                   QRegularExpression::CaseInsensitiveOption);
        if (out.orderBy.isEmpty() || positional.match(out.orderBy).hasMatch())
            return std::nullopt;
    }
    if (whereStart >= 0 && out.where.isEmpty())
        return std::nullopt;
    return out;
}
