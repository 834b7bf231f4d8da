#pragma once

#include "BoundControl.h"

#include <QSpinBox>

// A spin box bound to an integer field (a song's track), holding whole numbers 1 to 999. The
// number changes only by its arrows, Up and Down (by 1), Page Up and Page Down (by 10) and
// the wheel (by 1); typing, deleting, pasting and cutting are refused. An empty field shows
// an empty box, which only steps up (Up to 1).
class TDBSpinEdit : public QSpinBox, public BoundControl
{
    Q_OBJECT

public:
    static constexpr int lowest = 1;
    static constexpr int highest = 999;

    explicit TDBSpinEdit(QWidget* parent = nullptr);

    void stepBy(int steps) override;

protected:
    StepEnabled stepEnabled() const override;
    void showValue(const TField* field) override;
    QVariant enteredValue() const override;
    bool changesValue(const QObject* target, const QEvent* event) const override;

private:
    bool canStep(int direction) const;
};
