#include "RtfParser.h"

// The control words: what each one changes in the group state, the tables or the text.

namespace {

constexpr int kMaxTwips = 31680 * 4; // far past any page width
constexpr int kMaxHalfPoints = 3276; // 1638 pt, Word's own limit
constexpr int kMaxTabStops = 64;

bool isOn(const RtfToken& token)
{
    return !token.hasParam || token.param != 0;
}

int twips(const RtfToken& token)
{
    return qBound(-kMaxTwips, token.param, kMaxTwips);
}

RtfUnderline underlineOf(RtfKeyword keyword)
{
    switch (keyword) {
    case RtfKeyword::UnderlineDotted:
        return RtfUnderline::Dot;
    case RtfKeyword::UnderlineDashed:
        return RtfUnderline::Dash;
    case RtfKeyword::UnderlineDashDot:
        return RtfUnderline::DashDot;
    case RtfKeyword::UnderlineDashDotDot:
        return RtfUnderline::DashDotDot;
    case RtfKeyword::UnderlineWave:
        return RtfUnderline::Wave;
    default:
        return RtfUnderline::Single;
    }
}

} // namespace

bool RtfParser::isStarredKnown(RtfKeyword keyword)
{
    return keyword == RtfKeyword::ListFormat || keyword == RtfKeyword::UnicodeAlternative
           || keyword == RtfKeyword::ListText || keyword == RtfKeyword::FieldResult;
}

void RtfParser::onControlWord(const RtfToken& token)
{
    flushBytes();
    const bool starred = std::exchange(m_starPending, false);
    if (consumeSkippedChar())
        return;
    const RtfKeyword keyword = RtfKeywords::lookup(token.bytes);
    RtfGroupState& group = state();
    switch (group.destination) {
    case RtfDestination::Skip:
        return;
    case RtfDestination::Object:
        if (keyword == RtfKeyword::Result)
            group.destination = RtfDestination::Text;
        return;
    case RtfDestination::AnsiAlternative:
        if (keyword == RtfKeyword::UnicodeAlternative)
            group.destination = group.resumeDestination;
        return;
    default:
        break;
    }
    if (starred && !isStarredKnown(keyword)) {
        group.destination = RtfDestination::Skip;
        return;
    }
    dispatch(keyword, token);
}

void RtfParser::dispatch(RtfKeyword keyword, const RtfToken& token)
{
    if (keyword == RtfKeyword::Unknown)
        return;
    applyDocumentWord(keyword, token) || applyDestinationWord(keyword, token) || applyTableWord(keyword, token)
        || applyCharacterWord(keyword, token) || applyParagraphWord(keyword, token) || applyListWord(keyword, token)
        || applyBreakWord(keyword) || applyCharacterEntity(keyword);
}

bool RtfParser::applyDocumentWord(RtfKeyword keyword, const RtfToken& token)
{
    switch (keyword) {
    case RtfKeyword::Ansi:
        m_documentCodePage = RtfCodec::kDefaultCodePage;
        return true;
    case RtfKeyword::AnsiCodePage:
        m_documentCodePage = RtfCodec::supportedCodePage(token.param);
        return true;
    case RtfKeyword::Mac:
        m_documentCodePage = 10000;
        return true;
    case RtfKeyword::Pc:
        m_documentCodePage = 437;
        return true;
    case RtfKeyword::Pca:
        m_documentCodePage = 850;
        return true;
    case RtfKeyword::DefaultFont:
        m_defaultFont = token.param;
        return true;
    case RtfKeyword::UnicodeSkip:
        state().unicodeSkip = qBound(0, token.param, 16);
        return true;
    case RtfKeyword::Unicode:
        onUnicode(token.param);
        return true;
    default:
        return false;
    }
}

bool RtfParser::applyDestinationWord(RtfKeyword keyword, const RtfToken&)
{
    RtfGroupState& group = state();
    switch (keyword) {
    case RtfKeyword::FontTable:
        group.destination = RtfDestination::FontTable;
        return true;
    case RtfKeyword::ColorTable:
        group.destination = RtfDestination::ColorTable;
        m_red = m_green = m_blue = -1;
        return true;
    case RtfKeyword::SkippedDestination:
        group.destination = RtfDestination::Skip;
        return true;
    case RtfKeyword::Object:
        group.destination = RtfDestination::Object;
        return true;
    case RtfKeyword::ListText:
        if (group.destination != RtfDestination::Text)
            return true;
        resolvePendingCell();
        group.destination = RtfDestination::ListMarker;
        return true;
    case RtfKeyword::ListFormat:
        group.destination = RtfDestination::ListFormat;
        return true;
    case RtfKeyword::AnsiAlternative:
        group.resumeDestination = group.destination;
        group.destination = RtfDestination::AnsiAlternative;
        return true;
    case RtfKeyword::Result:
    case RtfKeyword::FieldResult:
    case RtfKeyword::UnicodeAlternative:
        return true;
    default:
        return false;
    }
}

