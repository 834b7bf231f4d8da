#pragma once

#include "TStrings.h"

#include <QComboBox>

// Lets the shared routines fill a drop-down box's list.
class ComboStrings : public TStrings
{
public:
    explicit ComboStrings(QComboBox& box)
        : m_box(box)
    {
    }
    void Clear() override { m_box.clear(); }
    void Add(const QString& text) override { m_box.addItem(text); }

private:
    QComboBox& m_box;
};
