#include "CheckBits.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <algorithm>

QList<QCheckBox*> CheckBits::addBoxes(QGroupBox& group, const QStringList& items, int rows)
{
    auto* grid = new QGridLayout(&group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setVerticalSpacing(2);
    rows = std::max(rows, 1);
    QList<QCheckBox*> boxes;
    for (int i = 0; i < items.size(); ++i) {
        auto* box = new QCheckBox(items[i], &group);
        box->setAccessibleName(items[i]);
        grid->addWidget(box, i % rows, i / rows);
        boxes << box;
    }
    return boxes;
}

bool CheckBits::ticked(const QVariant& value, int bit)
{
    if (value.isNull())
        return false;
    const qint64 bits = value.toLongLong();
    return bits >= 0 && (bits >> bit) & 1;
}

void CheckBits::show(const QList<QCheckBox*>& boxes, const QVariant& value)
{
    for (int i = 0; i < boxes.size(); ++i)
        boxes[i]->setChecked(ticked(value, i));
}

qint64 CheckBits::sum(const QList<QCheckBox*>& boxes)
{
    qint64 total = 0;
    for (int i = 0; i < boxes.size(); ++i) {
        if (boxes[i]->isChecked())
            total |= qint64(1) << i;
    }
    return total;
}
