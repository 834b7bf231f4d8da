#pragma once

#include "RtfState.h"

#include <QString>

// Where the parser puts what it read: runs of text with their formatting, and the ends of
// paragraphs. A document for the rich-text boxes is one, the plain text an index reads is
// another.
class RtfSink
{
public:
    virtual ~RtfSink() = default;
    virtual void appendText(const QString& text, const RtfRunFormat& format) = 0;
    virtual void endParagraph(const RtfParaState& para, const QString& listMarker) = 0;
    // The last paragraph, which no paragraph mark may have ended.
    virtual void finish(const RtfParaState& para, const QString& listMarker) = 0;
};
