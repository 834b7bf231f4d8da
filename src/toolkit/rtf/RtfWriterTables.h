#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The font and colour tables of a document being written. Font 0 is the
// document's default font; runs with a family of their own get 1 and up.
class RtfWriterTables
{
public:
    explicit RtfWriterTables(const QString& defaultFamily);

    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);

    QByteArray fontTable() const;
    QByteArray colorTable() const;

private:
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QRgb> m_colors;
    QHash<QRgb, int> m_colorIndex;
};
