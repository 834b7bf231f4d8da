#pragma once

#include "BoundControl.h"

#include <QGroupBox>
#include <QList>

class QCheckBox;

// An editable group of check boxes over an integer used as a bit set (box n is bit n). A
// click or Space on a box puts the record into edit state first, and the box does not change
// when it cannot. After a change the field is the sum of the ticked boxes, so bits that have
// no box are dropped; an empty or negative value shows all boxes clear.
class TDBCheckBoxGroup : public QGroupBox, public BoundControl
{
    Q_OBJECT

public:
    // The boxes fill the group column by column, `rows` to a column.
    TDBCheckBoxGroup(const QString& caption, const QStringList& items, int rows, QWidget* parent = nullptr);

    const QList<QCheckBox*>& boxes() const { return m_boxes; }

protected:
    void showValue(const TField* field) override;
    QVariant enteredValue() const override;
    bool changesValue(const QObject* target, const QEvent* event) const override;

private:
    QList<QCheckBox*> m_boxes;
};
