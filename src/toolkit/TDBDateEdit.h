#pragma once

#include "BoundControl.h"

#include <QLineEdit>

class QCalendarWidget;
class QToolButton;

// A date box bound to a date field, with a drop-down calendar. The date shows in the user's
// short date format with a four-digit year; an empty box is no date (null). Only digits and
// the locale's date separator can be typed; a text that is no date is refused when the box is
// left or the record posted. The field gets a date, never text. Picking from the calendar
// (its button, Alt+Down or F4) puts the record into edit state first, and does nothing when
// it cannot.
class TDBDateEdit : public QLineEdit, public BoundControl
{
    Q_OBJECT

public:
    explicit TDBDateEdit(QWidget* parent = nullptr);

    QToolButton* calendarButton() const { return m_button; }
    // The drop-down calendar, created when first needed.
    QCalendarWidget* calendar();
    void showCalendar();

protected:
    void showValue(const TField* field) override;
    QVariant enteredValue() const override;
    bool changesValue(const QObject* target, const QEvent* event) const override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Typing;
    void pick(const QDate& date);

    QToolButton* m_button;
    QCalendarWidget* m_calendar = nullptr;
};
