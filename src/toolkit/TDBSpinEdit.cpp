#include "TDBSpinEdit.h"

#include "TField.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QWheelEvent>
#include <algorithm>

namespace {

// Below the lowest number: the box of an empty field.
constexpr int kEmpty = TDBSpinEdit::lowest - 1;

} // namespace

TDBSpinEdit::TDBSpinEdit(QWidget* parent)
    : QSpinBox(parent)
    , BoundControl(this)
{
    setRange(kEmpty, highest);
    setSpecialValueText(QStringLiteral(" ")); // an empty field shows blank, not as a number
    // Nothing is typed: the text only shows the number (it can still be selected and copied).
    lineEdit()->setReadOnly(true);
    connect(this, &QSpinBox::valueChanged, this, [this] { userChanged(); });
}

TDBSpinEdit::StepEnabled TDBSpinEdit::stepEnabled() const
{
    StepEnabled enabled = QSpinBox::stepEnabled();
    if (value() <= lowest)
        enabled &= ~StepDownEnabled;
    return enabled;
}

void TDBSpinEdit::stepBy(int steps)
{
    // Never down to the empty box; up from it goes through the numbers from the lowest.
    const int target = std::clamp(value() + steps, lowest, highest);
    if (target != value())
        QSpinBox::stepBy(target - value());
}

bool TDBSpinEdit::canStep(int direction) const
{
    return direction != 0 && (stepEnabled() & (direction > 0 ? StepUpEnabled : StepDownEnabled));
}

bool TDBSpinEdit::changesValue(const QObject* target, const QEvent* event) const
{
    if (target != this)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
        switch (static_cast<const QKeyEvent*>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_PageUp:
            return canStep(1);
        case Qt::Key_Down:
        case Qt::Key_PageDown:
            return canStep(-1);
        default:
            return false; // what else is typed never lands
        }
    case QEvent::Wheel:
        return canStep(static_cast<const QWheelEvent*>(event)->angleDelta().y());
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        QStyleOptionSpinBox option;
        initStyleOption(&option);
        switch (style()->hitTestComplexControl(QStyle::CC_SpinBox, &option, mouse->position().toPoint(), this)) {
        case QStyle::SC_SpinBoxUp:
            return canStep(1);
        case QStyle::SC_SpinBoxDown:
            return canStep(-1);
        default:
            return false;
        }
    }
    default:
        return false;
    }
}

void TDBSpinEdit::showValue(const TField* field)
{
    if (!field || field->IsNull()) {
        setValue(kEmpty);
        return;
    }
    setValue(int(std::clamp<qint64>(field->Value().toLongLong(), lowest, highest)));
}

QVariant TDBSpinEdit::enteredValue() const
{
    return value() == kEmpty ? QVariant() : QVariant(value());
}
