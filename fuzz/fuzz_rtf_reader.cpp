// libFuzzer entry for the RTF reader: any bytes must load without crashing,
// hanging or growing without bound, and whatever loads must write and load again.
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

namespace {

QGuiApplication* application = nullptr;

// Characters RTF has no way to carry (control characters, object and frame
// marks) are dropped by the writer on purpose; the rest must come back.
QString writable(const QString& text)
{
    QString out;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool dropped
            = (u < 0x20 && u != u'\t' && u != u'\n') || u == 0x7F || u == 0xFDD0 || u == 0xFDD1 || u == 0xFFFC;
        if (!dropped)
            out += c;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The writer asks for the document's default font, which needs a GUI application.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    application = new QGuiApplication(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    QTextDocument document;
    RtfReader::read(bytes, document);
    const QByteArray written = RtfWriter::write(document);
    QTextDocument again;
    RtfReader::read(written, again);
    if (writable(again.toPlainText()) != writable(document.toPlainText()))
        std::abort(); // what the writer writes, the reader must read back

    QTextDocument memo;
    RtfReader::loadMemo(QString::fromUtf8(bytes), memo);
    return 0;
}
