#include "RtfReader.h"

#include "RtfDocumentBuilder.h"
#include "RtfParser.h"
#include "RtfSignature.h"

#include <QTextDocument>

bool RtfReader::isRtf(QStringView memo)
{
    return RtfSignature::isRtf(memo);
}

bool RtfReader::isRtf(const QByteArray& bytes)
{
    return RtfSignature::isRtf(bytes);
}

void RtfReader::read(const QByteArray& rtf, QTextDocument& document)
{
    if (!isRtf(rtf)) {
        document.setPlainText(QString::fromUtf8(rtf));
        return;
    }
    RtfDocumentBuilder builder(document);
    RtfParser(rtf, builder, RtfParser::RawText::CodePage).run();
}

void RtfReader::loadMemo(const QString& memo, QTextDocument& document)
{
    if (!isRtf(memo)) {
        document.setPlainText(memo);
        return;
    }
    const QByteArray bytes = memo.toUtf8();
    RtfDocumentBuilder builder(document);
    RtfParser(bytes, builder, RtfParser::RawText::Utf8).run();
}
