#pragma once

#include "RtfWriterTables.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QTextBlock>
#include <QTextFrame>

class QTextDocument;
class QTextTable;
class QTextTableCell;

// Writes a QTextDocument as RTF that this program, LibreOffice, Word and
// WordPad read back with the same text and formatting. The output is 7-bit
// ASCII, so it survives being stored as text in any encoding.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument& document);
    // The same RTF as a string, for the Description memo.
    static QString memoText(const QTextDocument& document);

private:
    explicit RtfWriter(const QTextDocument& document);

    QByteArray run();
    void writeFrame(const QTextFrame* frame);
    void writeTable(const QTextTable* table);
    void writeCell(const QTextTableCell& cell);
    static void collectBlocks(QTextFrame::iterator it, QList<QTextBlock>& blocks);
    void writeBlock(const QTextBlock& block, bool inTable, const char* terminator);
    void writeParagraphFormat(const QTextBlock& block, bool inTable);
    void writeListMarker(const QTextBlock& block);
    void writeRuns(const QTextBlock& block);
    QByteArray characterFormat(const QTextCharFormat& format);

    const QTextDocument& m_document;
    RtfWriterTables m_tables;
    QByteArray m_body;
};
