#pragma once

#include "RtfSink.h"

#include <QHash>
#include <QTextCursor>

class QTextDocument;
class QTextList;

// Puts parsed text into a QTextDocument, a paragraph at a time.
// A paragraph's block is only created when something follows the paragraph
// mark before it, so the mark that ends the last paragraph adds no empty block.
class RtfDocumentBuilder : public RtfSink
{
public:
    explicit RtfDocumentBuilder(QTextDocument& document);
    ~RtfDocumentBuilder() override;
    RtfDocumentBuilder(const RtfDocumentBuilder&) = delete;
    RtfDocumentBuilder& operator=(const RtfDocumentBuilder&) = delete;

    void appendText(const QString& text, const RtfRunFormat& format) override;
    void endParagraph(const RtfParaState& para, const QString& listMarker) override;
    void finish(const RtfParaState& para, const QString& listMarker) override;

private:
    void openPendingBlock();
    void applyParagraph(const RtfParaState& para, const QString& listMarker);
    void addToList(const RtfParaState& para, const QString& listMarker);
    static QTextCharFormat charFormat(const RtfRunFormat& run);
    static QTextBlockFormat blockFormat(const RtfParaState& para, bool inList);
    static int listIndent(const RtfParaState& para);

    QTextDocument& m_document;
    QTextCursor m_cursor;
    bool m_undoWasEnabled = false;
    bool m_blockPending = false;
    // Lists numbered by \ls keep going across other paragraphs; old-style ones
    // only continue while their paragraphs follow one another.
    QHash<qint64, QTextList*> m_overrideLists;
    QTextList* m_lastList = nullptr;
    qint64 m_lastListKey = 0;
};
