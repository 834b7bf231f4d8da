#include "TDBDateEdit.h"

#include "DateText.h"
#include "EDatabaseError.h"
#include "TField.h"

#include <QCalendarWidget>
#include <QKeyEvent>
#include <QScreen>
#include <QStyle>
#include <QToolButton>
#include <QValidator>
#include <algorithm>

namespace {

bool isDateCharacter(QChar c)
{
    return DateText::canBeTyped(c);
}

} // namespace

// Lets through only what a date of the locale is written with; what the field shows always
// passes.
class TDBDateEdit::Typing : public QValidator
{
public:
    explicit Typing(TDBDateEdit& edit)
        : QValidator(&edit)
        , m_edit(edit)
    {
    }

    State validate(QString& input, int&) const override
    {
        if (m_edit.showing())
            return Acceptable;
        return std::all_of(input.cbegin(), input.cend(), isDateCharacter) ? Acceptable : Invalid;
    }

private:
    TDBDateEdit& m_edit;
};

TDBDateEdit::TDBDateEdit(QWidget* parent)
    : QLineEdit(parent)
    , BoundControl(this)
    , m_button(new QToolButton(this))
{
    setValidator(new Typing(*this));
    m_button->setArrowType(Qt::DownArrow);
    m_button->setAutoRaise(true);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setFocusPolicy(Qt::NoFocus); // the box keeps the focus while its calendar is used
    m_button->setToolTip(QStringLiteral("Calendar"));
    m_button->setAccessibleName(QStringLiteral("Calendar"));
    connect(m_button, &QToolButton::clicked, this, &TDBDateEdit::showCalendar);
    connect(this, &QLineEdit::textEdited, this, [this] { userChanged(); });
}

void TDBDateEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    const int side = height() - 2 * frame;
    m_button->setGeometry(width() - frame - side, frame, side, side);
    setTextMargins(0, 0, side, 0);
}

bool TDBDateEdit::changesValue(const QObject* target, const QEvent* event) const
{
    if (event->type() == QEvent::KeyPress) {
        // A letter is refused as it is typed: it changes nothing, not even the record's state.
        const QString text = static_cast<const QKeyEvent*>(event)->text();
        if (!text.isEmpty() && text.at(0).isPrint() && !isDateCharacter(text.at(0)))
            return false;
    }
    return BoundControl::changesValue(target, event);
}

void TDBDateEdit::keyPressEvent(QKeyEvent* event)
{
    const bool altDown = event->key() == Qt::Key_Down && event->modifiers() == Qt::AltModifier;
    if (altDown || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        showCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

QCalendarWidget* TDBDateEdit::calendar()
{
    if (m_calendar)
        return m_calendar;
    m_calendar = new QCalendarWidget(this);
    m_calendar->setWindowFlags(Qt::Popup);
    m_calendar->setGridVisible(true);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // A click on a day or Enter picks it; moving through the days picks nothing yet.
    connect(m_calendar, &QCalendarWidget::clicked, this, &TDBDateEdit::pick);
    connect(m_calendar, &QCalendarWidget::activated, this, &TDBDateEdit::pick);
    return m_calendar;
}

void TDBDateEdit::showCalendar()
{
    QCalendarWidget* popup = calendar();
    const QDate shown = DateText::fromText(text());
    popup->setSelectedDate(shown.isValid() ? shown : DateText::today());
    popup->adjustSize();
    // Below the box, or above it where the screen ends below.
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen* screen = this->screen()) {
        const QRect room = screen->availableGeometry();
        if (at.y() + popup->height() > room.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - popup->height());
        at.setX(std::clamp(at.x(), room.left(), std::max(room.left(), room.right() - popup->width())));
    }
    popup->move(at);
    popup->show();
    popup->setFocus(Qt::PopupFocusReason);
}

void TDBDateEdit::pick(const QDate& date)
{
    m_calendar->hide();
    if (!beginEdit())
        return;
    setText(DateText::toText(date));
    userChanged();
}

void TDBDateEdit::showValue(const TField* field)
{
    const QString shown = field && !field->IsNull() ? DateText::toText(field->AsDateTime().date()) : QString();
    if (text() != shown)
        setText(shown);
}

QVariant TDBDateEdit::enteredValue() const
{
    if (text().trimmed().isEmpty())
        return {};
    const QDate date = DateText::fromText(text());
    if (!date.isValid())
        throw EDatabaseError(QStringLiteral("'%1' is not a valid date").arg(text()));
    return date;
}
