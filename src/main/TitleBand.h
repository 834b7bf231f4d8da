#pragma once

#include <QWidget>

// The band above the folders naming the folder shown: bold 16-pixel Arial, the caption text
// colour with a black drop shadow, on dark blue.
class TitleBand : public QWidget
{
public:
    explicit TitleBand(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};
