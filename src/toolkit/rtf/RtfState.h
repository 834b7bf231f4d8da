#pragma once

#include <QList>
#include <QString>

#include <cstdint>

// Where the text of the current group goes.
enum class RtfDestination : std::uint8_t {
    Text, // document body
    Skip, // group carries nothing we show
    FontTable,
    ColorTable,
    ListMarker,      // \pntext / \listtext: the visible bullet or number
    ListFormat,      // {\*\pn ...}: how the old-style list is numbered
    Object,          // \object: only its \result is shown
    AnsiAlternative, // \upr: only the \ud part is read
};

// Old-style (\pn) list kinds.
enum class RtfListKind : std::uint8_t { None, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };

// Underline styles, numbered as QTextCharFormat::UnderlineStyle numbers them.
enum class RtfUnderline : std::uint8_t { None, Single, Dash, Dot, DashDot, DashDotDot, Wave };

// A tab stop; the position in twips.
enum class RtfTabKind : std::uint8_t { Left, Right, Center, Decimal };
struct RtfTab
{
    int position = 0;
    RtfTabKind kind = RtfTabKind::Left;

    bool operator==(const RtfTab&) const = default;
};

// One entry of the colour table; "automatic" entries are not valid.
struct RtfColor
{
    bool valid = false;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// Character formatting as RTF keeps it: numbers into the font and colour tables.
struct RtfCharState
{
    int font = -1;      // font table number; -1 is the document default
    int halfPoints = 0; // 0 keeps the document's size
    int color = 0;      // colour table index; 0 is "automatic"
    int background = 0;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    RtfUnderline underline = RtfUnderline::None;
    std::uint8_t vertical = 0; // 0 normal, 1 superscript, 2 subscript
    std::uint8_t caps = 0;     // 0 none, 1 all capitals, 2 small capitals

    bool operator==(const RtfCharState&) const = default;
};

// Paragraph formatting; lengths in twips.
struct RtfParaState
{
    int alignment = 0; // 0 left, 1 centre, 2 right, 3 justify
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    bool rightToLeft = false;
    bool inTable = false;
    int listId = 0;                           // \ls
    int listLevel = 0;                        // \ilvl
    RtfListKind listKind = RtfListKind::None; // from {\*\pn}
    int listFormatLevel = 0;                  // \pnlvlN
    RtfTabKind nextTabType = RtfTabKind::Left;
    QList<RtfTab> tabs;
};

// A run of text's formatting with the font and colour tables already looked up: the font's
// family is empty for the document's default font, which shows in the reader's own font.
struct RtfRunFormat
{
    RtfCharState chars;
    QString family;
    RtfColor foreground;
    RtfColor background;
};

struct RtfGroupState
{
    RtfCharState chars;
    RtfParaState para;
    RtfDestination destination = RtfDestination::Text;
    RtfDestination resumeDestination = RtfDestination::Text; // for \upr / \ud
    int unicodeSkip = 1;                                     // \uc
};
