#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

// The encodings a text file to import may be in, and how to tell them apart by its bytes.
class TextEncoding
{
public:
    enum Kind { Utf8, Utf16LE, Utf16BE, Windows1250, Windows1252 };
    static constexpr int kCount = 5;

    // The names the import dialog offers, in the order of Kind.
    static QString name(Kind kind);
    static QStringList names();

    // A guess from the first bytes of a file: a byte-order mark, the zero bytes of UTF-16, text
    // that is valid UTF-8, and otherwise the letters typical of the two Windows code pages.
    static Kind detect(const QByteArray& sample);

    static QStringDecoder decoder(Kind kind);
    // Whether the encoding can report bytes that do not belong to it.
    static bool checksBytes(Kind kind) { return kind == Utf8 || kind == Utf16LE || kind == Utf16BE; }

private:
    static bool isUtf8(const QByteArray& sample);
};
