#include "FilterExpression.h"

#include "EEngineError.h"
#include "SqliteFunctions.h"

#include <QDateTime>
#include <QStringList>
#include <sqlite3.h>

namespace {

enum class Kind { End, Name, Text, Number, Date, Symbol, Word };

struct Tok
{
    Kind kind = Kind::End;
    QString text; // symbol, upper-case word, name, literal value
};

class Parser
{
public:
    Parser(const QString& source, const FilterExpression::Resolver& resolve, int firstIndex)
        : m_src(source)
        , m_resolve(resolve)
        , m_next(firstIndex)
    {
        advance();
    }

    FilterExpression::Result run()
    {
        FilterExpression::Result r;
        r.sql = orExpr().sql;
        if (m_tok.kind != Kind::End)
            fail();
        r.binds = std::move(m_binds);
        return r;
    }

private:
    struct Operand
    {
        QString sql;
        bool text = false;
        bool literal = false;
    };

    [[noreturn]] void fail() const
    {
        throw EEngineError(QStringLiteral("Syntax error in filter expression '%1'").arg(m_src), SQLITE_ERROR);
    }

    QChar peekChar(qsizetype i) const { return i < m_src.size() ? m_src[i] : QChar(); }

    QString quoted(QChar close)
    {
        QString value;
        ++m_pos;
        while (true) {
            if (m_pos >= m_src.size())
                fail();
            const QChar c = m_src[m_pos++];
            if (c == close) {
                if (peekChar(m_pos) == close) {
                    value += close;
                    ++m_pos;
                    continue;
                }
                return value;
            }
            value += c;
        }
    }

