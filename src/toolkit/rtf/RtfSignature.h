#pragma once

#include <QByteArray>
#include <QStringView>

// Tells RTF from plain text: RTF starts with "{\rtf" after optional whitespace (and a
// byte-order mark).
class RtfSignature
{
public:
    static bool isRtf(QStringView memo);
    static bool isRtf(const QByteArray& bytes);
};
