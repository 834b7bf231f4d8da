#include "TDBCheckGroup.h"

#include "TField.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>

TDBCheckGroup::TDBCheckGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent)
{
    setAccessibleName(caption);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    const int rows = (int(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* box = new QCheckBox(items[i], this);
        box->setAccessibleName(items[i]);
        // Shown, not changed: the boxes take neither clicks nor keys.
        box->setFocusPolicy(Qt::NoFocus);
        box->installEventFilter(this);
        grid->addWidget(box, i % rows, i / rows);
        m_boxes << box;
    }
    m_link.setOnChange([this] { refresh(); });
}

bool TDBCheckGroup::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return true;
    default:
        return QGroupBox::eventFilter(watched, event);
    }
}

bool TDBCheckGroup::ticked(const QVariant& value, int bit)
{
    if (value.isNull())
        return false;
    const qint64 bits = value.toLongLong();
    return bits >= 0 && (bits >> bit) & 1;
}

void TDBCheckGroup::refresh()
{
    const TField* field = m_link.Field();
    const QVariant value = field ? field->Value() : QVariant();
    for (int i = 0; i < m_boxes.size(); ++i)
        m_boxes[i]->setChecked(ticked(value, i));
}