    void advance()
    {
        while (m_pos < m_src.size() && m_src[m_pos].isSpace())
            ++m_pos;
        m_tok = Tok();
        if (m_pos >= m_src.size())
            return;
        const QChar c = m_src[m_pos];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            m_tok = {Kind::Text, quoted(c)};
        } else if (c == QLatin1Char('[')) {
            m_tok = {Kind::Name, quoted(QLatin1Char(']'))};
        } else if (c == QLatin1Char('#')) {
            m_tok = {Kind::Date, quoted(QLatin1Char('#'))};
        } else if (c.isDigit() || (c == QLatin1Char('.') && peekChar(m_pos + 1).isDigit())) {
            const qsizetype start = m_pos;
            while (m_pos < m_src.size() && (m_src[m_pos].isDigit() || m_src[m_pos] == QLatin1Char('.')))
                ++m_pos;
            m_tok = {Kind::Number, m_src.mid(start, m_pos - start)};
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            const qsizetype start = m_pos;
            while (m_pos < m_src.size() && (m_src[m_pos].isLetterOrNumber() || m_src[m_pos] == QLatin1Char('_')))
                ++m_pos;
            const QString word = m_src.mid(start, m_pos - start);
            static const QStringList keywords{QStringLiteral("AND"),  QStringLiteral("OR"),      QStringLiteral("NOT"),
                                              QStringLiteral("LIKE"), QStringLiteral("IS"),      QStringLiteral("NULL"),
                                              QStringLiteral("IN"),   QStringLiteral("BETWEEN"), QStringLiteral("TRUE"),
                                              QStringLiteral("FALSE")};
            const QString upper = word.toUpper();
            m_tok = keywords.contains(upper) ? Tok{Kind::Word, upper} : Tok{Kind::Name, word};
        } else {
            static const QStringList two{QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">="),
                                         QStringLiteral("!=")};
            const QString pair = m_src.mid(m_pos, 2);
            if (two.contains(pair)) {
                m_tok = {Kind::Symbol, pair};
                m_pos += 2;
                return;
            }
            static const QString singles = QStringLiteral("=<>(),-+");
            if (!singles.contains(c))
                fail();
            m_tok = {Kind::Symbol, QString(c)};
            ++m_pos;
        }
    }

    bool isWord(const char* w) const { return m_tok.kind == Kind::Word && m_tok.text == QLatin1String(w); }
    bool isSymbol(const char* s) const { return m_tok.kind == Kind::Symbol && m_tok.text == QLatin1String(s); }
    void expectSymbol(const char* s)
    {
        if (!isSymbol(s))
            fail();
        advance();
    }

    QString bind(const QVariant& value)
    {
        m_binds.push_back(value);
        return QStringLiteral("?%1").arg(m_next++);
    }

    Operand orExpr()
    {
        Operand left = andExpr();
        while (isWord("OR")) {
            advance();
            left.sql = QStringLiteral("(%1 OR %2)").arg(left.sql, andExpr().sql);
            left.text = false;
        }
        return left;
    }

    Operand andExpr()
    {
        Operand left = notExpr();
        while (isWord("AND")) {
            advance();
            left.sql = QStringLiteral("(%1 AND %2)").arg(left.sql, notExpr().sql);
            left.text = false;
        }
        return left;
    }

    Operand notExpr()
    {
        if (isWord("NOT")) {
            advance();
            return {QStringLiteral("(NOT %1)").arg(notExpr().sql)};
        }
        return comparison();
    }

    static QString collate(const Operand& a, const Operand& b)
    {
        return (a.text || b.text) ? QStringLiteral(" COLLATE ") + QLatin1String(SqliteFunctions::kCollation)
                                  : QString();
    }

    Operand comparison()
    {
        Operand left = operand();
        bool negate = false;
        if (isWord("NOT")) {
            negate = true;
            advance();
            if (!isWord("LIKE") && !isWord("IN") && !isWord("BETWEEN"))
                fail();
        }
        const QString no = negate ? QStringLiteral("NOT ") : QString();
        if (isWord("IS")) {
            advance();
            bool isNot = false;
            if (isWord("NOT")) {
                isNot = true;
                advance();
            }
            if (!isWord("NULL"))
                fail();
            advance();
            return {QStringLiteral("(%1 IS %2NULL)").arg(left.sql, isNot ? QStringLiteral("NOT ") : QString())};
        }
        if (isWord("LIKE")) {
            advance();
            const Operand pattern = operand();
            return {QStringLiteral("(%1kolt_like(%2, %3))").arg(no, left.sql, pattern.sql)};
        }
        if (isWord("IN")) {
            advance();
            expectSymbol("(");
            QStringList items;
            bool text = left.text;
            do {
                const Operand item = operand();
                text = text || item.text;
                items << item.sql;
                if (!isSymbol(","))
                    break;
                advance();
            } while (true);
            expectSymbol(")");
            const Operand probe{QString(), text};
            return {QStringLiteral("(%1%2 %3IN (%4))")
                        .arg(left.sql, collate(probe, probe), no, items.join(QStringLiteral(", ")))};
        }
        if (isWord("BETWEEN")) {
            advance();
            const Operand lo = operand();
            if (!isWord("AND"))
                fail();
            advance();
            const Operand hi = operand();
            return {QStringLiteral("(%1%2 %3BETWEEN %4 AND %5)").arg(left.sql, collate(left, lo), no, lo.sql, hi.sql)};
        }
        if (negate)
            fail();
        static const QStringList ops{QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("!="),
                                     QStringLiteral("<"), QStringLiteral(">"),  QStringLiteral("<="),
                                     QStringLiteral(">=")};
        if (m_tok.kind == Kind::Symbol && ops.contains(m_tok.text)) {
            const QString op = m_tok.text == QLatin1String("!=") ? QStringLiteral("<>") : m_tok.text;
            advance();
            const Operand right = operand();
            return {QStringLiteral("(%1 %2 %3%4)").arg(left.sql, op, right.sql, collate(left, right))};
        }
        return left;
    }

    Operand operand()
    {
        const Tok t = m_tok;
        switch (t.kind) {
        case Kind::Text:
            advance();
            return {bind(t.text), true, true};
        case Kind::Number: {
            advance();
            bool ok = false;
            const qlonglong n = t.text.toLongLong(&ok);
            if (ok)
                return {bind(n), false, true};
            const double d = t.text.toDouble(&ok);
            if (!ok)
                fail();
            return {bind(d), false, true};
        }
        case Kind::Date: {
            advance();
            QDateTime dt = QDateTime::fromString(t.text.trimmed(), QStringLiteral("M/d/yyyy h:mm:ss AP"));
            if (!dt.isValid())
                dt = QDateTime(QDate::fromString(t.text.trimmed(), QStringLiteral("M/d/yyyy")), QTime(0, 0));
            if (!dt.isValid())
                dt = QDateTime::fromString(t.text.trimmed(), Qt::ISODate);
            if (!dt.isValid())
                fail();
            return {bind(FieldTypes::engineDateText(TFieldType::DateTime, dt)), false, true};
        }
        case Kind::Name: {
            advance();
            FilterExpression::Column column;
            if (!m_resolve(t.text, column))
                throw EEngineError(QStringLiteral("no such column: %1").arg(t.text), SQLITE_ERROR);
            return {column.sql, FieldTypes::isText(column.type), false};
        }
        case Kind::Word:
            if (t.text == QLatin1String("NULL")) {
                advance();
                return {QStringLiteral("NULL")};
            }
            if (t.text == QLatin1String("TRUE") || t.text == QLatin1String("FALSE")) {
                advance();
                return {bind(qint64(t.text == QLatin1String("TRUE") ? 1 : 0)), false, true};
            }
            fail();
        case Kind::Symbol:
            if (t.text == QLatin1String("(")) {
                advance();
                Operand inner = orExpr();
                expectSymbol(")");
                inner.sql = QStringLiteral("(%1)").arg(inner.sql);
                return inner;
            }
            if (t.text == QLatin1String("-") || t.text == QLatin1String("+")) {
                advance();
                const Operand inner = operand();
                return {QStringLiteral("(%1%2)").arg(t.text, inner.sql)};
            }
            fail();
        case Kind::End:
            fail();
        }
        fail();
    }

    const QString& m_src;
    const FilterExpression::Resolver& m_resolve;
    int m_next;
    qsizetype m_pos = 0;
    Tok m_tok;
    std::vector<QVariant> m_binds;
};

} // namespace

FilterExpression::Result FilterExpression::toSql(const QString& filter, const Resolver& resolve, int firstIndex)
{
    return Parser(filter, resolve, firstIndex).run();
}
