#include "TextEncoding.h"

#include <array>

QString TextEncoding::name(Kind kind)
{
    switch (kind) {
    case Utf8:
        return QStringLiteral("UTF-8");
    case Utf16LE:
        return QStringLiteral("UTF-16 (little endian)");
    case Utf16BE:
        return QStringLiteral("UTF-16 (big endian)");
    case Windows1250:
        return QStringLiteral("Windows-1250 (Central European)");
    case Windows1252:
        return QStringLiteral("Windows-1252 (Western)");
    }
    return {};
}

QStringList TextEncoding::names()
{
    QStringList list;
    for (int k = 0; k < kCount; ++k)
        list << name(Kind(k));
    return list;
}

QStringDecoder TextEncoding::decoder(Kind kind)
{
    switch (kind) {
    case Utf8:
        return QStringDecoder(QStringConverter::Utf8);
    case Utf16LE:
        return QStringDecoder(QStringConverter::Utf16LE);
    case Utf16BE:
        return QStringDecoder(QStringConverter::Utf16BE);
    case Windows1250:
        return QStringDecoder("windows-1250");
    case Windows1252:
        return QStringDecoder("windows-1252");
    }
    return QStringDecoder(QStringConverter::Utf8);
}

bool TextEncoding::isUtf8(const QByteArray& sample)
{
    const auto* p = reinterpret_cast<const unsigned char*>(sample.constData());
    const qsizetype n = sample.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        int follow = 0;
        if (c < 0x80)
            follow = 0;
        else if (c >= 0xC2 && c <= 0xDF)
            follow = 1;
        else if (c >= 0xE0 && c <= 0xEF)
            follow = 2;
        else if (c >= 0xF0 && c <= 0xF4)
            follow = 3;
        else
            return false;
        if (i + follow >= n)
            return true; // the sample ends inside a character: what was there was valid
        for (int k = 1; k <= follow; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        }
        i += follow + 1;
    }
    return true;
}

TextEncoding::Kind TextEncoding::detect(const QByteArray& sample)
{
    if (sample.startsWith("\xEF\xBB\xBF"))
        return Utf8;
    if (sample.startsWith("\xFF\xFE"))
        return Utf16LE;
    if (sample.startsWith("\xFE\xFF"))
        return Utf16BE;
    // Text in UTF-16 without a mark: most of its characters have a zero byte, on one side.
    qsizetype zeroEven = 0;
    qsizetype zeroOdd = 0;
    for (qsizetype i = 0; i < sample.size(); ++i) {
        if (sample[i] == 0)
            ++(i % 2 ? zeroOdd : zeroEven);
    }
    const qsizetype pairs = sample.size() / 2;
    if (pairs > 0 && zeroOdd * 4 > pairs && zeroOdd > zeroEven * 4)
        return Utf16LE;
    if (pairs > 0 && zeroEven * 4 > pairs && zeroEven > zeroOdd * 4)
        return Utf16BE;
    if (isUtf8(sample))
        return Utf8;
    // Letters the Central European page has where the Western page has signs or rare letters
    // (ą ł ľ ś ť ź č ě ř ů ...), against letters only the Western page has (à å ñ ã õ ...).
    static constexpr std::array<unsigned char, 17> kCentral
        = {0x8C, 0x8D, 0x8F, 0x9C, 0x9D, 0x9F, 0xA5, 0xB3, 0xB9, 0xBC, 0xBE, 0xC8, 0xD8, 0xE8, 0xEC, 0xF8, 0xF9};
    static constexpr std::array<unsigned char, 9> kWestern = {0xC0, 0xC3, 0xC5, 0xD1, 0xE0, 0xE3, 0xE5, 0xF1, 0xF5};
    int central = 0;
    int western = 0;
    for (const char ch : sample) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80)
            continue;
        for (unsigned char k : kCentral)
            central += k == c;
        for (unsigned char k : kWestern)
            western += k == c;
    }
    return central > western ? Windows1250 : Windows1252;
}
