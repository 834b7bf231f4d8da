#pragma once

#include <QByteArray>
#include <QString>

// The words of a Description memo without its formatting, for reading by the program rather
// than showing: what the rich-text box would show, each paragraph on a line of its own. Needs
// QtCore only, and no document is built, so that a million memos read quickly.
class RtfPlainText
{
public:
    // A memo that is not RTF is its own plain text.
    static QString ofMemo(const QString& memo);
    // The same for a memo as the file stores it, in UTF-8.
    static QString ofMemo(const QByteArray& utf8);
};
