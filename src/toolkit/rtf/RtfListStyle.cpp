#include "RtfListStyle.h"

namespace {

bool isNumbered(QTextListFormat::Style style)
{
    return style <= QTextListFormat::ListDecimal;
}

bool isRoman(const QString& letters)
{
    for (const QChar c : letters) {
        if (!QStringLiteral("ivxlcdm").contains(c.toLower()))
            return false;
    }
    return true;
}

// The text around the number, e.g. "(" and ")" in "(1)".
void setAffixes(QTextListFormat& format, const QString& marker)
{
    qsizetype first = 0;
    while (first < marker.size() && !marker.at(first).isLetterOrNumber())
        ++first;
    qsizetype last = marker.size();
    while (last > first && !marker.at(last - 1).isLetterOrNumber())
        --last;
    format.setNumberPrefix(marker.left(first));
    format.setNumberSuffix(marker.mid(last));
}

} // namespace

QTextListFormat RtfListStyle::format(RtfListKind kind, const QString& rawMarker, int indent)
{
    const QString marker = rawMarker.simplified();
    QTextListFormat::Style style = styleOfKind(kind);
    if (style == QTextListFormat::ListStyleUndefined || (kind == RtfListKind::Bullet && !marker.isEmpty()))
        style = styleOfMarker(marker);
    QTextListFormat format;
    format.setStyle(style);
    format.setIndent(qBound(1, indent, 9));
    if (isNumbered(style) && !marker.isEmpty())
        setAffixes(format, marker);
    return format;
}

QTextListFormat::Style RtfListStyle::styleOfKind(RtfListKind kind)
{
    switch (kind) {
    case RtfListKind::None:
        return QTextListFormat::ListStyleUndefined;
    case RtfListKind::Bullet:
        return QTextListFormat::ListDisc;
    case RtfListKind::Decimal:
        return QTextListFormat::ListDecimal;
    case RtfListKind::LowerAlpha:
        return QTextListFormat::ListLowerAlpha;
    case RtfListKind::UpperAlpha:
        return QTextListFormat::ListUpperAlpha;
    case RtfListKind::LowerRoman:
        return QTextListFormat::ListLowerRoman;
    case RtfListKind::UpperRoman:
        return QTextListFormat::ListUpperRoman;
    }
    return QTextListFormat::ListDisc;
}

QTextListFormat::Style RtfListStyle::styleOfMarker(const QString& marker)
{
    if (marker.isEmpty())
        return QTextListFormat::ListDisc;
    for (const QChar c : marker) {
        if (c.isDigit())
            return QTextListFormat::ListDecimal;
    }
    QString letters;
    for (const QChar c : marker) {
        if (c.isLetter() && c.unicode() < 0x80)
            letters += c;
    }
    // A lone "o" is the hollow bullet word processors use for the second level.
    if (letters.isEmpty() || (letters.compare(QLatin1String("o"), Qt::CaseInsensitive) == 0 && marker.size() == 1))
        return bulletStyle(marker.at(0));
    return letterStyle(letters);
}

QTextListFormat::Style RtfListStyle::bulletStyle(QChar c)
{
    switch (c.unicode()) {
    case u'o':
    case u'O':
    case 0x25E6: // white bullet
    case 0x25CB: // white circle
        return QTextListFormat::ListCircle;
    case 0x25AA: // small black square
    case 0x25A0: // black square
    case 0x00A7: // Wingdings square read as Latin-1
        return QTextListFormat::ListSquare;
    default:
        return QTextListFormat::ListDisc;
    }
}

// The first item decides: "i." starts a roman list, "a." an alphabetic one.
QTextListFormat::Style RtfListStyle::letterStyle(const QString& letters)
{
    const bool upper = letters.at(0).isUpper();
    const bool roman = isRoman(letters) && (letters.size() > 1 || letters.at(0).toLower() == u'i');
    if (roman)
        return upper ? QTextListFormat::ListUpperRoman : QTextListFormat::ListLowerRoman;
    return upper ? QTextListFormat::ListUpperAlpha : QTextListFormat::ListLowerAlpha;
}
