#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <array>
#include <optional>

// Decodes the bytes of one Windows code page (the kind RTF's \ansicpg and
// \fcharset name). Single-byte pages use a 128-entry table built once; the
// East Asian double-byte pages and UTF-8 go through QStringDecoder.
class RtfCodec
{
public:
    static constexpr int kSymbolCodePage = 42;
    static constexpr int kDefaultCodePage = 1252;

    explicit RtfCodec(int codePage);

    int codePage() const { return m_codePage; }
    bool isMultiByte() const { return m_decoder.has_value(); }

    void decodeAppend(QByteArrayView bytes, QString& out);

    // The code page a font's \fcharset stands for; 0 means "the document's".
    static int codePageForCharset(int charset);
    // Code pages this program can decode; anything else is read as 1252.
    static int supportedCodePage(int codePage);

private:
    void buildTable(QStringDecoder& decoder);
    void buildWindows1252Table();
    void buildSymbolTable();

    int m_codePage = kDefaultCodePage;
    std::array<char16_t, 128> m_high{};
    std::optional<QStringDecoder> m_decoder;
};
