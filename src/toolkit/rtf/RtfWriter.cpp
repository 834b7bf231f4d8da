#include "RtfWriter.h"

#include "RtfEscaper.h"
#include "RtfUnits.h"

#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

namespace {

constexpr int kTwipsPerListLevel = 720;
constexpr int kTableWidthTwips = 9360; // the text width of a Letter or A4 page

QByteArray number(qreal twips)
{
    return QByteArray::number(qRound(twips));
}

void appendLength(QByteArray& out, const char* word, qreal twips)
{
    const int rounded = qRound(twips);
    if (rounded == 0)
        return;
    out += word;
    out += QByteArray::number(rounded);
}

const char* alignmentWord(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignHCenter)
        return "\\qc";
    if (alignment & Qt::AlignJustify)
        return "\\qj";
    if (alignment & Qt::AlignRight)
        return "\\qr";
    return "\\ql";
}

const char* underlineWord(QTextCharFormat::UnderlineStyle style)
{
    switch (style) {
    case QTextCharFormat::SingleUnderline:
        return "\\ul";
    case QTextCharFormat::DashUnderline:
        return "\\uldash";
    case QTextCharFormat::DotLine:
        return "\\uld";
    case QTextCharFormat::DashDotLine:
        return "\\uldashd";
    case QTextCharFormat::DashDotDotLine:
        return "\\uldashdd";
    case QTextCharFormat::WaveUnderline:
        return "\\ulwave";
    default:
        return nullptr; // the spell checker's underline is not the user's
    }
}

const char* tabWord(QTextOption::TabType type)
{
    switch (type) {
    case QTextOption::RightTab:
        return "\\tqr";
    case QTextOption::CenterTab:
        return "\\tqc";
    case QTextOption::DelimiterTab:
        return "\\tqdec";
    default:
        return "";
    }
}

bool isBulletStyle(QTextListFormat::Style style)
{
    return style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
           || style == QTextListFormat::ListSquare;
}

QString bulletText(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListCircle:
        return QStringLiteral("o");
    case QTextListFormat::ListSquare:
        return QString(QChar(0x25AA));
    default:
        return QString(QChar(0x2022));
    }
}

const char* numberingWord(QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListLowerAlpha:
        return "\\pnlcltr";
    case QTextListFormat::ListUpperAlpha:
        return "\\pnucltr";
    case QTextListFormat::ListLowerRoman:
        return "\\pnlcrm";
    case QTextListFormat::ListUpperRoman:
        return "\\pnucrm";
    default:
        return "\\pndec";
    }
}

QString familyOf(const QTextCharFormat& format)
{
    const QStringList families = format.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

int halfPointsOf(const QTextCharFormat& format)
{
    if (format.hasProperty(QTextFormat::FontPointSize) && format.fontPointSize() > 0)
        return qRound(format.fontPointSize() * 2);
    if (format.hasProperty(QTextFormat::FontPixelSize) && format.intProperty(QTextFormat::FontPixelSize) > 0)
        return qRound(format.intProperty(QTextFormat::FontPixelSize) * 1.5); // 96 dpi
    return 0;
}

bool hasBrush(const QTextCharFormat& format, QTextFormat::Property property)
{
    return format.hasProperty(property) && format.brushProperty(property).style() != Qt::NoBrush;
}

} // namespace

RtfWriter::RtfWriter(const QTextDocument& document)
    : m_document(document)
    , m_tables(document.defaultFont().family())
{
}

QByteArray RtfWriter::write(const QTextDocument& document)
{
    return RtfWriter(document).run();
}

QString RtfWriter::memoText(const QTextDocument& document)
{
    return QString::fromLatin1(write(document));
}

QByteArray RtfWriter::run()
{
    m_body.reserve(m_document.characterCount() * 2 + 256);
    writeFrame(m_document.rootFrame());
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n";
    out += m_tables.fontTable();
    out += '\n';
    out += m_tables.colorTable();
    out += '\n';
    out += m_body;
    out += "}\n";
    return out;
}

void RtfWriter::writeFrame(const QTextFrame* frame)
{
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        const QTextFrame* child = it.currentFrame();
        if (!child) {
            writeBlock(it.currentBlock(), false, "\\par");
            continue;
        }
        if (const auto* table = qobject_cast<const QTextTable*>(child))
            writeTable(table);
        else
            writeFrame(child);
    }
}

void RtfWriter::writeTable(const QTextTable* table)
{
    const int columns = qMax(1, table->columns());
    const int cellWidth = kTableWidthTwips / columns;
    for (int row = 0; row < table->rows(); ++row) {
        m_body += "\\trowd\\trgaph108";
        for (int column = 0; column < columns; ++column)
            m_body += "\\cellx" + QByteArray::number((column + 1) * cellWidth);
        m_body += '\n';
        for (int column = 0; column < columns; ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            // Cells covered by a merged one stay empty so that the columns line up.
            if (cell.row() == row && cell.column() == column)
                writeCell(cell);
            else
                m_body += "\\pard\\intbl\\cell\n";
        }
        m_body += "\\row\n";
    }
}

