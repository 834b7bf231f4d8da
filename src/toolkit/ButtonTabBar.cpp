#include "ButtonTabBar.h"

#include <QCursor>
#include <QStyleOptionButton>
#include <QStylePainter>

ButtonTabBar::ButtonTabBar(QWidget* parent)
    : QTabBar(parent)
{
    setDrawBase(false);
    setExpanding(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

QSize ButtonTabBar::tabSizeHint(int index) const
{
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = tabText(index);
    const QSize text = fontMetrics().size(Qt::TextShowMnemonic, option.text);
    const QSize button = style()->sizeFromContents(QStyle::CT_PushButton, &option, text, this);
    return {button.width() + kGap, button.height()};
}

QSize ButtonTabBar::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}

void ButtonTabBar::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    const QPoint cursor = mapFromGlobal(QCursor::pos());
    for (int i = 0; i < count(); ++i) {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = tabRect(i).adjusted(0, 0, -kGap, 0);
        option.text = tabText(i);
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        if (i == currentIndex()) {
            option.state |= QStyle::State_On | QStyle::State_Sunken;
            if (hasFocus())
                option.state |= QStyle::State_HasFocus;
        } else {
            option.state |= QStyle::State_Raised;
        }
        if (underMouse() && option.rect.contains(cursor))
            option.state |= QStyle::State_MouseOver;
        painter.drawControl(QStyle::CE_PushButton, option);
    }
}
