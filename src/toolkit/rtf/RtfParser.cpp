#include "RtfParser.h"

#include <utility>

namespace {

constexpr int kMaxColors = 65536;
constexpr qsizetype kMaxMarker = 64;
constexpr qsizetype kMaxFontName = 256;

// Characters that would make QTextCursor start a block or a frame, or that
// mean nothing as text, are kept out of the runs.
bool needsFilter(char16_t c)
{
    return (c < 0x20 && c != u'\t') || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC;
}

void appendFiltered(QString& out, QStringView text)
{
    bool clean = true;
    for (const QChar c : text) {
        if (needsFilter(c.unicode())) {
            clean = false;
            break;
        }
    }
    if (clean) {
        out += text;
        return;
    }
    for (const QChar c : text) {
        if (c.unicode() == 0x2029)
            out += QChar(QChar::LineSeparator);
        else if (!needsFilter(c.unicode()))
            out += c;
    }
}

// A lone surrogate from a broken \u pair is replaced rather than stored.
void fixSurrogates(QString& text)
{
    const qsizetype size = text.size();
    QChar* data = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        if (data[i].isHighSurrogate() && i + 1 < size && data[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (data[i].isSurrogate())
            data[i] = QChar::ReplacementCharacter;
    }
}

// UTF-8 continuation bytes belong to the character before them.
qsizetype skipCharacters(QByteArrayView bytes, int count, bool utf8)
{
    qsizetype pos = 0;
    while (count > 0 && pos < bytes.size()) {
        ++pos;
        while (utf8 && pos < bytes.size() && (static_cast<unsigned char>(bytes[pos]) & 0xC0) == 0x80)
            ++pos;
        --count;
    }
    return pos;
}

} // namespace

RtfParser::RtfParser(QByteArrayView input, RtfSink& sink, RawText rawText)
    : m_tokenizer(input)
    , m_sink(sink)
    , m_rawText(rawText)
{
    m_stack.reserve(kMaxDepth);
}

void RtfParser::run()
{
    while (!m_finished) {
        const RtfToken token = m_tokenizer.next();
        if (token.type == RtfToken::Type::End)
            break;
        handle(token);
    }
    flushBytes();
    if (!m_stack.empty())
        m_finalPara = state().para;
    if (m_cellParPending)
        endParagraph(m_cellPar);
    flushRun();
    m_sink.finish(m_finalPara, m_marker);
}

void RtfParser::handle(const RtfToken& token)
{
    if (token.type == RtfToken::Type::GroupStart)
        return onGroupStart();
    if (m_stack.empty())
        return; // nothing counts before the document's opening brace
    switch (token.type) {
    case RtfToken::Type::GroupEnd:
        return onGroupEnd();
    case RtfToken::Type::ControlWord:
        return onControlWord(token);
    case RtfToken::Type::ControlSymbol:
        return onControlSymbol(token.symbol);
    case RtfToken::Type::HexByte:
        return onHexByte(token.hex);
    case RtfToken::Type::Text:
        return onText(token.bytes);
    case RtfToken::Type::Binary:
        flushBytes();
        consumeSkippedChar();
        return;
    default:
        return;
    }
}

void RtfParser::onGroupStart()
{
    flushBytes();
    m_skipRemaining = 0;
    m_starPending = false;
    if (m_stack.empty()) {
        if (m_started)
            return;
        m_started = true;
        m_stack.emplace_back();
        return;
    }
    if (m_stack.size() >= static_cast<size_t>(kMaxDepth)) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
}

void RtfParser::onGroupEnd()
{
    flushBytes();
    m_skipRemaining = 0;
    m_starPending = false;
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_fontOpen && m_stack.size() == m_fontDepth)
        commitFont();
    const RtfGroupState closed = std::move(m_stack.back());
    m_stack.pop_back();
    if (m_stack.empty()) {
        m_finalPara = closed.para;
        m_finished = true;
        return;
    }
    // The old-style list description lives in its own group but describes the paragraph.
    if (closed.destination == RtfDestination::ListFormat && state().destination != RtfDestination::ListFormat) {
        state().para.listKind = closed.para.listKind;
        state().para.listFormatLevel = closed.para.listFormatLevel;
    }
}

