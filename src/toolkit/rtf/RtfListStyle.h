#pragma once

#include "RtfState.h"

#include <QString>
#include <QTextListFormat>

// Works out a QTextList style from what an RTF paragraph says about its list:
// the old-style \pn kind when there is one, otherwise the visible marker text
// (\listtext / \pntext), which every writer puts in for readers like us.
class RtfListStyle
{
public:
    static QTextListFormat format(RtfListKind kind, const QString& marker, int indent);

private:
    static QTextListFormat::Style styleOfKind(RtfListKind kind);
    static QTextListFormat::Style styleOfMarker(const QString& marker);
    static QTextListFormat::Style bulletStyle(QChar c);
    static QTextListFormat::Style letterStyle(const QString& letters);
};
