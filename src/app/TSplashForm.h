#pragma once

#include <QPixmap>
#include <QWidget>

// The start-up window: one picture with the version line in its lower right corner, shown
// only while the data module and the main window are being made.
class TSplashForm : public QWidget
{
public:
    explicit TSplashForm(QWidget* parent = nullptr);

    // Shows the window and paints it at once, before the event loop runs.
    void showNow();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap m_picture;
};

extern TSplashForm* SplashForm;
