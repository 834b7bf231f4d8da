#include "RtfEscaper.h"

#include "Windows1252.h"

#include <QChar>
#include <QString>

namespace {

constexpr char kHex[] = "0123456789abcdef";

bool isFrameOrObjectMark(char16_t c)
{
    return c == 0xFDD0 || c == 0xFDD1 || c == 0xFFFC;
}

} // namespace

void RtfEscaper::appendText(QByteArray& out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x20 && c < 0x7F) {
            if (c == u'\\' || c == u'{' || c == u'}')
                out += '\\';
            out += static_cast<char>(c);
            continue;
        }
        switch (c) {
        case u'\t':
            out += "\\tab ";
            continue;
        case 0x2028:
            out += "\\line ";
            continue;
        case 0x00A0:
            out += "\\~";
            continue;
        case 0x00AD:
            out += "\\-";
            continue;
        case 0x2011:
            out += "\\_";
            continue;
        default:
            break;
        }
        if (c < 0x80 || isFrameOrObjectMark(c))
            continue; // control characters carry nothing a reader could show
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            appendUnicode(out, c);
            appendUnicode(out, text[++i].unicode());
            continue;
        }
        if (!QChar::isSurrogate(c))
            appendUnicode(out, c);
    }
}

// RTF parameters are signed 16-bit: characters above 32767 are written negative.
void RtfEscaper::appendUnicode(QByteArray& out, char16_t c)
{
    out += "\\u";
    out += QByteArray::number(c > 32767 ? int(c) - 65536 : int(c));
    appendFallback(out, c);
}

void RtfEscaper::appendFallback(QByteArray& out, char16_t c)
{
    const int byte = Windows1252::fromUnicode(c);
    if (byte >= 0) {
        out += "\\'";
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
        return;
    }
    if (!QChar::isSurrogate(c)) {
        const QString decomposed = QChar(c).decomposition();
        if (!decomposed.isEmpty() && decomposed.at(0).unicode() > 0x20 && decomposed.at(0).unicode() < 0x7F
            && decomposed.at(0).isLetterOrNumber()) {
            // A digit would run into the number of the \u word without the space.
            if (decomposed.at(0).isDigit())
                out += ' ';
            out += static_cast<char>(decomposed.at(0).unicode());
            return;
        }
    }
    out += '?';
}
