#pragma once

#include <array>

// Windows-1252, the code page of most RTF text. It differs from Latin-1 only in 0x80..0x9F;
// keeping it built in means the most common page never depends on the platform's converters.
namespace Windows1252 {

// The characters of the bytes 0x80..0x9F. The five bytes the page leaves undefined read as
// the C1 control of the same number, as Windows reads them.
inline constexpr std::array<char16_t, 32> kC1 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

inline constexpr char16_t toUnicode(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kC1[byte - 0x80] : char16_t(byte);
}

// The byte a character has a real place at, or -1. The undefined bytes are no one's place:
// a C1 control is not written as one.
inline constexpr int fromUnicode(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return c;
    for (int i = 0; i < int(kC1.size()); ++i) {
        if (kC1[size_t(i)] == c && c != char16_t(0x80 + i))
            return 0x80 + i;
    }
    return -1;
}

} // namespace Windows1252
