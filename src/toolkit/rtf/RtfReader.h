#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

class QTextDocument;

// Loads rich text (RTF) into a QTextDocument.
// Any input is safe: malformed or hostile RTF loads as far as it makes sense,
// in time roughly linear in its size, and never throws.
class RtfReader
{
public:
    // True when the text starts with "{\rtf" after optional whitespace (and byte-order mark).
    static bool isRtf(QStringView memo);
    static bool isRtf(const QByteArray& bytes);

    // Replaces the document's content. Bytes above 127 and \'hh escapes are read
    // in the font's or document's code page. Input that is not RTF is read as
    // UTF-8 plain text.
    static void read(const QByteArray& rtf, QTextDocument& document);

    // A Description memo: RTF when isRtf(), otherwise plain text, unchanged.
    // The memo is already text, so its characters above 127 are taken as they are.
    static void loadMemo(const QString& memo, QTextDocument& document);
};