bool RtfParser::consumeSkippedChar()
{
    if (m_skipRemaining <= 0)
        return false;
    --m_skipRemaining;
    return true;
}

bool RtfParser::skipsContent() const
{
    const RtfDestination destination = m_stack.back().destination;
    return destination == RtfDestination::Skip || destination == RtfDestination::Object
           || destination == RtfDestination::AnsiAlternative || destination == RtfDestination::ListFormat;
}

void RtfParser::onUnicode(int value)
{
    // Negative values are how 16-bit signed writers spell characters above 32767.
    char32_t code = value < 0 ? static_cast<char32_t>(value + 65536) : static_cast<char32_t>(value);
    if (value < -65535 || code > 0x10FFFF)
        code = QChar::ReplacementCharacter;
    flushBytes();
    if (code > 0xFFFF) {
        const char16_t pair[2] = {QChar::highSurrogate(code), QChar::lowSurrogate(code)};
        emitText(QStringView(pair, 2));
    } else if (code != 0) {
        const char16_t single = static_cast<char16_t>(code);
        emitText(QStringView(&single, 1));
    }
    m_skipRemaining = state().unicodeSkip;
}

void RtfParser::onControlSymbol(char symbol)
{
    if (symbol == '*') {
        m_starPending = true;
        return;
    }
    flushBytes();
    m_starPending = false;
    if (consumeSkippedChar() || skipsContent())
        return;
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        return appendChar(static_cast<char16_t>(symbol));
    case '~':
        return appendChar(0x00A0);
    case '-':
        return appendChar(0x00AD);
    case '_':
        return appendChar(0x2011);
    case '\n':
    case '\r':
        return onParagraphMark();
    default:
        return;
    }
}

void RtfParser::onHexByte(unsigned char byte)
{
    m_starPending = false;
    if (consumeSkippedChar() || skipsContent())
        return;
    const char c = static_cast<char>(byte);
    appendBytes(QByteArrayView(&c, 1), textCodec());
}

void RtfParser::onText(QByteArrayView bytes)
{
    m_starPending = false;
    if (skipsContent())
        return;
    const bool utf8 = m_rawText == RawText::Utf8;
    if (m_skipRemaining > 0) {
        const qsizetype skipped = skipCharacters(bytes, m_skipRemaining, utf8);
        m_skipRemaining = 0;
        bytes = bytes.sliced(skipped);
    }
    RtfCodec* rawCodec = utf8 ? codec(65001) : textCodec();
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte >= 0x20 || byte == '\t')
            continue;
        appendBytes(bytes.sliced(start, i - start), rawCodec);
        start = i + 1;
    }
    appendBytes(bytes.sliced(start), rawCodec);
}

void RtfParser::appendBytes(QByteArrayView bytes, RtfCodec* codec)
{
    if (bytes.isEmpty())
        return;
    if (codec != m_bytesCodec)
        flushBytes();
    m_bytesCodec = codec;
    m_bytes.append(bytes);
}

void RtfParser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    m_decoded.resize(0);
    m_bytesCodec->decodeAppend(m_bytes, m_decoded);
    m_bytes.resize(0);
    emitText(m_decoded);
}

void RtfParser::appendChar(char16_t c)
{
    flushBytes();
    emitText(QStringView(&c, 1));
}

void RtfParser::emitText(QStringView text)
{
    switch (state().destination) {
    case RtfDestination::Text:
        return appendRunText(text);
    case RtfDestination::FontTable:
        for (const QChar c : text) {
            if (c == u';')
                commitFont();
            else if (m_fontOpen && m_fontName.size() < kMaxFontName)
                m_fontName += c;
        }
        return;
    case RtfDestination::ColorTable:
        for (const QChar c : text) {
            if (c == u';')
                commitColor();
        }
        return;
    case RtfDestination::ListMarker:
        m_marker += text.left(kMaxMarker - m_marker.size());
        return;
    default:
        return;
    }
}

