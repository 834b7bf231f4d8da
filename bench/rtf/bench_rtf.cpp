// How long a large Description memo takes to load into and save from a rich-text box.
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype kTargetSize = 1024 * 1024;

// Paragraphs the way word processors write them: formatted runs, code-page and
// \u text, list paragraphs and table rows, in about a megabyte.
QByteArray sampleDocument()
{
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                     "{\\f1\\fmodern\\fcharset0 Courier New;}{\\f2\\fswiss\\fcharset238 Arial CE;}"
                     "{\\f3\\fswiss\\fcharset204 Arial CYR;}}\n"
                     "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\n";
    int paragraph = 0;
    while (rtf.size() < kTargetSize) {
        const QByteArray n = QByteArray::number(paragraph++);
        rtf += "\\pard\\plain\\qj\\li720\\fi-360\\sa120 Paragraph " + n
               + " of the catalogue notes: {\\b bold words}, {\\i italic words}, {\\ul underlined} and "
                 "{\\cf1 red text} in {\\f1\\fs20 Courier New}. Polski: {\\f2 Za\\'bf\\'f3\\'b3\\'e6 "
                 "g\\'ea\\'9cl\\'b9} "
                 "and Za\\u380?\\u243\\'f3\\u322?\\u263?; \\u1056?\\u1091?\\u1089?\\u1089?\\u1082?\\u1080?\\u1081? "
                 "{\\f3 \\'d1\\'fa\\'e5\\'f8\\'fc}.\\tab Tabbed\\line next line \\emdash\\ldblquote "
                 "quoted\\rdblquote.\\par\n";
        if (paragraph % 10 == 0) {
            rtf += "{\\listtext\\pard\\plain \\u8226\\'95\\tab}\\ls1\\ilvl0\\li720\\fi-360 List item " + n + "\\par\n";
            rtf += "\\trowd\\cellx3000\\cellx6000\\pard\\intbl Title " + n + "\\cell 19" + n.right(2) + "\\cell\\row\n";
        }
    }
    rtf += "}";
    return rtf;
}

const QByteArray& sample()
{
    static const QByteArray rtf = sampleDocument();
    return rtf;
}

void readRtf(benchmark::State& state)
{
    for (auto _ : state) {
        QTextDocument document;
        RtfReader::read(sample(), document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * sample().size());
}

void writeRtf(benchmark::State& state)
{
    QTextDocument document;
    RtfReader::read(sample(), document);
    qsizetype written = 0;
    for (auto _ : state) {
        const QByteArray rtf = RtfWriter::write(document);
        written = rtf.size();
        benchmark::DoNotOptimize(rtf.data());
    }
    state.counters["output_bytes"] = double(written);
    state.SetBytesProcessed(state.iterations() * written);
}

void loadMemo(benchmark::State& state)
{
    const QString memo = QString::fromLatin1(sample());
    for (auto _ : state) {
        QTextDocument document;
        RtfReader::loadMemo(memo, document);
        benchmark::DoNotOptimize(document.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * memo.size());
}

} // namespace

BENCHMARK(readRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(writeRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(loadMemo)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // The writer asks for the document's default font, which needs a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
