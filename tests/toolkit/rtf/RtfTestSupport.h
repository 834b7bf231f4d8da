#pragma once

// Small helpers shared by the rich-text tests: reading RTF into a document and
// describing a document's text and formatting so two documents can be compared.

#include "RtfReader.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <memory>

namespace RtfTestSupport {

inline std::unique_ptr<QTextDocument> readRtf(const QByteArray& rtf)
{
    auto document = std::make_unique<QTextDocument>();
    RtfReader::read(rtf, *document);
    return document;
}

// The text with line separators and no-break spaces left as they are
// (toPlainText() turns them into newlines and spaces).
inline QString rawText(const QTextDocument& document)
{
    QStringList blocks;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        blocks.append(block.text());
    return blocks.join(u'\n');
}

// The format of the first character of the first occurrence of word.
inline QTextCharFormat formatOf(const QTextDocument& document, const QString& word)
{
    const QTextCursor found = document.find(word);
    if (found.isNull())
        return {};
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(found.selectionStart() + 1);
    return cursor.charFormat();
}

inline QTextBlock blockOf(const QTextDocument& document, const QString& word)
{
    const QTextCursor found = document.find(word);
    return found.isNull() ? QTextBlock() : found.block();
}

inline QString describeChars(const QTextCharFormat& f)
{
    QString underline = QString::number(int(f.underlineStyle()));
    if (f.underlineStyle() == QTextCharFormat::NoUnderline && f.fontUnderline())
        underline = QString::number(int(QTextCharFormat::SingleUnderline));
    return QStringLiteral("b%1 i%2 u%3 s%4 f[%5] pt%6 fg[%7] bg[%8] v%9 c%10")
        .arg(f.fontWeight() >= QFont::DemiBold)
        .arg(f.fontItalic())
        .arg(underline)
        .arg(f.fontStrikeOut())
        .arg(f.fontFamilies().toStringList().join(u','))
        .arg(f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : 0.0)
        .arg(f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color().name() : QString())
        .arg(f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color().name() : QString())
        .arg(int(f.verticalAlignment()))
        .arg(int(f.fontCapitalization()));
}

inline QString describeBlock(const QTextDocument& document, const QTextBlock& block)
{
    const QTextBlockFormat f = block.blockFormat();
    QString tabs;
    for (const QTextOption::Tab& tab : f.tabPositions())
        tabs += QStringLiteral("%1/%2 ").arg(qRound(tab.position * 15)).arg(int(tab.type));
    const qreal left = f.leftMargin() + f.indent() * document.indentWidth();
    QString list;
    if (const QTextList* textList = block.textList()) {
        const QTextListFormat lf = textList->format();
        list = QStringLiteral("%1/%2").arg(int(lf.style())).arg(lf.indent());
        // Prefix and suffix only mean something around numbers.
        if (lf.style() <= QTextListFormat::ListDecimal)
            list += u'/' + lf.numberPrefix() + u'/' + lf.numberSuffix();
    }
    return QStringLiteral("a%1 l%2 r%3 f%4 t%5 b%6 d%7 tabs[%8] list[%9]")
        .arg(int(f.alignment() & Qt::AlignHorizontal_Mask))
        .arg(qRound(left * 15))
        .arg(qRound(f.rightMargin() * 15))
        .arg(qRound(f.textIndent() * 15))
        .arg(qRound(f.topMargin() * 15))
        .arg(qRound(f.bottomMargin() * 15))
        .arg(int(f.layoutDirection()))
        .arg(tabs, list);
}

// One line per block, with the block's format and each run of equally formatted text.
inline QStringList describe(const QTextDocument& document)
{
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString line = describeBlock(document, block) + u" |";
        QString lastFormat;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString format = describeChars(fragment.charFormat());
            if (format != lastFormat)
                line += u" <" + format + u"> ";
            lastFormat = format;
            line += fragment.text();
        }
        lines.append(line);
    }
    return lines;
}

} // namespace RtfTestSupport