bool RtfParser::applyTableWord(RtfKeyword keyword, const RtfToken& token)
{
    const RtfDestination destination = state().destination;
    switch (keyword) {
    case RtfKeyword::Font:
        if (destination == RtfDestination::FontTable)
            startFont(token.param);
        else
            state().chars.font = token.param < 0 ? -1 : token.param;
        return true;
    case RtfKeyword::Charset:
        if (destination == RtfDestination::FontTable)
            m_fontCodePage = RtfCodec::codePageForCharset(token.param);
        return true;
    case RtfKeyword::CodePage:
        if (destination == RtfDestination::FontTable)
            m_fontCodePage = RtfCodec::supportedCodePage(token.param);
        return true;
    case RtfKeyword::Red:
        m_red = qBound(0, token.param, 255);
        return true;
    case RtfKeyword::Green:
        m_green = qBound(0, token.param, 255);
        return true;
    case RtfKeyword::Blue:
        m_blue = qBound(0, token.param, 255);
        return true;
    default:
        return false;
    }
}

bool RtfParser::applyCharacterWord(RtfKeyword keyword, const RtfToken& token)
{
    RtfCharState& chars = state().chars;
    switch (keyword) {
    case RtfKeyword::Plain:
        chars = RtfCharState();
        return true;
    case RtfKeyword::Bold:
        chars.bold = isOn(token);
        return true;
    case RtfKeyword::Italic:
        chars.italic = isOn(token);
        return true;
    case RtfKeyword::Strike:
        chars.strike = isOn(token);
        return true;
    case RtfKeyword::Hidden:
        chars.hidden = isOn(token);
        return true;
    case RtfKeyword::Underline:
    case RtfKeyword::UnderlineDotted:
    case RtfKeyword::UnderlineDashed:
    case RtfKeyword::UnderlineDashDot:
    case RtfKeyword::UnderlineDashDotDot:
    case RtfKeyword::UnderlineWave:
        chars.underline = isOn(token) ? underlineOf(keyword) : RtfUnderline::None;
        return true;
    case RtfKeyword::UnderlineNone:
        chars.underline = RtfUnderline::None;
        return true;
    case RtfKeyword::FontSize:
        chars.halfPoints = token.hasParam ? qBound(0, token.param, kMaxHalfPoints) : 24;
        return true;
    case RtfKeyword::Foreground:
        chars.color = qMax(0, token.param);
        return true;
    case RtfKeyword::Background:
        chars.background = qMax(0, token.param);
        return true;
    case RtfKeyword::Super:
        chars.vertical = isOn(token) ? 1 : 0;
        return true;
    case RtfKeyword::Sub:
        chars.vertical = isOn(token) ? 2 : 0;
        return true;
    case RtfKeyword::NoSuperSub:
        chars.vertical = 0;
        return true;
    case RtfKeyword::Caps:
        chars.caps = isOn(token) ? 1 : 0;
        return true;
    case RtfKeyword::SmallCaps:
        chars.caps = isOn(token) ? 2 : 0;
        return true;
    default:
        return false;
    }
}

bool RtfParser::applyParagraphWord(RtfKeyword keyword, const RtfToken& token)
{
    RtfParaState& para = state().para;
    switch (keyword) {
    case RtfKeyword::Pard:
        para = RtfParaState();
        return true;
    case RtfKeyword::AlignLeft:
        para.alignment = 0;
        return true;
    case RtfKeyword::AlignCenter:
        para.alignment = 1;
        return true;
    case RtfKeyword::AlignRight:
        para.alignment = 2;
        return true;
    case RtfKeyword::AlignJustify:
        para.alignment = 3;
        return true;
    case RtfKeyword::LeftIndent:
        para.leftIndent = twips(token);
        return true;
    case RtfKeyword::RightIndent:
        para.rightIndent = twips(token);
        return true;
    case RtfKeyword::FirstIndent:
        para.firstIndent = twips(token);
        return true;
    case RtfKeyword::SpaceBefore:
        para.spaceBefore = qMax(0, twips(token));
        return true;
    case RtfKeyword::SpaceAfter:
        para.spaceAfter = qMax(0, twips(token));
        return true;
    case RtfKeyword::TabRight:
        para.nextTabType = RtfTabKind::Right;
        return true;
    case RtfKeyword::TabCenter:
        para.nextTabType = RtfTabKind::Center;
        return true;
    case RtfKeyword::TabDecimal:
        para.nextTabType = RtfTabKind::Decimal;
        return true;
    case RtfKeyword::TabStop:
        if (para.tabs.size() < kMaxTabStops && token.param > 0)
            para.tabs.append(RtfTab{twips(token), para.nextTabType});
        para.nextTabType = RtfTabKind::Left;
        return true;
    case RtfKeyword::RightToLeftPar:
        para.rightToLeft = true;
        return true;
    case RtfKeyword::LeftToRightPar:
        para.rightToLeft = false;
        return true;
    case RtfKeyword::InTable:
        para.inTable = true;
        return true;
    default:
        return false;
    }
}

