#include "RtfSignature.h"

namespace {

constexpr char16_t kByteOrderMark = 0xFEFF;

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

} // namespace

bool RtfSignature::isRtf(QStringView memo)
{
    qsizetype pos = 0;
    while (pos < memo.size() && (memo.at(pos).isSpace() || memo.at(pos) == kByteOrderMark))
        ++pos;
    return memo.sliced(pos).startsWith(u"{\\rtf");
}

bool RtfSignature::isRtf(const QByteArray& bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith("\xEF\xBB\xBF"))
        view = view.sliced(3);
    qsizetype pos = 0;
    while (pos < view.size() && isAsciiSpace(view.at(pos)))
        ++pos;
    return view.sliced(pos).startsWith("{\\rtf");
}
