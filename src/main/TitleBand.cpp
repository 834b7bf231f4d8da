#include "TitleBand.h"

#include <QPainter>

TitleBand::TitleBand(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PanelTitle"));
    setFixedHeight(25);
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(16);
    setFont(f);
}

void TitleBand::setText(const QString& text)
{
    m_text = text;
    setAccessibleName(text);
    update();
}

void TitleBand::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), QColor(63, 91, 139));
    const QRect area = rect().adjusted(8, 0, -8, 0);
    p.setFont(font());
    p.setPen(Qt::black);
    p.drawText(area.translated(1, 1), Qt::AlignLeft | Qt::AlignVCenter, m_text);
    p.setPen(Qt::white);
    p.drawText(area, Qt::AlignLeft | Qt::AlignVCenter, m_text);
}
