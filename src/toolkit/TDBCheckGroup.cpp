#include "TDBCheckGroup.h"

#include "CheckBits.h"
#include "TField.h"

#include <QCheckBox>
#include <QEvent>

TDBCheckGroup::TDBCheckGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent)
{
    setAccessibleName(caption);
    m_boxes = CheckBits::addBoxes(*this, items, (int(items.size()) + columns - 1) / columns);
    for (QCheckBox* box : std::as_const(m_boxes)) {
        // Shown, not changed: the boxes take neither clicks nor keys.
        box->setFocusPolicy(Qt::NoFocus);
        box->installEventFilter(this);
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

void TDBCheckGroup::refresh()
{
    const TField* field = m_link.Field();
    CheckBits::show(m_boxes, field ? field->Value() : QVariant());
}
