#pragma once

#include "RtfCodec.h"
#include "RtfKeywords.h"
#include "RtfSink.h"
#include "RtfState.h"
#include "RtfTokenizer.h"

#include <QHash>
#include <QList>

#include <map>
#include <memory>
#include <vector>

// Reads an RTF byte stream into a sink (a QTextDocument's builder, or plain text). Keeps the
// group state stack, the font and colour tables, and turns control words into formatting.
// Built to survive anything: bounded nesting, clamped numbers, no recursion.
//
// Shown: text and paragraphs; bold, italic, underline styles, strike-through,
// font family and size, text and background colour, super/subscript, capitals;
// alignment, indents, spacing, tab stops, right-to-left paragraphs; lists
// (from \pn, \pntext, \listtext and \ls) as QTextLists; table rows as
// paragraphs with a tab between cells; field results and object results.
// Dropped: style sheets, list tables, document information, pictures, objects'
// data, headers, footers, footnotes, annotations, shapes, hidden text, and any
// {\* ...} group not named above. Paragraph styles (\s) are not applied;
// writers repeat the formatting in the text anyway.
class RtfParser
{
public:
    // How bytes above 127 outside \'hh escapes are read: in the font's code page
    // (a file), or as UTF-8 (a memo that was already text before it was parsed).
    enum class RawText { CodePage, Utf8 };

    RtfParser(QByteArrayView input, RtfSink& sink, RawText rawText);

    void run();

    static constexpr int kMaxDepth = 200;

private:
    struct Font
    {
        QString family;
        int codePage = 0; // 0: the document's
    };

    RtfGroupState& state() { return m_stack.back(); }
    void handle(const RtfToken& token);
    void onGroupStart();
    void onGroupEnd();
    void onControlWord(const RtfToken& token);
    void onControlSymbol(char symbol);
    void onHexByte(unsigned char byte);
    void onText(QByteArrayView bytes);
    bool consumeSkippedChar();
    bool skipsContent() const;
    static bool isStarredKnown(RtfKeyword keyword);

    // Control words (RtfParserWords.cpp).
    void dispatch(RtfKeyword keyword, const RtfToken& token);
    bool applyDocumentWord(RtfKeyword keyword, const RtfToken& token);
    bool applyDestinationWord(RtfKeyword keyword, const RtfToken& token);
    bool applyTableWord(RtfKeyword keyword, const RtfToken& token);
    bool applyCharacterWord(RtfKeyword keyword, const RtfToken& token);
    bool applyParagraphWord(RtfKeyword keyword, const RtfToken& token);
    bool applyListWord(RtfKeyword keyword, const RtfToken& token);
    bool applyBreakWord(RtfKeyword keyword);
    bool applyCharacterEntity(RtfKeyword keyword);
    void onUnicode(int value);

    void appendBytes(QByteArrayView bytes, RtfCodec* codec);
    void flushBytes();
    void appendChar(char16_t c);
    void emitText(QStringView text);
    void appendRunText(QStringView text);
    void resolvePendingCell();
    void flushRun();

    void onParagraphMark();
    void onCell();
    void onRow();
    void endParagraph(const RtfParaState& para);

    void startFont(int number);
    void commitFont();
    void commitColor();

    RtfCodec* codec(int codePage);
    RtfCodec* textCodec();
    RtfRunFormat runFormat(const RtfCharState& chars) const;

    RtfTokenizer m_tokenizer;
    RtfSink& m_sink;
    RawText m_rawText;

    std::vector<RtfGroupState> m_stack;
    int m_overflowDepth = 0; // groups past kMaxDepth, read flat
    bool m_started = false;
    bool m_finished = false;
    bool m_starPending = false;
    int m_skipRemaining = 0; // \uc fallback characters still to drop
    RtfParaState m_finalPara;

    int m_documentCodePage = RtfCodec::kDefaultCodePage;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    QList<RtfColor> m_colors;
    std::map<int, std::unique_ptr<RtfCodec>> m_codecs;

    // font table entry being read
    bool m_fontOpen = false;
    int m_fontNumber = 0;
    int m_fontCodePage = 0;
    size_t m_fontDepth = 0;
    QString m_fontName;
    // colour table entry being read
    int m_red = -1;
    int m_green = -1;
    int m_blue = -1;

    // text not yet in the document
    QByteArray m_bytes;
    RtfCodec* m_bytesCodec = nullptr;
    QString m_decoded;
    QString m_run;
    RtfCharState m_runState;
    QString m_marker;
    bool m_cellPending = false;    // a \cell ended; a tab goes before the next text
    bool m_cellParPending = false; // a \par inside a cell, unless \cell follows
    RtfParaState m_cellPar;
};
