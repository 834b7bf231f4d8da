#include "PictureView.h"

#include <QPainter>

PictureView::PictureView(QWidget* parent)
    : QWidget(parent)
{
}

void PictureView::setImage(const QImage& image)
{
    m_image = image;
    m_scaled = QPixmap();
    update();
}

void PictureView::setPlaceholder(const QString& text)
{
    m_placeholder = text;
    update();
}

void PictureView::resizeEvent(QResizeEvent* event)
{
    m_scaled = QPixmap();
    QWidget::resizeEvent(event);
}

void PictureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_image.isNull()) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, m_placeholder);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize room = size() * ratio;
    if (m_scaled.isNull()) {
        // A small picture grows at most to twice its size, where it still looks sharp enough.
        QSize fit = m_image.size().scaled(room, Qt::KeepAspectRatio);
        if (fit.width() > m_image.width() * 2)
            fit = m_image.size() * 2;
        m_scaled = QPixmap::fromImage(m_image.scaled(fit, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        m_scaled.setDevicePixelRatio(ratio);
    }
    const QSizeF drawn = QSizeF(m_scaled.size()) / ratio;
    const QPointF at((width() - drawn.width()) / 2.0, (height() - drawn.height()) / 2.0);
    painter.drawPixmap(at, m_scaled);
}
