#include "RtfDocumentBuilder.h"

#include "RtfListStyle.h"
#include "RtfUnits.h"

#include <QTextDocument>
#include <QTextList>

namespace {

// Every item added to a QTextList makes Qt revisit all the list's items, so a
// list's cost grows with the square of its length. Past these lengths a new
// list starts: invisible for bullets, a numbering restart only after an item
// count no memo reaches.
constexpr int kMaxBulletItems = 100;
constexpr int kMaxNumberedItems = 1000;

bool isFull(const QTextList* list)
{
    const bool numbered = list->format().style() <= QTextListFormat::ListDecimal;
    return list->count() >= (numbered ? kMaxNumberedItems : kMaxBulletItems);
}

Qt::Alignment alignmentOf(int alignment)
{
    switch (alignment) {
    case 1:
        return Qt::AlignHCenter;
    case 2:
        return Qt::AlignRight;
    case 3:
        return Qt::AlignJustify;
    default:
        return Qt::AlignLeft;
    }
}

QColor colorOf(const RtfColor& color)
{
    return QColor(color.red, color.green, color.blue);
}

QTextOption::TabType tabTypeOf(RtfTabKind kind)
{
    switch (kind) {
    case RtfTabKind::Right:
        return QTextOption::RightTab;
    case RtfTabKind::Center:
        return QTextOption::CenterTab;
    case RtfTabKind::Decimal:
        return QTextOption::DelimiterTab;
    default:
        return QTextOption::LeftTab;
    }
}

bool isListParagraph(const RtfParaState& para, const QString& marker)
{
    return para.listKind != RtfListKind::None || !marker.isEmpty();
}

} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument& document)
    : m_document(document)
    , m_undoWasEnabled(document.isUndoRedoEnabled())
{
    // Undo records for every inserted run would cost time and memory for nothing.
    m_document.setUndoRedoEnabled(false);
    m_document.clear();
    m_cursor = QTextCursor(&m_document);
    m_cursor.beginEditBlock();
}

RtfDocumentBuilder::~RtfDocumentBuilder()
{
    m_cursor.endEditBlock();
    m_document.setUndoRedoEnabled(m_undoWasEnabled);
}

void RtfDocumentBuilder::appendText(const QString& text, const RtfRunFormat& format)
{
    if (text.isEmpty())
        return;
    openPendingBlock();
    m_cursor.insertText(text, charFormat(format));
}

void RtfDocumentBuilder::endParagraph(const RtfParaState& para, const QString& listMarker)
{
    openPendingBlock();
    applyParagraph(para, listMarker);
    m_blockPending = true;
}

void RtfDocumentBuilder::finish(const RtfParaState& para, const QString& listMarker)
{
    if (!m_blockPending)
        applyParagraph(para, listMarker);
}

void RtfDocumentBuilder::openPendingBlock()
{
    if (!m_blockPending)
        return;
    m_blockPending = false;
    // A fresh format: the previous block's would carry its list membership over.
    m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
}

void RtfDocumentBuilder::applyParagraph(const RtfParaState& para, const QString& listMarker)
{
    const bool inList = isListParagraph(para, listMarker);
    m_cursor.setBlockFormat(blockFormat(para, inList));
    if (inList) {
        addToList(para, listMarker);
        return;
    }
    m_lastList = nullptr;
}

void RtfDocumentBuilder::addToList(const RtfParaState& para, const QString& listMarker)
{
    const int indent = listIndent(para);
    const bool byOverride = para.listId > 0;
    const qint64 key = byOverride ? (qint64(para.listId) << 8) | para.listLevel : (qint64(para.listKind) << 8) | indent;
    QTextList* list = byOverride ? m_overrideLists.value(key) : (m_lastListKey == key ? m_lastList : nullptr);
    if (list && !isFull(list)) {
        list->add(m_cursor.block());
    } else {
        list = m_cursor.createList(RtfListStyle::format(para.listKind, listMarker, indent));
        if (byOverride)
            m_overrideLists.insert(key, list);
    }
    m_lastList = list;
    m_lastListKey = key;
}

int RtfDocumentBuilder::listIndent(const RtfParaState& para)
{
    if (para.listId > 0)
        return para.listLevel + 1;
    if (para.listFormatLevel > 0)
        return para.listFormatLevel;
    return qMax(1, qRound(para.leftIndent / 720.0));
}

QTextBlockFormat RtfDocumentBuilder::blockFormat(const RtfParaState& para, bool inList)
{
    QTextBlockFormat format;
    if (para.alignment != 0)
        format.setAlignment(alignmentOf(para.alignment));
    // A list draws its own indent and marker; the paragraph's hanging indent is for those.
    if (!inList && para.leftIndent != 0)
        format.setLeftMargin(para.leftIndent / kTwipsPerPixel);
    if (!inList && para.firstIndent != 0)
        format.setTextIndent(para.firstIndent / kTwipsPerPixel);
    if (para.rightIndent != 0)
        format.setRightMargin(para.rightIndent / kTwipsPerPixel);
    if (para.spaceBefore != 0)
        format.setTopMargin(para.spaceBefore / kTwipsPerPixel);
    if (para.spaceAfter != 0)
        format.setBottomMargin(para.spaceAfter / kTwipsPerPixel);
    if (para.rightToLeft)
        format.setLayoutDirection(Qt::RightToLeft);
    if (!para.tabs.isEmpty()) {
        QList<QTextOption::Tab> tabs;
        for (const RtfTab& tab : para.tabs) {
            const QChar delimiter = tab.kind == RtfTabKind::Decimal ? QChar(u'.') : QChar();
            tabs.append(QTextOption::Tab(tab.position / kTwipsPerPixel, tabTypeOf(tab.kind), delimiter));
        }
        format.setTabPositions(tabs);
    }
    return format;
}

QTextCharFormat RtfDocumentBuilder::charFormat(const RtfRunFormat& run)
{
    const RtfCharState& chars = run.chars;
    QTextCharFormat format;
    if (chars.bold)
        format.setFontWeight(QFont::Bold);
    if (chars.italic)
        format.setFontItalic(true);
    if (chars.underline == RtfUnderline::Single)
        format.setFontUnderline(true);
    else if (chars.underline != RtfUnderline::None)
        format.setUnderlineStyle(static_cast<QTextCharFormat::UnderlineStyle>(chars.underline));
    if (chars.strike)
        format.setFontStrikeOut(true);
    if (!run.family.isEmpty())
        format.setFontFamilies({run.family});
    if (chars.halfPoints > 0)
        format.setFontPointSize(chars.halfPoints / 2.0);
    if (run.foreground.valid)
        format.setForeground(colorOf(run.foreground));
    if (run.background.valid)
        format.setBackground(colorOf(run.background));
    if (chars.vertical == 1)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (chars.vertical == 2)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (chars.caps == 1)
        format.setFontCapitalization(QFont::AllUppercase);
    else if (chars.caps == 2)
        format.setFontCapitalization(QFont::SmallCaps);
    return format;
}
