#include "RtfCodec.h"

#include "Windows1252.h"

#include <algorithm>

namespace {

bool isMultiBytePage(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 || codePage == 65001;
}

QByteArray converterName(int codePage)
{
    switch (codePage) {
    case 932:
        return "Shift_JIS";
    case 936:
        return "GBK";
    case 949:
        return "windows-949";
    case 950:
        return "Big5";
    case 10000:
        return "macintosh";
    case 10007:
        return "x-mac-cyrillic";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    default:
        break;
    }
    if (codePage >= 28591 && codePage <= 28605)
        return "ISO-8859-" + QByteArray::number(codePage - 28590);
    if (codePage == 874 || (codePage >= 1250 && codePage <= 1258))
        return "windows-" + QByteArray::number(codePage);
    return "IBM" + QByteArray::number(codePage);
}

} // namespace

RtfCodec::RtfCodec(int codePage)
    : m_codePage(supportedCodePage(codePage))
{
    if (m_codePage == kDefaultCodePage) {
        buildWindows1252Table();
        return;
    }
    if (m_codePage == kSymbolCodePage) {
        buildSymbolTable();
        return;
    }
    if (m_codePage == 65001) {
        m_decoder.emplace(QStringDecoder::Utf8);
        return;
    }
    QStringDecoder decoder(converterName(m_codePage).constData());
    if (!decoder.isValid()) {
        m_codePage = kDefaultCodePage;
        buildWindows1252Table();
        return;
    }
    if (isMultiBytePage(m_codePage)) {
        m_decoder.emplace(std::move(decoder));
        return;
    }
    buildTable(decoder);
}

int RtfCodec::supportedCodePage(int codePage)
{
    static constexpr int kKnown[] = {
        42,    437,   737,   775,   850,   852,   855,   857,   860,   861,   862,   863,   864,   865,   866,   869,
        874,   932,   936,   949,   950,   1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,  1258,  10000, 10007,
        20866, 21866, 28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603, 28605, 65001,
    };
    const bool known = std::find(std::begin(kKnown), std::end(kKnown), codePage) != std::end(kKnown);
    return known ? codePage : kDefaultCodePage;
}

int RtfCodec::codePageForCharset(int charset)
{
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return kSymbolCodePage;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

void RtfCodec::decodeAppend(QByteArrayView bytes, QString& out)
{
    if (m_decoder) {
        m_decoder->resetState();
        out += m_decoder->decode(bytes);
        return;
    }
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    QChar* dest = out.data() + start;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *dest++ = byte < 0x80 ? QChar(byte) : QChar(m_high[byte - 0x80]);
    }
}

void RtfCodec::buildTable(QStringDecoder& decoder)
{
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char c = static_cast<char>(byte);
        decoder.resetState();
        const QString decoded = decoder.decode(QByteArrayView(&c, 1));
        m_high[byte - 0x80] = decoded.size() == 1 ? decoded.at(0).unicode() : char16_t(0xFFFD);
    }
}

void RtfCodec::buildWindows1252Table()
{
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        m_high[byte - 0x80] = Windows1252::toUnicode(static_cast<unsigned char>(byte));
}

// Fonts with the symbol character set draw their own glyphs for these bytes;
// Latin-1 keeps them readable, and the bullet that lists use becomes a real one.
void RtfCodec::buildSymbolTable()
{
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        m_high[byte - 0x80] = char16_t(byte);
    m_high[0xB7 - 0x80] = 0x2022;
    m_high[0xA7 - 0x80] = 0x25AA;
}
