#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>

class QCheckBox;
class QGroupBox;

// Check boxes over an integer used as a bit set, box n standing for bit n: what the read-only
// and the editable check groups share.
class CheckBits
{
public:
    // Fills `group` with one box per item, column by column, `rows` boxes to a column.
    static QList<QCheckBox*> addBoxes(QGroupBox& group, const QStringList& items, int rows);
    // Whether bit `bit` of `value` is set; an empty or negative value has no bit set.
    static bool ticked(const QVariant& value, int bit);
    static void show(const QList<QCheckBox*>& boxes, const QVariant& value);
    // The sum of the values of the ticked boxes.
    static qint64 sum(const QList<QCheckBox*>& boxes);
};
