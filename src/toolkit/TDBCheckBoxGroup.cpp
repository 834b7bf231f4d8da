#include "TDBCheckBoxGroup.h"

#include "CheckBits.h"
#include "TField.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

// Whether a click at `pos` toggles the box: on its mark or its caption, not the space beside.
bool hits(const QCheckBox& box, const QPoint& pos)
{
    QStyleOptionButton option;
    option.initFrom(&box);
    option.text = box.text();
    option.icon = box.icon();
    option.iconSize = box.iconSize();
    return box.style()->subElementRect(QStyle::SE_CheckBoxClickRect, &option, &box).contains(pos);
}

} // namespace

TDBCheckBoxGroup::TDBCheckBoxGroup(const QString& caption, const QStringList& items, int rows, QWidget* parent)
    : QGroupBox(caption, parent)
    , BoundControl(this)
    , m_boxes(CheckBits::addBoxes(*this, items, rows))
{
    for (QCheckBox* box : std::as_const(m_boxes)) {
        watchInput(box);
        // Only the user's own clicks are changes, not the boxes following the field.
        connect(box, &QAbstractButton::clicked, this, [this] { userChanged(); });
    }
    // The group is a place in the tab order and takes the focus for its field.
    if (!m_boxes.isEmpty())
        setFocusProxy(m_boxes.first());
}

bool TDBCheckBoxGroup::changesValue(const QObject* target, const QEvent* event) const
{
    const auto* box = qobject_cast<const QCheckBox*>(target);
    if (!box)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: { // a double click is a second click
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        return mouse->button() == Qt::LeftButton && hits(*box, mouse->position().toPoint());
    }
    case QEvent::KeyPress: {
        // A box goes down on Space and toggles when it comes up; kept up, it never toggles.
        const auto* key = static_cast<const QKeyEvent*>(event);
        return key->key() == Qt::Key_Space && !key->isAutoRepeat();
    }
    default:
        return false;
    }
}

void TDBCheckBoxGroup::showValue(const TField* field)
{
    CheckBits::show(m_boxes, field ? field->Value() : QVariant());
}

QVariant TDBCheckBoxGroup::enteredValue() const
{
    return CheckBits::sum(m_boxes);
}
