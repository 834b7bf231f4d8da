#pragma once

#include <QByteArrayView>

// One lexical unit of an RTF byte stream. Views point into the tokenizer's input.
struct RtfToken
{
    enum class Type { End, GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text, Binary };

    Type type = Type::End;
    QByteArrayView bytes; // control word name, text run or binary payload
    int param = 0;
    bool hasParam = false;
    char symbol = 0;       // control symbol character
    unsigned char hex = 0; // value of a \'hh escape
};

// Splits RTF bytes into tokens. Never fails: malformed input becomes the
// nearest sensible token, and every call consumes at least one byte.
class RtfTokenizer
{
public:
    explicit RtfTokenizer(QByteArrayView input);

    RtfToken next();

    // Parameters are clamped to this magnitude so that later arithmetic cannot overflow.
    static constexpr int kMaxParam = 1'000'000'000;

private:
    RtfToken readBackslash();
    RtfToken readControlWord();
    RtfToken readHexByte();
    RtfToken readText();
    RtfToken readBinary(int length);
    void skipLineBreaks();

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};
