#include "RtfWriterTables.h"

#include "RtfEscaper.h"

RtfWriterTables::RtfWriterTables(const QString& defaultFamily)
{
    m_fonts.append(defaultFamily.isEmpty() ? QStringLiteral("Arial") : defaultFamily);
}

int RtfWriterTables::fontIndex(const QString& family)
{
    const auto it = m_fontIndex.constFind(family);
    if (it != m_fontIndex.cend())
        return *it;
    m_fonts.append(family);
    const int index = int(m_fonts.size()) - 1;
    m_fontIndex.insert(family, index);
    return index;
}

int RtfWriterTables::colorIndex(const QColor& color)
{
    const QRgb rgb = color.rgb() & RGB_MASK;
    const auto it = m_colorIndex.constFind(rgb);
    if (it != m_colorIndex.cend())
        return *it;
    m_colors.append(rgb);
    const int index = int(m_colors.size()); // entry 0 is "automatic"
    m_colorIndex.insert(rgb, index);
    return index;
}

QByteArray RtfWriterTables::fontTable() const
{
    QByteArray out = "{\\fonttbl";
    for (int i = 0; i < m_fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        // A name cannot hold the separator or braces, whatever the document says.
        QString name = m_fonts.at(i);
        name.remove(u';');
        RtfEscaper::appendText(out, name);
        out += ";}";
    }
    out += '}';
    return out;
}

QByteArray RtfWriterTables::colorTable() const
{
    QByteArray out = "{\\colortbl;";
    for (const QRgb rgb : m_colors) {
        out += "\\red" + QByteArray::number(qRed(rgb)) + "\\green" + QByteArray::number(qGreen(rgb)) + "\\blue"
               + QByteArray::number(qBlue(rgb)) + ';';
    }
    out += '}';
    return out;
}