void RtfParser::appendRunText(QStringView text)
{
    const RtfCharState& chars = state().chars;
    if (chars.hidden)
        return;
    resolvePendingCell();
    if (!m_run.isEmpty() && !(chars == m_runState))
        flushRun();
    m_runState = chars;
    if (m_cellPending) {
        m_cellPending = false;
        m_run += u'\t';
    }
    appendFiltered(m_run, text);
}

// A paragraph mark inside a cell ends a paragraph only when more text of the
// same cell follows; right before \cell it is just how writers close the cell.
void RtfParser::resolvePendingCell()
{
    if (!m_cellParPending)
        return;
    m_cellParPending = false;
    endParagraph(m_cellPar);
}

void RtfParser::flushRun()
{
    if (m_run.isEmpty())
        return;
    fixSurrogates(m_run);
    m_sink.appendText(m_run, runFormat(m_runState));
    m_run.resize(0);
}

void RtfParser::onParagraphMark()
{
    if (state().destination != RtfDestination::Text)
        return;
    if (state().para.inTable) {
        resolvePendingCell();
        m_cellParPending = true;
        m_cellPar = state().para;
        return;
    }
    resolvePendingCell();
    m_cellPending = false;
    endParagraph(state().para);
}

void RtfParser::onCell()
{
    if (state().destination != RtfDestination::Text)
        return;
    m_cellParPending = false;
    if (m_cellPending)
        appendRunText(u"");
    m_cellPending = true;
}

void RtfParser::onRow()
{
    if (state().destination != RtfDestination::Text)
        return;
    m_cellParPending = false;
    m_cellPending = false;
    endParagraph(state().para);
}

void RtfParser::endParagraph(const RtfParaState& para)
{
    flushRun();
    m_sink.endParagraph(para, m_marker);
    m_marker.clear();
}

void RtfParser::startFont(int number)
{
    commitFont();
    m_fontOpen = true;
    m_fontNumber = number;
    m_fontCodePage = 0;
    m_fontDepth = m_stack.size();
    m_fontName.clear();
}

void RtfParser::commitFont()
{
    if (!m_fontOpen)
        return;
    flushBytes();
    m_fontOpen = false;
    m_fonts.insert(m_fontNumber, Font{m_fontName.trimmed(), m_fontCodePage});
    m_fontName.clear();
}

void RtfParser::commitColor()
{
    if (m_colors.size() < kMaxColors) {
        const bool automatic = m_red < 0 && m_green < 0 && m_blue < 0;
        m_colors.append(automatic ? RtfColor()
                                  : RtfColor{true, static_cast<std::uint8_t>(qMax(0, m_red)),
                                             static_cast<std::uint8_t>(qMax(0, m_green)),
                                             static_cast<std::uint8_t>(qMax(0, m_blue))});
    }
    m_red = m_green = m_blue = -1;
}

RtfCodec* RtfParser::codec(int codePage)
{
    auto it = m_codecs.find(codePage);
    if (it == m_codecs.end())
        it = m_codecs.emplace(codePage, std::make_unique<RtfCodec>(codePage)).first;
    return it->second.get();
}

RtfCodec* RtfParser::textCodec()
{
    if (state().destination == RtfDestination::FontTable && m_fontOpen)
        return codec(m_fontCodePage != 0 ? m_fontCodePage : m_documentCodePage);
    const int font = state().chars.font < 0 ? m_defaultFont : state().chars.font;
    const auto it = m_fonts.constFind(font);
    const int fontPage = it == m_fonts.cend() ? 0 : it->codePage;
    return codec(fontPage != 0 ? fontPage : m_documentCodePage);
}

RtfRunFormat RtfParser::runFormat(const RtfCharState& chars) const
{
    RtfRunFormat format;
    format.chars = chars;
    // The default font stays unset so that the memo shows in the box's own font.
    if (chars.font >= 0 && chars.font != m_defaultFont)
        format.family = m_fonts.value(chars.font).family;
    if (chars.color > 0 && chars.color < m_colors.size())
        format.foreground = m_colors.at(chars.color);
    if (chars.background > 0 && chars.background < m_colors.size())
        format.background = m_colors.at(chars.background);
    return format;
}
