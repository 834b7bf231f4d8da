#pragma once

#include "BoundControl.h"

#include <QLineEdit>

// A text box bound to a field. For a text field it takes at most the field's size, and a
// longer paste keeps what fits (never half a character); for an integer field it takes only
// digits and a sign, and a text that is no whole number in the field's range is refused when
// the box is left or the record posted.
class TDBEdit : public QLineEdit, public BoundControl
{
    Q_OBJECT

public:
    explicit TDBEdit(QWidget* parent = nullptr);

    // A limit of the box's own, below the field's (a year takes four characters); 0 for none.
    void setMaxChars(int chars);

protected:
    void showValue(const TField* field) override;
    QVariant enteredValue() const override;
    bool changesValue(const QObject* target, const QEvent* event) const override;

private:
    class Limit;
    int limitFor(const TField* field) const;

    Limit* m_limit;
    int m_maxChars = 0;
};