void RtfWriter::writeCell(const QTextTableCell& cell)
{
    QList<QTextBlock> blocks;
    collectBlocks(cell.begin(), blocks);
    if (blocks.isEmpty()) {
        m_body += "\\pard\\intbl\\cell\n";
        return;
    }
    for (qsizetype i = 0; i < blocks.size(); ++i)
        writeBlock(blocks.at(i), true, i + 1 == blocks.size() ? "\\cell" : "\\par");
}

// Frames and tables nested in a cell are written as the cell's paragraphs.
void RtfWriter::collectBlocks(QTextFrame::iterator it, QList<QTextBlock>& blocks)
{
    for (; !it.atEnd(); ++it) {
        if (const QTextFrame* child = it.currentFrame())
            collectBlocks(child->begin(), blocks);
        else
            blocks.append(it.currentBlock());
    }
}

void RtfWriter::writeBlock(const QTextBlock& block, bool inTable, const char* terminator)
{
    writeParagraphFormat(block, inTable);
    if (block.textList())
        writeListMarker(block);
    writeRuns(block);
    m_body += terminator;
    m_body += '\n';
}

void RtfWriter::writeParagraphFormat(const QTextBlock& block, bool inTable)
{
    const QTextBlockFormat format = block.blockFormat();
    m_body += "\\pard";
    if (inTable)
        m_body += "\\intbl";
    m_body += alignmentWord(format.alignment());
    qreal left = (format.leftMargin() + format.indent() * m_document.indentWidth()) * kTwipsPerPixel;
    qreal first = format.textIndent() * kTwipsPerPixel;
    if (const QTextList* list = block.textList()) {
        left += kTwipsPerListLevel * qMax(1, list->format().indent());
        first = -kTwipsPerListLevel / 2;
    }
    appendLength(m_body, "\\li", left);
    appendLength(m_body, "\\ri", format.rightMargin() * kTwipsPerPixel);
    appendLength(m_body, "\\fi", first);
    appendLength(m_body, "\\sb", format.topMargin() * kTwipsPerPixel);
    appendLength(m_body, "\\sa", format.bottomMargin() * kTwipsPerPixel);
    if (format.layoutDirection() == Qt::RightToLeft)
        m_body += "\\rtlpar";
    for (const QTextOption::Tab& tab : format.tabPositions()) {
        m_body += tabWord(tab.type);
        m_body += "\\tx" + number(tab.position * kTwipsPerPixel);
    }
    m_body += ' ';
}

// The marker text is there for readers that do not number lists themselves;
// the \pn group tells the others (and us) what kind of list it is.
void RtfWriter::writeListMarker(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    const QTextListFormat format = list->format();
    const bool bullet = isBulletStyle(format.style());
    const QString marker = bullet ? bulletText(format.style()) : list->itemText(block);
    m_body += "{\\pntext\\f0 ";
    RtfEscaper::appendText(m_body, marker);
    m_body += "\\tab}{\\*\\pn";
    if (bullet) {
        m_body += "\\pnlvlblt\\pnf0\\pnindent360{\\pntxtb ";
        RtfEscaper::appendText(m_body, marker);
        m_body += "}}";
        return;
    }
    m_body += "\\pnlvlbody\\pnf0\\pnindent360\\pnstart1";
    m_body += numberingWord(format.style());
    m_body += "{\\pntxtb ";
    RtfEscaper::appendText(m_body, format.numberPrefix());
    m_body += "}{\\pntxta ";
    RtfEscaper::appendText(m_body, format.numberSuffix());
    m_body += "}}";
}

void RtfWriter::writeRuns(const QTextBlock& block)
{
    QByteArray current;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QByteArray properties = characterFormat(fragment.charFormat());
        if (properties != current) {
            m_body += properties;
            current = properties;
        }
        RtfEscaper::appendText(m_body, fragment.text());
    }
}

QByteArray RtfWriter::characterFormat(const QTextCharFormat& format)
{
    QByteArray out = "\\plain";
    const QString family = familyOf(format);
    if (!family.isEmpty())
        out += "\\f" + QByteArray::number(m_tables.fontIndex(family));
    if (const int halfPoints = halfPointsOf(format); halfPoints > 0)
        out += "\\fs" + QByteArray::number(halfPoints);
    if (format.fontWeight() >= QFont::DemiBold)
        out += "\\b";
    if (format.fontItalic())
        out += "\\i";
    QTextCharFormat::UnderlineStyle underline = format.underlineStyle();
    if (underline == QTextCharFormat::NoUnderline && format.fontUnderline())
        underline = QTextCharFormat::SingleUnderline;
    if (const char* word = underlineWord(underline))
        out += word;
    if (format.fontStrikeOut())
        out += "\\strike";
    if (hasBrush(format, QTextFormat::ForegroundBrush))
        out += "\\cf" + QByteArray::number(m_tables.colorIndex(format.foreground().color()));
    if (hasBrush(format, QTextFormat::BackgroundBrush))
        out += "\\highlight" + QByteArray::number(m_tables.colorIndex(format.background().color()));
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        out += "\\super";
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        out += "\\sub";
    if (format.fontCapitalization() == QFont::AllUppercase)
        out += "\\caps";
    else if (format.fontCapitalization() == QFont::SmallCaps)
        out += "\\scaps";
    out += ' ';
    return out;
}
