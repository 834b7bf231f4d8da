#include "RtfReader.h"

#include "RtfParser.h"

#include <QTextDocument>

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

} // namespace

bool RtfReader::isRtf(QStringView memo)
{
    qsizetype pos = 0;
    while (pos < memo.size() && (memo.at(pos).isSpace() || memo.at(pos) == kByteOrderMark))
        ++pos;
    return memo.sliced(pos).startsWith(u"{\\rtf");
}

bool RtfReader::isRtf(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    qsizetype pos = 0;
    while (pos < view.size() && isAsciiSpace(view.at(pos)))
        ++pos;
    return view.sliced(pos).startsWith("{\\rtf");
}

void RtfReader::read(const QByteArray& rtf, QTextDocument& document)
{
    if (!isRtf(rtf)) {
        document.setPlainText(QString::fromUtf8(rtf));
        return;
    }
    RtfParser(rtf, document, RtfParser::RawText::CodePage).run();
}

void RtfReader::loadMemo(const QString& memo, QTextDocument& document)
{
    if (!isRtf(memo)) {
        document.setPlainText(memo);
        return;
    }
    const QByteArray bytes = memo.toUtf8();
    RtfParser(bytes, document, RtfParser::RawText::Utf8).run();
}
