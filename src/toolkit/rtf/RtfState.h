#pragma once

#include <QList>
#include <QTextOption>

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
    std::uint8_t underline = 0; // QTextCharFormat::UnderlineStyle
    std::uint8_t vertical = 0;  // 0 normal, 1 superscript, 2 subscript
    std::uint8_t caps = 0;      // 0 none, 1 all capitals, 2 small capitals

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
    QTextOption::TabType nextTabType = QTextOption::LeftTab;
    QList<QTextOption::Tab> tabs;
};

struct RtfGroupState
{
    RtfCharState chars;
    RtfParaState para;
    RtfDestination destination = RtfDestination::Text;
    RtfDestination resumeDestination = RtfDestination::Text; // for \upr / \ud
    int unicodeSkip = 1;                                     // \uc
};
