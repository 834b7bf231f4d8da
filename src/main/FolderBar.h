#pragma once

#include <QList>
#include <QWidget>

class QToolButton;

// The folder bar: one page captioned "Folders" holding a large button per folder.
class FolderBar : public QWidget
{
    Q_OBJECT

public:
    explicit FolderBar(QWidget* parent = nullptr);

    QToolButton* button(int index) const { return m_buttons.value(index); }
    int count() const { return int(m_buttons.size()); }

Q_SIGNALS:
    // A click on button `index` (0 or more); a click beside the buttons sends nothing.
    void buttonClicked(int index, const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<QToolButton*> m_buttons;
    QPixmap m_tile;
};