bool RtfParser::applyListWord(RtfKeyword keyword, const RtfToken& token)
{
    RtfParaState& para = state().para;
    const bool bullet = para.listKind == RtfListKind::Bullet;
    switch (keyword) {
    case RtfKeyword::ListOverride:
        para.listId = qBound(0, token.param, 0xFFFF);
        return true;
    case RtfKeyword::ListLevel:
        para.listLevel = qBound(0, token.param, 8);
        return true;
    case RtfKeyword::PnBullet:
        para.listKind = RtfListKind::Bullet;
        return true;
    case RtfKeyword::PnBody:
        if (para.listKind == RtfListKind::None)
            para.listKind = RtfListKind::Decimal;
        return true;
    case RtfKeyword::PnLevel:
        para.listFormatLevel = qBound(1, token.param, 9);
        if (para.listKind == RtfListKind::None)
            para.listKind = RtfListKind::Decimal;
        return true;
    case RtfKeyword::PnDecimal:
        if (!bullet)
            para.listKind = RtfListKind::Decimal;
        return true;
    case RtfKeyword::PnLowerAlpha:
        if (!bullet)
            para.listKind = RtfListKind::LowerAlpha;
        return true;
    case RtfKeyword::PnUpperAlpha:
        if (!bullet)
            para.listKind = RtfListKind::UpperAlpha;
        return true;
    case RtfKeyword::PnLowerRoman:
        if (!bullet)
            para.listKind = RtfListKind::LowerRoman;
        return true;
    case RtfKeyword::PnUpperRoman:
        if (!bullet)
            para.listKind = RtfListKind::UpperRoman;
        return true;
    default:
        return false;
    }
}

bool RtfParser::applyBreakWord(RtfKeyword keyword)
{
    switch (keyword) {
    case RtfKeyword::Par:
        onParagraphMark();
        return true;
    case RtfKeyword::Line:
        appendChar(QChar::LineSeparator);
        return true;
    case RtfKeyword::Tab:
        appendChar(u'\t');
        return true;
    case RtfKeyword::Cell:
        onCell();
        return true;
    case RtfKeyword::Row:
        onRow();
        return true;
    default:
        return false;
    }
}

bool RtfParser::applyCharacterEntity(RtfKeyword keyword)
{
    char16_t c = 0;
    switch (keyword) {
    case RtfKeyword::EmDash:
        c = 0x2014;
        break;
    case RtfKeyword::EnDash:
        c = 0x2013;
        break;
    case RtfKeyword::Bullet:
        c = 0x2022;
        break;
    case RtfKeyword::LeftQuote:
        c = 0x2018;
        break;
    case RtfKeyword::RightQuote:
        c = 0x2019;
        break;
    case RtfKeyword::LeftDoubleQuote:
        c = 0x201C;
        break;
    case RtfKeyword::RightDoubleQuote:
        c = 0x201D;
        break;
    case RtfKeyword::EmSpace:
        c = 0x2003;
        break;
    case RtfKeyword::EnSpace:
        c = 0x2002;
        break;
    case RtfKeyword::QuarterEmSpace:
        c = 0x2005;
        break;
    case RtfKeyword::ZeroWidthJoiner:
        c = 0x200D;
        break;
    case RtfKeyword::ZeroWidthNonJoiner:
        c = 0x200C;
        break;
    case RtfKeyword::LeftToRightMark:
        c = 0x200E;
        break;
    case RtfKeyword::RightToLeftMark:
        c = 0x200F;
        break;
    default:
        return false;
    }
    appendChar(c);
    return true;
}
