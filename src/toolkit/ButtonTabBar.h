#pragma once

#include <QTabBar>

// A tab strip whose tabs are drawn as push buttons, the selected one pressed in. It behaves
// as any tab bar does (a click or the arrow keys select, `currentChanged` tells), and draws
// no base line of its own.
class ButtonTabBar : public QTabBar
{
    Q_OBJECT

public:
    explicit ButtonTabBar(QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kGap = 3; // between two buttons
};
