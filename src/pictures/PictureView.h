#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// A picture drawn as large as fits, centred, its proportions kept; without one, a grey word.
class PictureView : public QWidget
{
    Q_OBJECT

public:
    explicit PictureView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }
    bool hasImage() const { return !m_image.isNull(); }
    void setPlaceholder(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage m_image;
    QPixmap m_scaled; // m_image at the size drawn, made once per size
    QString m_placeholder;
};
