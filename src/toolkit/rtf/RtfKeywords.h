#pragma once

#include <QByteArrayView>

#include <cstdint>

// Every control word the reader acts on; the rest are ignored.
enum class RtfKeyword : std::uint16_t {
    Unknown,
    // document
    Ansi,
    AnsiCodePage,
    Mac,
    Pc,
    Pca,
    DefaultFont,
    UnicodeSkip,
    Unicode,
    // destinations
    FontTable,
    ColorTable,
    SkippedDestination,
    Object,
    Result,
    FieldResult,
    ListText,
    ListFormat,
    AnsiAlternative,
    UnicodeAlternative,
    // font and colour tables
    Font,
    Charset,
    CodePage,
    Red,
    Green,
    Blue,
    // character formatting
    Plain,
    Bold,
    Italic,
    Underline,
    UnderlineDotted,
    UnderlineDashed,
    UnderlineDashDot,
    UnderlineDashDotDot,
    UnderlineWave,
    UnderlineNone,
    Strike,
    FontSize,
    Foreground,
    Background,
    Super,
    Sub,
    NoSuperSub,
    Caps,
    SmallCaps,
    Hidden,
    // paragraph formatting
    Pard,
    AlignLeft,
    AlignCenter,
    AlignRight,
    AlignJustify,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    TabStop,
    TabRight,
    TabCenter,
    TabDecimal,
    RightToLeftPar,
    LeftToRightPar,
    InTable,
    ListOverride,
    ListLevel,
    // old-style list numbering
    PnBullet,
    PnBody,
    PnLevel,
    PnDecimal,
    PnLowerAlpha,
    PnUpperAlpha,
    PnLowerRoman,
    PnUpperRoman,
    // breaks and characters
    Par,
    Line,
    Tab,
    Cell,
    Row,
    EmDash,
    EnDash,
    Bullet,
    LeftQuote,
    RightQuote,
    LeftDoubleQuote,
    RightDoubleQuote,
    EmSpace,
    EnSpace,
    QuarterEmSpace,
    ZeroWidthJoiner,
    ZeroWidthNonJoiner,
    LeftToRightMark,
    RightToLeftMark,
};

class RtfKeywords
{
public:
    static RtfKeyword lookup(QByteArrayView word);
};
