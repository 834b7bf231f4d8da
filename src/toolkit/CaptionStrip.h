#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QToolButton;

// The 16-pixel strip at the top of a pane, with its caption on the left and, optionally,
// small flat buttons at its right end.
class CaptionStrip : public QWidget
{
public:
    explicit CaptionStrip(const QString& caption, QWidget* parent = nullptr);

    QToolButton* addButton(const QString& hint, const QIcon& icon);
    QString caption() const;

private:
    QLabel* m_label;
    QHBoxLayout* m_layout;
};
