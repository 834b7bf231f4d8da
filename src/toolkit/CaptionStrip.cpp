#include "CaptionStrip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

CaptionStrip::CaptionStrip(const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_label(new QLabel(caption, this))
    , m_layout(new QHBoxLayout(this))
{
    setFixedHeight(qMax(16, m_label->fontMetrics().height() + 2));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Mid);
    m_label->setForegroundRole(QPalette::Light);
    QFont f = m_label->font();
    f.setBold(true);
    m_label->setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(63, 91, 139).lighter(125));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    m_label->setPalette(pal);
    m_layout->setContentsMargins(0, 0, 2, 0);
    m_layout->setSpacing(1);
    m_layout->addWidget(m_label, 1);
    setAccessibleName(caption.trimmed());
}

QToolButton* CaptionStrip::addButton(const QString& hint, const QIcon& icon)
{
    auto* button = new QToolButton(this);
    button->setAutoRaise(true);
    button->setIcon(icon);
    button->setIconSize(QSize(12, 12));
    button->setFixedSize(height(), height());
    button->setToolTip(hint);
    button->setAccessibleName(hint);
    button->setFocusPolicy(Qt::TabFocus);
    m_layout->addWidget(button);
    return button;
}

QString CaptionStrip::caption() const
{
    return m_label->text();
}
