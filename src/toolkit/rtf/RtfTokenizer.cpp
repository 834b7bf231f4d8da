#include "RtfTokenizer.h"

namespace {

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

RtfToken makeToken(RtfToken::Type type)
{
    RtfToken token;
    token.type = type;
    return token;
}

} // namespace

RtfTokenizer::RtfTokenizer(QByteArrayView input)
    : m_input(input)
{
}

RtfToken RtfTokenizer::next()
{
    skipLineBreaks();
    if (m_pos >= m_input.size())
        return {};
    const char c = m_input[m_pos];
    if (c == '{') {
        ++m_pos;
        return makeToken(RtfToken::Type::GroupStart);
    }
    if (c == '}') {
        ++m_pos;
        return makeToken(RtfToken::Type::GroupEnd);
    }
    if (c == '\\')
        return readBackslash();
    return readText();
}

// Raw line breaks carry no meaning in RTF; writers put them anywhere.
void RtfTokenizer::skipLineBreaks()
{
    while (m_pos < m_input.size() && (m_input[m_pos] == '\r' || m_input[m_pos] == '\n'))
        ++m_pos;
}

RtfToken RtfTokenizer::readBackslash()
{
    ++m_pos;
    if (m_pos >= m_input.size())
        return {};
    const char c = m_input[m_pos];
    if (isLetter(c))
        return readControlWord();
    if (c == '\'')
        return readHexByte();
    ++m_pos;
    RtfToken token = makeToken(RtfToken::Type::ControlSymbol);
    token.symbol = c;
    return token;
}

RtfToken RtfTokenizer::readControlWord()
{
    const qsizetype start = m_pos;
    while (m_pos < m_input.size() && isLetter(m_input[m_pos]))
        ++m_pos;
    RtfToken token = makeToken(RtfToken::Type::ControlWord);
    token.bytes = m_input.sliced(start, m_pos - start);

    bool negative = false;
    if (m_pos + 1 < m_input.size() && m_input[m_pos] == '-' && isDigit(m_input[m_pos + 1])) {
        negative = true;
        ++m_pos;
    }
    qint64 value = 0;
    while (m_pos < m_input.size() && isDigit(m_input[m_pos])) {
        token.hasParam = true;
        if (value <= kMaxParam)
            value = value * 10 + (m_input[m_pos] - '0');
        ++m_pos;
    }
    if (value > kMaxParam)
        value = kMaxParam;
    token.param = static_cast<int>(negative ? -value : value);

    if (m_pos < m_input.size() && m_input[m_pos] == ' ')
        ++m_pos;
    if (token.bytes == "bin")
        return readBinary(token.param);
    return token;
}

RtfToken RtfTokenizer::readHexByte()
{
    ++m_pos; // the quote
    const int high = m_pos < m_input.size() ? hexValue(m_input[m_pos]) : -1;
    const int low = m_pos + 1 < m_input.size() ? hexValue(m_input[m_pos + 1]) : -1;
    if (high < 0 || low < 0) {
        // A broken escape is dropped; the bytes after it are read as usual.
        RtfToken token = makeToken(RtfToken::Type::ControlSymbol);
        token.symbol = '\'';
        return token;
    }
    m_pos += 2;
    RtfToken token = makeToken(RtfToken::Type::HexByte);
    token.hex = static_cast<unsigned char>(high * 16 + low);
    return token;
}

RtfToken RtfTokenizer::readText()
{
    const qsizetype start = m_pos;
    while (m_pos < m_input.size()) {
        const char c = m_input[m_pos];
        if (c == '\\' || c == '{' || c == '}' || c == '\r' || c == '\n')
            break;
        ++m_pos;
    }
    RtfToken token = makeToken(RtfToken::Type::Text);
    token.bytes = m_input.sliced(start, m_pos - start);
    return token;
}

RtfToken RtfTokenizer::readBinary(int length)
{
    const qsizetype available = m_input.size() - m_pos;
    const qsizetype taken = length <= 0 ? 0 : qMin<qsizetype>(length, available);
    RtfToken token = makeToken(RtfToken::Type::Binary);
    token.bytes = m_input.sliced(m_pos, taken);
    m_pos += taken;
    return token;
}
