#pragma once

#include <QByteArray>
#include <QStringView>

// Writes text as 7-bit RTF: non-ASCII characters become \uN escapes followed
// by a fallback (the Windows-1252 byte, or the base letter, or '?') for
// readers that do not know \u. The document must declare \uc1.
class RtfEscaper
{
public:
    static void appendText(QByteArray& out, QStringView text);

private:
    static void appendUnicode(QByteArray& out, char16_t c);
    static void appendFallback(QByteArray& out, char16_t c);
};
