#include "RtfPlainText.h"

#include "RtfParser.h"
#include "RtfSignature.h"

namespace {

class PlainTextSink : public RtfSink
{
public:
    void appendText(const QString& text, const RtfRunFormat&) override { m_text += text; }
    void endParagraph(const RtfParaState&, const QString&) override { m_text += u'\n'; }
    void finish(const RtfParaState&, const QString&) override { }

    QString take() { return std::move(m_text); }

private:
    QString m_text;
};

} // namespace

QString RtfPlainText::ofMemo(const QString& memo)
{
    if (!RtfSignature::isRtf(memo))
        return memo;
    return ofMemo(memo.toUtf8());
}

QString RtfPlainText::ofMemo(const QByteArray& utf8)
{
    if (!RtfSignature::isRtf(utf8))
        return QString::fromUtf8(utf8);
    PlainTextSink sink;
    RtfParser(utf8, sink, RtfParser::RawText::Utf8).run();
    return sink.take();
}
