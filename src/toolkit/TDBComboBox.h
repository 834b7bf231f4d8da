#pragma once

#include "BoundControl.h"

#include <QComboBox>

// A drop-down list bound to a text field.
// - DropDown: any text can be typed, without limit, or picked from the list; the text stored
//   is cut to the field's size. The stored text shows even when it is not in the list.
// - DropDownList: only the list's items can be picked; a stored text that is none of them
//   shows as no selection and stays as it is unless the user picks an item.
class TDBComboBox : public QComboBox, public BoundControl
{
    Q_OBJECT

public:
    enum class Style { DropDown, DropDownList };

    explicit TDBComboBox(Style style = Style::DropDown, QWidget* parent = nullptr);

    Style style() const { return m_style; }
    // Replaces the items (the fixed ones of a list such as the media types); the box goes on
    // showing the field.
    void setItems(const QStringList& items);

    void showPopup() override;

protected:
    void showValue(const TField* field) override;
    QVariant enteredValue() const override;
    bool changesValue(const QObject* target, const QEvent* event) const override;

private:
    Style m_style;
};
