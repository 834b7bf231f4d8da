#include "BoundControl.h"

#include "ErrorGuard.h"
#include "TDAODataset.h"
#include "TDataSource.h"
#include "TField.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace {

bool editing(const TDAODataset* ds)
{
    return ds && (ds->State() == TDataSetState::Edit || ds->State() == TDataSetState::Insert);
}

} // namespace

// Sees the input on its way to the widget, and the widget being left.
class BoundControl::InputWatch : public QObject
{
public:
    explicit InputWatch(BoundControl& control)
        : m_control(control)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return m_control.inputEvent(watched, event); }

private:
    BoundControl& m_control;
};

BoundControl::BoundControl(QWidget* widget)
    : m_widget(*widget)
    , m_watch(new InputWatch(*this))
{
    m_watch->setParent(widget);
    watchInput(widget);
}

BoundControl::~BoundControl()
{
    // The widget outlives this part of the control for a moment and may still get events.
    delete m_watch;
}

void BoundControl::setDataSource(TDataSource* source)
{
    m_link.setDataSource(source);
    refresh();
}

void BoundControl::setDataField(const QString& name)
{
    m_link.setFieldName(name); // and shows it
}

void BoundControl::watchInput(QObject* target)
{
    target->installEventFilter(m_watch);
}

bool BoundControl::changesValue(const QObject*, const QEvent* event) const
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    for (const auto standard :
         {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo, QKeySequence::Delete,
          QKeySequence::Backspace, QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfWord,
          QKeySequence::DeleteEndOfLine, QKeySequence::DeleteCompleteLine}) {
        if (key->matches(standard))
            return true;
    }
    if (key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete)
        return true;
    const QString text = key->text();
    return !text.isEmpty() && text.at(0).isPrint();
}

bool BoundControl::inputEvent(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::FocusOut: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window coming up (an error box, a menu) is no leaving of the control, and
        // neither is a move between its own parts (the boxes of a group).
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !holdsFocus())
            left();
        return false;
    }
    case QEvent::InputMethod:
        if (static_cast<QInputMethodEvent*>(event)->commitString().isEmpty())
            return false;
        return !beginEdit();
    case QEvent::Drop:
        return !beginEdit();
    default:
        break;
    }
    if (!changesValue(watched, event))
        return false;
    return !beginEdit();
}

bool BoundControl::holdsFocus() const
{
    // The focus has already moved on when the part that had it hears of it.
    const QWidget* now = QApplication::focusWidget();
    return now && (now == &m_widget || m_widget.isAncestorOf(now));
}

bool BoundControl::beginEdit()
{
    if (!m_link.DataSource())
        return true; // not bound: a plain widget
    TDAODataset* ds = dataSet();
    if (!field())
        return false;
    if (editing(ds))
        return true;
    try {
        ds->Edit();
        return true;
    } catch (const std::exception& e) {
        // Not inside the input's own handling: the box comes once it is done.
        ErrorGuard::later(ErrorGuard::messageOf(e), &m_widget);
        return false;
    }
}

void BoundControl::userChanged()
{
    if (m_showing || m_writing)
        return;
    if (m_link.DataSource() && !editing(dataSet())) {
        m_ownEdit = true;
        const bool started = beginEdit();
        m_ownEdit = false;
        if (!started) {
            refresh(); // the change is taken back
            return;
        }
    }
    m_modified = true;
}

void BoundControl::refresh()
{
    m_showing = true;
    showValue(field());
    m_showing = false;
    m_modified = false;
}

void BoundControl::writeBack()
{
    if (!m_modified)
        return;
    TField* f = field();
    if (!f)
        return;
    const QVariant entered = enteredValue();
    m_writing = true;
    try {
        f->SetValue(entered);
    } catch (...) {
        m_writing = false;
        throw;
    }
    m_writing = false;
    m_modified = false;
    m_pendingRefusal.clear();
    // What the field keeps of it (a text cut to its size) is what the control shows.
    if (f->Value() != entered)
        refresh();
}

void BoundControl::left()
{
    if (!m_modified)
        return;
    try {
        writeBack();
    } catch (const std::exception& e) {
        refuseLater(ErrorGuard::messageOf(e));
    }
}

void BoundControl::refuseLater(const QString& message)
{
    // No box inside the focus change itself: the control takes the focus back and the box
    // comes from the event loop, unless the value was dealt with meanwhile (a post showed the
    // same error, a cancel dropped the value).
    m_pendingRefusal = message;
    QTimer::singleShot(0, &m_widget, [this] {
        if (m_pendingRefusal.isEmpty() || !m_modified)
            return;
        const QString text = std::exchange(m_pendingRefusal, QString());
        m_widget.setFocus(Qt::OtherFocusReason);
        MessageService::showError(text, &m_widget);
    });
}

void BoundControl::stateChanged()
{
    if (!m_ownEdit)
        refresh();
}

void BoundControl::postPending()
{
    try {
        writeBack();
    } catch (...) {
        // The post shows the error itself; the control keeps the focus for the user to mend.
        m_pendingRefusal.clear();
        QTimer::singleShot(0, &m_widget, [w = &m_widget] { w->setFocus(Qt::OtherFocusReason); });
        throw;
    }
}

void BoundControl::takeFocusFor(TField* refused)
{
    if (refused && refused == field())
        m_widget.setFocus(Qt::OtherFocusReason);
}
